#include "mcap/mcap_writer.h"

#include <algorithm>

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

std::string map_of(const McapEntries& entries) {
    std::string map;
    for (const auto& [key, value] : entries) {
        append_text(map, key);
        append_text(map, value);
    }
    return map;
}

std::string channel_record(const McapChannelInfo& channel) {
    std::string content;
    append_u16(content, CHANNEL_ID);
    append_u16(content, SCHEMA_ID);
    append_text(content, channel.topic);
    append_text(content, "protobuf");
    append_text(content, map_of(channel.metadata));  // its byte length, then its entries
    return mcap_record(MCAP_CHANNEL, content);
}

}  // namespace

void McapRecording::add_bytes(const char* bytes, size_t size) {
    file_.add(bytes, size);
    written_ += size;
}

bool McapRecording::create(const std::string& path, const McapChannelInfo& channel,
                           McapCompression compression) {
    compression_ = compression;
    schema_ = schema_record(channel);
    channel_ = channel_record(channel);
    opening_ = schema_ + channel_;
    if (!file_.create(path)) return false;
    chunk_.reserve(CHUNK_BYTES);  // once, rather than grown piece by piece
    std::string header;
    append_text(header, "");  // no profile
    append_text(header, channel.library);
    add_bytes(std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE) + mcap_record(MCAP_HEADER, header));
    return file_.flush();
}

void McapRecording::add(uint64_t log_time_ns, const uint8_t* data, size_t size) {
    if (!file_.is_open() || file_.failed()) return;  // no --record: nothing to form
    const size_t record = MCAP_RECORD_HEAD + 2 + 4 + 8 + 8 + size;
    if (chunk_.is_open() && chunk_.size() + record > CHUNK_BYTES) close_chunk();
    if (!chunk_.is_open()) {
        chunk_.open(opening_);
        chunk_due_ = std::chrono::steady_clock::now() + CHUNK_SECONDS;
    }
    if (messages_ == 0) first_ns_ = last_ns_ = log_time_ns;
    first_ns_ = std::min(first_ns_, log_time_ns);
    last_ns_ = std::max(last_ns_, log_time_ns);
    ++messages_;
    chunk_.add_message(CHANNEL_ID, static_cast<uint32_t>(messages_), log_time_ns, data, size);
}

void McapRecording::close_chunk() {
    if (!chunk_.is_open()) return;
    chunks_.push_back(chunk_.close(compression_, written_));
    chunk_due_ = Deadline::max();
    add_bytes(chunk_.chunk_record(), chunk_.chunk_record_size());
    add_bytes(chunk_.index_record());
}

void McapRecording::set_metadata(std::string name, McapEntries entries) {
    metadata_name_ = std::move(name);
    metadata_ = std::move(entries);
    has_metadata_ = true;
}

void McapRecording::write_due(Deadline now) {
    if (now >= chunk_due_) close_chunk();
    file_.write_due(now);
}

McapRecording::Deadline McapRecording::next_due() const {
    if (!file_.is_open() || file_.failed()) return Deadline::max();
    return std::min(chunk_due_, file_.next_due());
}

// The SummaryOffset of the group of `opcode` records the summary holds from
// `start` on; where the next group starts.
uint64_t McapRecording::add_group(McapOpcode opcode, uint64_t start) {
    groups_ += static_cast<char>(MCAP_SUMMARY_OFFSET);
    append_u64(groups_, 1 + 8 + 8);
    groups_ += static_cast<char>(opcode);
    append_u64(groups_, start);
    append_u64(groups_, written_ - start);
    return written_;
}

bool McapRecording::finish() {
    if (!file_.is_open()) return !file_.failed();
    close_chunk();
    const uint64_t metadata_at = written_;
    if (has_metadata_) {
        std::string metadata;
        append_text(metadata, metadata_name_);
        append_text(metadata, map_of(metadata_));
        add_bytes(mcap_record(MCAP_METADATA, metadata));
    }
    const uint64_t metadata_length = written_ - metadata_at;
    add_bytes(mcap_record(MCAP_DATA_END, std::string(4, '\0')));  // no CRC
    const uint64_t summary_start = written_;
    add_bytes(schema_);
    uint64_t group = add_group(MCAP_SCHEMA, summary_start);
    add_bytes(channel_);
    group = add_group(MCAP_CHANNEL, group);
    for (const McapChunkEntry& entry : chunks_) {
        bytes_.clear();
        append_chunk_index(bytes_, entry, CHANNEL_ID);
        add_bytes(bytes_);
    }
    if (!chunks_.empty()) group = add_group(MCAP_CHUNK_INDEX, group);
    add_bytes(statistics());
    group = add_group(MCAP_STATISTICS, group);
    if (has_metadata_) {
        std::string index;
        append_u64(index, metadata_at);
        append_u64(index, metadata_length);
        append_text(index, metadata_name_);
        add_bytes(mcap_record(MCAP_METADATA_INDEX, index));
        add_group(MCAP_METADATA_INDEX, group);
    }
    const uint64_t summary_offset_start = written_;
    add_bytes(groups_);
    std::string footer;
    append_u64(footer, summary_start);
    append_u64(footer, summary_offset_start);
    append_u32(footer, 0);  // no CRC
    add_bytes(mcap_record(MCAP_FOOTER, footer) + std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE));
    return file_.finish();
}

std::string McapRecording::statistics() const {
    std::string statistics, counts;
    append_u64(statistics, messages_);
    append_u16(statistics, 1);  // schemas
    append_u32(statistics, 1);  // channels
    append_u32(statistics, 0);  // attachments
    append_u32(statistics, has_metadata_ ? 1 : 0);
    append_u32(statistics, static_cast<uint32_t>(chunks_.size()));
    append_u64(statistics, first_ns_);
    append_u64(statistics, last_ns_);
    append_u16(counts, CHANNEL_ID);
    append_u64(counts, messages_);
    append_text(statistics, counts);
    return mcap_record(MCAP_STATISTICS, statistics);
}
