// The chunk a recording forms (mcap_format.h): its records appended as the
// messages come, with their index, then closed into the file's bytes (the
// Chunk and its MessageIndex) and the entry the summary's ChunkIndex tells of
// it. Nothing is allocated per message once the chunk's buffers have grown
// to its size, and the Chunk record is compressed straight into its place.
//
//     McapChunk chunk;
//     chunk.open(schema_and_channel_records, log_time);
//     chunk.add_message(1, sequence, log_time, data, size);   // for each message
//     McapChunkEntry entry = chunk.close(McapCompression::ZSTD, file_offset);
//     write(chunk.chunk_record(), chunk.chunk_record_size());
//     write(chunk.index_record());
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mcap/mcap_format.h"

// What a ChunkIndex tells of one chunk, kept for the summary in 48 bytes
// (a chunk's records are under a mebibyte: far within 32 bits).
struct McapChunkEntry {
    uint64_t first_ns = 0, last_ns = 0;  // the messages' log times
    uint64_t offset = 0;                 // the Chunk's opcode in the file; its MessageIndex follows
    uint32_t length = 0;                 // the whole Chunk record
    uint32_t index_length = 0;           // the whole MessageIndex record
    uint32_t compressed = 0, uncompressed = 0;
    McapCompression compression = McapCompression::NONE;
};

class McapChunk {
  public:
    // Room for `size` bytes of records, taken once.
    void reserve(size_t size) { records_.reserve(size); }
    // Begin a chunk with `records` (the Schema and the Channel).
    void open(const std::string& records);
    bool is_open() const { return !records_.empty(); }
    // The bytes of its records so far, uncompressed.
    size_t size() const { return records_.size(); }

    // One Message on `channel`; its publish time its log time.
    void add_message(uint16_t channel, uint32_t sequence, uint64_t log_time_ns, const uint8_t* data,
                     size_t size);

    // Close the chunk into its Chunk record (at `offset` in the file) and its
    // MessageIndex, held until the next close; what the ChunkIndex tells of
    // them. Records the library cannot compress are kept uncompressed.
    McapChunkEntry close(McapCompression compression, uint64_t offset);
    const char* chunk_record() const { return packed_.get(); }
    size_t chunk_record_size() const { return packed_size_; }
    const std::string& index_record() const { return index_record_; }

  private:
    std::string records_;
    std::string index_;  // log time and offset pairs
    uint16_t channel_ = 0;
    uint64_t first_ns_ = 0, last_ns_ = 0;
    // The Chunk record, in memory of which only the bytes written are touched.
    std::unique_ptr<char[]> packed_;
    size_t packed_room_ = 0, packed_size_ = 0;
    BlockCompressor compressor_;
    std::string index_record_;
};

// The ChunkIndex record of `entry` (of the chunk's one channel, `channel`),
// appended to `out`.
void append_chunk_index(std::string& out, const McapChunkEntry& entry, uint16_t channel);
