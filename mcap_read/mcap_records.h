// The records of an MCAP file (mcap/mcap_format.h) as a reader takes them
// in: each read from its content (McapFields), false when a field does not
// fit. What a record holds beyond the fields read here is left alone.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mcap/mcap_format.h"

using McapMap = std::vector<std::pair<std::string, std::string>>;

struct McapSchema {
    uint16_t id = 0;
    std::string name;
    std::string encoding;
    std::string data;
};

struct McapChannel {
    uint16_t id = 0;
    uint16_t schema_id = 0;
    std::string topic;
    std::string message_encoding;
    McapMap metadata;
};

struct McapMessage {
    uint16_t channel_id = 0;
    uint32_t sequence = 0;
    uint64_t log_time = 0;
    uint64_t publish_time = 0;
    std::string data;
};

// A Chunk's fields before its records; `records` is where they start in
// the content, `records_length` how many bytes they take.
struct McapChunkHead {
    uint64_t first_ns = 0, last_ns = 0;
    uint64_t uncompressed = 0;
    uint32_t crc = 0;
    std::string compression;
    size_t records = 0;
    uint64_t records_length = 0;
};

// A ChunkIndex, with the offset of one channel's MessageIndex (0: none).
struct McapChunkIndex {
    uint64_t first_ns = 0, last_ns = 0;
    uint64_t offset = 0, length = 0;
    uint64_t index_offset = 0;
    uint64_t index_length = 0;
    std::string compression;
    uint64_t compressed = 0, uncompressed = 0;
};

struct McapStatistics {
    uint64_t messages = 0;
    uint32_t metadata = 0;
    uint32_t chunks = 0;
    uint64_t first_ns = 0, last_ns = 0;
    std::vector<std::pair<uint16_t, uint64_t>> channel_messages;
};

struct McapMetadata {
    std::string name;
    McapMap entries;
};

bool read_schema(McapFields fields, McapSchema& schema);
bool read_channel(McapFields fields, McapChannel& channel);
// The Message's fields but its data, which is the rest of `fields`.
bool read_message_head(McapFields& fields, McapMessage& message);
bool read_chunk_head(McapFields fields, McapChunkHead& head);
bool read_chunk_index(McapFields fields, uint16_t channel, McapChunkIndex& index);
bool read_statistics(McapFields fields, McapStatistics& statistics);
bool read_metadata(McapFields fields, McapMetadata& metadata);

// The head of the record at `at` in `size` bytes: false when its head or its
// content does not fit there.
bool record_at(const char* data, size_t size, size_t at, uint8_t& opcode, McapFields& content);
