#include "mcap_read/mcap_records.h"

namespace {

bool read_map(McapFields fields, McapMap& map) {
    McapFields entries = fields.part();
    while (entries.ok && !entries.at_end()) {
        std::string key = entries.text(), value = entries.text();
        if (entries.ok) map.emplace_back(std::move(key), std::move(value));
    }
    return fields.ok && entries.ok;
}

}  // namespace

bool read_schema(McapFields fields, McapSchema& schema) {
    schema.id = static_cast<uint16_t>(fields.number(2));
    schema.name = fields.text();
    schema.encoding = fields.text();
    schema.data = fields.text();
    return fields.ok;
}

bool read_channel(McapFields fields, McapChannel& channel) {
    channel.id = static_cast<uint16_t>(fields.number(2));
    channel.schema_id = static_cast<uint16_t>(fields.number(2));
    channel.topic = fields.text();
    channel.message_encoding = fields.text();
    channel.metadata.clear();
    return read_map(fields, channel.metadata);
}

bool read_message_head(McapFields& fields, McapMessage& message) {
    message.channel_id = static_cast<uint16_t>(fields.number(2));
    message.sequence = static_cast<uint32_t>(fields.number(4));
    message.log_time = fields.number(8);
    message.publish_time = fields.number(8);
    return fields.ok;
}

bool read_chunk_head(McapFields fields, McapChunkHead& head) {
    head.first_ns = fields.number(8);
    head.last_ns = fields.number(8);
    head.uncompressed = fields.number(8);
    head.crc = static_cast<uint32_t>(fields.number(4));
    head.compression = fields.text();
    head.records_length = fields.number(8);
    head.records = fields.at;
    return fields.ok && head.records_length <= fields.size - fields.at;
}

bool read_chunk_index(McapFields fields, uint16_t channel, McapChunkIndex& index) {
    index.first_ns = fields.number(8);
    index.last_ns = fields.number(8);
    index.offset = fields.number(8);
    index.length = fields.number(8);
    index.index_offset = 0;
    for (McapFields map = fields.part(); map.ok && !map.at_end();) {
        const uint64_t id = map.number(2), offset = map.number(8);
        if (map.ok && id == channel) index.index_offset = offset;
        fields.ok = fields.ok && map.ok;
    }
    index.index_length = fields.number(8);
    index.compression = fields.text();
    index.compressed = fields.number(8);
    index.uncompressed = fields.number(8);
    return fields.ok;
}

bool read_statistics(McapFields fields, McapStatistics& statistics) {
    statistics.messages = fields.number(8);
    fields.number(2);  // schemas
    fields.number(4);  // channels
    fields.number(4);  // attachments
    statistics.metadata = static_cast<uint32_t>(fields.number(4));
    statistics.chunks = static_cast<uint32_t>(fields.number(4));
    statistics.first_ns = fields.number(8);
    statistics.last_ns = fields.number(8);
    statistics.channel_messages.clear();
    for (McapFields map = fields.part(); map.ok && !map.at_end();) {
        const uint64_t id = map.number(2), count = map.number(8);
        if (map.ok) statistics.channel_messages.emplace_back(static_cast<uint16_t>(id), count);
        fields.ok = fields.ok && map.ok;
    }
    return fields.ok;
}

bool read_metadata(McapFields fields, McapMetadata& metadata) {
    metadata.name = fields.text();
    metadata.entries.clear();
    return read_map(fields, metadata.entries);
}

bool record_at(const char* data, size_t size, size_t at, uint8_t& opcode, McapFields& content) {
    if (at > size || size - at < MCAP_RECORD_HEAD) return false;
    McapFields head{data + at + 1, 8, 0, true};
    const uint64_t length = head.number(8);
    if (length > size - at - MCAP_RECORD_HEAD) return false;
    opcode = static_cast<uint8_t>(data[at]);
    content = McapFields{data + at + MCAP_RECORD_HEAD, static_cast<size_t>(length), 0, true};
    return true;
}
