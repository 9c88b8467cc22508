// MCAP records made by hand, as other writers and release 1.2.0 make them
// and as no writer should: for the tests of the MCAP reader.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mcap/mcap_format.h"

// The opening magic and a Header of `library`.
std::string mcap_start(const std::string& library = "test");
// DataEnd, a Footer without summary, the closing magic.
std::string mcap_end();

std::string schema_record(uint16_t id, const std::string& name, const std::string& data);
std::string channel_record(uint16_t id, uint16_t schema_id, const std::string& topic,
                           const std::vector<std::pair<std::string, std::string>>& metadata);
std::string message_record(uint16_t channel, uint32_t sequence, uint64_t log_time,
                           const std::string& data);

// A Chunk's parts: made from its records by chunk_of(), then changed at will.
struct ChunkParts {
    uint64_t first_ns = 0, last_ns = 0;
    uint64_t size = 0;  // claimed uncompressed
    uint32_t crc = 0;
    std::string compression;  // as the Chunk spells it
    std::string packed;       // the compressed records
};
ChunkParts chunk_of(const std::string& records, McapCompression compression);
std::string chunk_record(const ChunkParts& parts);

// The records of `file` before the Footer, each its offset and its bytes.
std::vector<std::pair<size_t, std::string>> records_of(const std::string& file);
