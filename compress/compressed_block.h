// A block of bytes compressed as one piece, and its CRC-32. The block knows
// nothing of what it holds; a container that keeps blocks of records (mcap/)
// names the compression and the size beside each.
//
//     ZSTD   one zstd frame (libzstd's one-shot API, level 3)
//     LZ4    one LZ4 frame: the frame format (LZ4F), not the bare block
//            format, the content size in the frame's header
//     NONE   the bytes as they are
//
// A block is decompressed into exactly the size its container claims for it.
// A claim past LARGEST_BLOCK is refused before anything is allocated, and so
// is a block that would decompress past its claim: no block ever takes more
// memory than it claims. The CRC is CRC-32 (ISO-HDLC, zlib's crc32()).
//
//     std::string packed(compressed_bound(Compression::ZSTD, records.size()), '\0'), unpacked;
//     packed.resize(compress_block(Compression::ZSTD, records.data(), records.size(),
//                                  &packed[0], packed.size()));
//     decompress_block(Compression::ZSTD, packed.data(), packed.size(),
//                      records.size(), unpacked);   // Decompressed::WHOLE
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class Compression : uint8_t { ZSTD, LZ4, NONE };

// The most a block may decompress to.
constexpr uint64_t LARGEST_BLOCK = 64u << 20;

// The most `size` bytes take compressed.
size_t compressed_bound(Compression compression, size_t size);

// `size` bytes at `data` compressed into the `capacity` bytes at `out`
// (compressed_bound() of them at least); how many they took, 0 when the
// library fails. Only the bytes written are touched.
size_t compress_block(Compression compression, const char* data, size_t size, char* out,
                      size_t capacity);

struct ZSTD_CCtx_s;

// compress_block() for one block after another: zstd's working memory is
// taken once, on the first block, and kept, rather than taken and given back
// for each block.
class BlockCompressor {
  public:
    size_t compress(Compression compression, const char* data, size_t size, char* out,
                    size_t capacity);

  private:
    struct FreeContext {
        void operator()(ZSTD_CCtx_s* context) const;
    };
    std::unique_ptr<ZSTD_CCtx_s, FreeContext> zstd_;
};

enum class Decompressed {
    WHOLE,      // `out` holds exactly the size claimed
    OVER_CAP,   // the size claimed is past LARGEST_BLOCK: nothing was allocated
    PAST_SIZE,  // the block holds more than the size claimed
    BROKEN,     // not a block of that compression, cut, or short of the size claimed
};

// `length` bytes at `data` decompressed into `out` (its bytes replaced),
// which must come to `size` bytes exactly.
Decompressed decompress_block(Compression compression, const char* data, size_t length,
                              uint64_t size, std::string& out);

// The CRC-32 of `size` bytes at `data`.
uint32_t crc32_of(const char* data, size_t size);
