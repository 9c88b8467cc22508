#include "compress/compressed_block.h"

#include <lz4frame.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <cstring>

namespace {

constexpr int ZSTD_LEVEL = 3;

// The frame's header tells the size of what it holds.
LZ4F_preferences_t lz4_preferences(size_t size) {
    LZ4F_preferences_t preferences{};
    preferences.frameInfo.contentSize = size;
    return preferences;
}

Decompressed decompress_zstd(const char* data, size_t length, std::string& out) {
    const size_t made = ZSTD_decompress(out.data(), out.size(), data, length);
    if (ZSTD_getErrorCode(made) == ZSTD_error_dstSize_tooSmall) return Decompressed::PAST_SIZE;
    if (ZSTD_isError(made) || made != out.size()) return Decompressed::BROKEN;
    return Decompressed::WHOLE;
}

// The frame is taken piece by piece into `out`; once `out` is full, one more
// byte of output (into `spare`) means the block holds more than it claims.
Decompressed decompress_lz4_with(LZ4F_dctx* context, const char* data, size_t length,
                                 std::string& out) {
    size_t taken = 0, made = 0, hint = 1;
    while (taken < length || hint != 0) {
        char spare[1];
        char* into = made < out.size() ? &out[made] : spare;
        size_t room = made < out.size() ? out.size() - made : sizeof spare;
        size_t given = length - taken;
        hint = LZ4F_decompress(context, into, &room, data + taken, &given, nullptr);
        if (LZ4F_isError(hint)) return Decompressed::BROKEN;
        if (into == spare && room > 0) return Decompressed::PAST_SIZE;
        if (given == 0 && room == 0) return Decompressed::BROKEN;  // cut: no way on
        taken += given;
        made += room;
    }
    return made == out.size() ? Decompressed::WHOLE : Decompressed::BROKEN;
}

Decompressed decompress_lz4(const char* data, size_t length, std::string& out) {
    LZ4F_dctx* context = nullptr;
    if (LZ4F_isError(LZ4F_createDecompressionContext(&context, LZ4F_VERSION))) {
        return Decompressed::BROKEN;
    }
    const Decompressed result = decompress_lz4_with(context, data, length, out);
    LZ4F_freeDecompressionContext(context);
    return result;
}

}  // namespace

size_t compressed_bound(Compression compression, size_t size) {
    const LZ4F_preferences_t preferences = lz4_preferences(size);
    switch (compression) {
        case Compression::ZSTD:
            return ZSTD_compressBound(size);
        case Compression::LZ4:
            return LZ4F_compressFrameBound(size, &preferences);
        case Compression::NONE:
            break;
    }
    return size;
}

size_t compress_block(Compression compression, const char* data, size_t size, char* out,
                      size_t capacity) {
    return BlockCompressor().compress(compression, data, size, out, capacity);
}

void BlockCompressor::FreeContext::operator()(ZSTD_CCtx_s* context) const {
    ZSTD_freeCCtx(context);
}

size_t BlockCompressor::compress(Compression compression, const char* data, size_t size, char* out,
                                 size_t capacity) {
    if (compression == Compression::ZSTD) {
        if (!zstd_) zstd_.reset(ZSTD_createCCtx());
        if (!zstd_) return 0;
        const size_t written =
            ZSTD_compressCCtx(zstd_.get(), out, capacity, data, size, ZSTD_LEVEL);
        return ZSTD_isError(written) ? 0 : written;
    }
    if (compression == Compression::LZ4) {
        const LZ4F_preferences_t preferences = lz4_preferences(size);
        const size_t written = LZ4F_compressFrame(out, capacity, data, size, &preferences);
        return LZ4F_isError(written) ? 0 : written;
    }
    if (size > capacity) return 0;
    std::memcpy(out, data, size);
    return size;
}

Decompressed decompress_block(Compression compression, const char* data, size_t length,
                              uint64_t size, std::string& out) {
    if (size > LARGEST_BLOCK) return Decompressed::OVER_CAP;
    if (compression == Compression::NONE) {
        if (length != size) return length > size ? Decompressed::PAST_SIZE : Decompressed::BROKEN;
        out.assign(data, length);
        return Decompressed::WHOLE;
    }
    out.resize(size);
    return compression == Compression::ZSTD ? decompress_zstd(data, length, out)
                                            : decompress_lz4(data, length, out);
}

uint32_t crc32_of(const char* data, size_t size) {
    return static_cast<uint32_t>(
        crc32_z(0, reinterpret_cast<const unsigned char*>(data), static_cast<z_size_t>(size)));
}
