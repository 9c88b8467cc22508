#include "mcap/mcap_chunk.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t MESSAGE_HEAD = 2 + 4 + 8 + 8;  // channel, sequence, log and publish time

}  // namespace

void McapChunk::open(const std::string& records) {
    records_ = records;
    index_.clear();
}

void McapChunk::add_message(uint16_t channel, uint32_t sequence, uint64_t log_time_ns,
                            const uint8_t* data, size_t size) {
    if (index_.empty()) first_ns_ = last_ns_ = log_time_ns;
    first_ns_ = std::min(first_ns_, log_time_ns);
    last_ns_ = std::max(last_ns_, log_time_ns);
    channel_ = channel;
    append_u64(index_, log_time_ns);
    append_u64(index_, records_.size());
    records_ += static_cast<char>(MCAP_MESSAGE);
    append_u64(records_, MESSAGE_HEAD + size);
    append_u16(records_, channel);
    append_u32(records_, sequence);
    append_u64(records_, log_time_ns);
    append_u64(records_, log_time_ns);
    records_.append(reinterpret_cast<const char*>(data), size);
}

static_assert(sizeof(McapChunkEntry) == 48, "what the summary keeps of a chunk");

McapChunkEntry McapChunk::close(McapCompression compression, uint64_t offset) {
    McapChunkEntry entry;
    entry.first_ns = first_ns_;
    entry.last_ns = last_ns_;
    entry.offset = offset;
    entry.uncompressed = static_cast<uint32_t>(records_.size());
    const uint32_t crc = crc32_of(records_.data(), records_.size());
    std::string head;
    entry.compression = compression;
    for (;;) {
        head.assign(1, static_cast<char>(MCAP_CHUNK));
        append_u64(head, 0);  // the content's length, once known
        append_u64(head, first_ns_);
        append_u64(head, last_ns_);
        append_u64(head, records_.size());
        append_u32(head, crc);
        append_text(head, compression_name(entry.compression));
        append_u64(head, 0);  // the compressed bytes' length, once known
        const size_t room = head.size() + compressed_bound(entry.compression, records_.size());
        if (room > packed_room_) {
            packed_.reset(new char[room]);  // not cleared: untouched pages take no memory
            packed_room_ = room;
        }
        entry.compressed = static_cast<uint32_t>(
            compressor_.compress(entry.compression, records_.data(), records_.size(),
                                 packed_.get() + head.size(), room - head.size()));
        if (entry.compressed > 0 || entry.compression == McapCompression::NONE) break;
        entry.compression = McapCompression::NONE;  // kept as they are
    }
    set_u64(head, head.size() - 8, entry.compressed);
    set_u64(head, 1, head.size() - MCAP_RECORD_HEAD + entry.compressed);
    std::memcpy(packed_.get(), head.data(), head.size());
    packed_size_ = head.size() + entry.compressed;
    entry.length = static_cast<uint32_t>(packed_size_);
    index_record_.assign(1, static_cast<char>(MCAP_MESSAGE_INDEX));
    append_u64(index_record_, 2 + 4 + index_.size());
    append_u16(index_record_, channel_);
    append_u32(index_record_, static_cast<uint32_t>(index_.size()));
    index_record_ += index_;
    entry.index_length = static_cast<uint32_t>(index_record_.size());
    records_.clear();
    index_.clear();
    return entry;
}

void append_chunk_index(std::string& out, const McapChunkEntry& entry, uint16_t channel) {
    out += static_cast<char>(MCAP_CHUNK_INDEX);
    const size_t start = out.size();
    append_u64(out, 0);  // the content's length, once known
    append_u64(out, entry.first_ns);
    append_u64(out, entry.last_ns);
    append_u64(out, entry.offset);
    append_u64(out, entry.length);
    append_u32(out, 2 + 8);  // the map of MessageIndex offsets: one channel
    append_u16(out, channel);
    append_u64(out, entry.offset + entry.length);
    append_u64(out, entry.index_length);
    append_text(out, compression_name(entry.compression));
    append_u64(out, entry.compressed);
    append_u64(out, entry.uncompressed);
    set_u64(out, start, out.size() - start - 8);
}
