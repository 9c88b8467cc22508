#include "tests/support/mcap_bytes.h"

std::string mcap_start(const std::string& library) {
    std::string header;
    append_text(header, "");
    append_text(header, library);
    return std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE) + mcap_record(MCAP_HEADER, header);
}

std::string mcap_end() {
    return mcap_record(MCAP_DATA_END, std::string(4, '\0')) +
           mcap_record(MCAP_FOOTER, std::string(MCAP_FOOTER_CONTENT, '\0')) +
           std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE);
}

std::string schema_record(uint16_t id, const std::string& name, const std::string& data) {
    std::string content;
    append_u16(content, id);
    append_text(content, name);
    append_text(content, "protobuf");
    append_text(content, data);
    return mcap_record(MCAP_SCHEMA, content);
}

std::string channel_record(uint16_t id, uint16_t schema_id, const std::string& topic,
                           const std::vector<std::pair<std::string, std::string>>& metadata) {
    std::string content, map;
    append_u16(content, id);
    append_u16(content, schema_id);
    append_text(content, topic);
    append_text(content, "protobuf");
    for (const auto& [key, value] : metadata) {
        append_text(map, key);
        append_text(map, value);
    }
    append_text(content, map);
    return mcap_record(MCAP_CHANNEL, content);
}

std::string message_record(uint16_t channel, uint32_t sequence, uint64_t log_time,
                           const std::string& data) {
    std::string content;
    append_u16(content, channel);
    append_u32(content, sequence);
    append_u64(content, log_time);
    append_u64(content, log_time);
    return mcap_record(MCAP_MESSAGE, content + data);
}

ChunkParts chunk_of(const std::string& records, McapCompression compression) {
    ChunkParts parts;
    parts.size = records.size();
    parts.crc = crc32_of(records.data(), records.size());
    parts.compression = compression_name(compression);
    parts.packed.resize(compressed_bound(compression, records.size()));
    parts.packed.resize(compress_block(compression, records.data(), records.size(),
                                       &parts.packed[0], parts.packed.size()));
    return parts;
}

std::string chunk_record(const ChunkParts& parts) {
    std::string content;
    append_u64(content, parts.first_ns);
    append_u64(content, parts.last_ns);
    append_u64(content, parts.size);
    append_u32(content, parts.crc);
    append_text(content, parts.compression);
    append_u64(content, parts.packed.size());
    return mcap_record(MCAP_CHUNK, content + parts.packed);
}

std::vector<std::pair<size_t, std::string>> records_of(const std::string& file) {
    std::vector<std::pair<size_t, std::string>> records;
    for (size_t at = MCAP_MAGIC_SIZE; file.size() - at >= MCAP_RECORD_HEAD;) {
        McapFields head{file.data() + at + 1, 8, 0, true};
        const uint64_t length = head.number(8);
        if (file[at] == MCAP_FOOTER || length > file.size() - at - MCAP_RECORD_HEAD) break;
        records.emplace_back(at, file.substr(at, MCAP_RECORD_HEAD + length));
        at += MCAP_RECORD_HEAD + length;
    }
    return records;
}
