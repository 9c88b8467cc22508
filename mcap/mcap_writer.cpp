#include "mcap/mcap_writer.h"

#include "mcap/mcap_format.h"

namespace {

constexpr uint16_t SCHEMA_ID = 1;
constexpr uint16_t CHANNEL_ID = 1;

std::string schema_record(const McapChannelInfo& channel) {
    std::string content;
    append_u16(content, SCHEMA_ID);
    append_text(content, channel.schema_name);
    append_text(content, "protobuf");
    append_text(content, channel.schema_data);
    return mcap_record(MCAP_SCHEMA, content);
}

std::string channel_record(const McapChannelInfo& channel) {
    std::string content, metadata;
    append_u16(content, CHANNEL_ID);
    append_u16(content, SCHEMA_ID);
    append_text(content, channel.topic);
    append_text(content, "protobuf");
    for (const auto& [key, value] : channel.metadata) {
        append_text(metadata, key);
        append_text(metadata, value);
    }
    append_text(content, metadata);  // the map: its byte length, then its entries
    return mcap_record(MCAP_CHANNEL, content);
}

}  // namespace

void McapRecording::add_record(const std::string& record) {
    file_.add(record);
    written_ += record.size();
}

bool McapRecording::create(const std::string& path, const McapChannelInfo& channel) {
    channel_ = channel;
    if (!file_.create(path)) return false;
    std::string header;
    append_text(header, "");  // no profile
    append_text(header, channel.library);
    add_record(std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE) + mcap_record(MCAP_HEADER, header));
    add_record(schema_record(channel));
    add_record(channel_record(channel));
    return file_.flush();
}

void McapRecording::add(uint64_t log_time_ns, const uint8_t* data, size_t size) {
    if (!file_.is_open() || file_.failed()) return;  // no --record: nothing to form
    if (messages_ == 0) first_ns_ = log_time_ns;
    last_ns_ = log_time_ns;
    ++messages_;
    record_.assign(1, static_cast<char>(MCAP_MESSAGE));
    append_u64(record_, 2 + 4 + 8 + 8 + size);
    append_u16(record_, CHANNEL_ID);
    append_u32(record_, messages_);
    append_u64(record_, log_time_ns);
    append_u64(record_, log_time_ns);  // published: the report's own time stays inside it
    record_.append(reinterpret_cast<const char*>(data), size);
    add_record(record_);
}

bool McapRecording::finish() {
    if (!file_.is_open()) return !file_.failed();
    std::string data_end;
    append_u32(data_end, 0);
    add_record(mcap_record(MCAP_DATA_END, data_end));
    const uint64_t summary_start = written_;
    add_record(schema_record(channel_));
    add_record(channel_record(channel_));
    std::string statistics, counts;
    append_u64(statistics, messages_);
    append_u16(statistics, 1);  // schemas
    append_u32(statistics, 1);  // channels
    append_u32(statistics, 0);  // attachments
    append_u32(statistics, 0);  // metadata
    append_u32(statistics, 0);  // chunks
    append_u64(statistics, first_ns_);
    append_u64(statistics, last_ns_);
    append_u16(counts, CHANNEL_ID);
    append_u64(counts, messages_);
    append_text(statistics, counts);
    add_record(mcap_record(MCAP_STATISTICS, statistics));
    std::string footer;
    append_u64(footer, summary_start);
    append_u64(footer, 0);  // no summary offsets
    append_u32(footer, 0);  // no CRC
    add_record(mcap_record(MCAP_FOOTER, footer) + std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE));
    return file_.finish();
}
