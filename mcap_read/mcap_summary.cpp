#include "mcap_read/mcap_summary.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "files/file_writing.h"
#include "mcap_read/mcap_file_end.h"

namespace {

constexpr size_t LARGEST_HEADER = 1u << 20;

// The one record of `opcode` that `length` bytes at `offset` hold, read into
// `bytes`; false when they do not.
bool record_of(int file, uint64_t offset, uint64_t length, McapOpcode opcode, std::string& bytes,
               McapFields& content) {
    uint8_t found = 0;
    return length <= LARGEST_BLOCK && read_at(file, offset, length, bytes) &&
           record_at(bytes.data(), bytes.size(), 0, found, content) && found == opcode &&
           MCAP_RECORD_HEAD + content.size == length;
}

bool read_library(int file, McapSummary& summary) {
    std::string head;
    if (!read_at(file, MCAP_MAGIC_SIZE, MCAP_RECORD_HEAD, head) || head[0] != MCAP_HEADER) {
        return false;
    }
    McapFields length{head.data() + 1, 8, 0, true};
    const uint64_t size = length.number(8);
    McapFields content;
    if (size > LARGEST_HEADER ||
        !record_of(file, MCAP_MAGIC_SIZE, MCAP_RECORD_HEAD + size, MCAP_HEADER, head, content)) {
        return false;
    }
    content.text();  // the profile
    summary.library = content.text();
    return content.ok;
}

// The log times of the MessageIndex at `offset` (of `channel`, within the
// `length` bytes of MessageIndex records there), in the file's order.
bool read_times(int file, uint64_t offset, uint64_t length, uint16_t channel, std::string& bytes,
                std::vector<std::pair<uint64_t, uint64_t>>& pairs, std::vector<uint64_t>& times) {
    uint8_t opcode = 0;
    McapFields content;
    if (length > LARGEST_BLOCK || !read_at(file, offset, length, bytes) ||
        !record_at(bytes.data(), bytes.size(), 0, opcode, content) ||
        opcode != MCAP_MESSAGE_INDEX || content.number(2) != channel) {
        return false;
    }
    McapFields entries = content.part();
    if (!content.ok || entries.size % 16 != 0) return false;
    bool in_order = true;
    uint64_t previous = 0;
    for (size_t at = 0; at < entries.size; at += 16) {
        const uint64_t time = entries.number(8), place = entries.number(8);
        in_order = in_order && (at == 0 || place > previous);
        previous = place;
        times.push_back(time);
    }
    if (in_order) return true;
    // Ordered by time, as other writers may: put the times back in the file's order.
    const size_t count = entries.size / 16;
    pairs.clear();
    entries.at = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint64_t time = entries.number(8);
        pairs.emplace_back(entries.number(8), time);
    }
    std::sort(pairs.begin(), pairs.end());
    for (size_t i = 0; i < count; ++i) times[times.size() - count + i] = pairs[i].second;
    return true;
}

// The summary's records but the times; `why` when one does not hold.
bool read_records(int file, const McapSummarySection& section, uint16_t channel,
                  McapSummary& summary, std::string& why) {
    bool statistics = false;
    uint64_t chunks_end = MCAP_MAGIC_SIZE;  // where the last chunk indexed ends
    uint8_t opcode = 0;
    McapFields content, metadata;
    McapChunkIndex index;
    std::string bytes;
    for (size_t at = 0; record_at(section.bytes.data(), section.bytes.size(), at, opcode, content);
         at += MCAP_RECORD_HEAD + content.size) {
        bool read = true;
        if (opcode == MCAP_SCHEMA) {
            summary.schemas.emplace_back();
            read = read_schema(content, summary.schemas.back());
        } else if (opcode == MCAP_CHANNEL) {
            summary.channels.emplace_back();
            read = read_channel(content, summary.channels.back());
        } else if (opcode == MCAP_STATISTICS) {
            read = statistics = read_statistics(content, summary.statistics);
        } else if (opcode == MCAP_CHUNK_INDEX) {
            read = read_chunk_index(content, channel, index) && index.offset >= chunks_end &&
                   index.offset <= section.start && index.length <= section.start - index.offset &&
                   index.compressed <= index.length;
            chunks_end = index.offset + index.length;
            ++summary.chunks;
            summary.compressed += index.compressed;
            summary.uncompressed += index.uncompressed;
            const auto& names = summary.compressions;
            if (std::find(names.begin(), names.end(), index.compression) == names.end()) {
                summary.compressions.push_back(index.compression);
            }
        } else if (opcode == MCAP_METADATA_INDEX) {
            const uint64_t offset = content.number(8), length = content.number(8);
            summary.metadata.emplace_back();
            read = content.ok && offset <= section.start && length <= section.start - offset &&
                   record_of(file, offset, length, MCAP_METADATA, bytes, metadata) &&
                   read_metadata(metadata, summary.metadata.back());
        }
        if (!read)
            return why = "its summary does not hold (at byte " +
                         std::to_string(section.start + at) + ")",
                   false;
    }
    if (!statistics) return why = "its summary has no Statistics", false;
    if (summary.chunks == 0 && summary.statistics.messages != 0) {
        return why = "it has no chunk index (it is not chunked)", false;
    }
    if (summary.statistics.chunks != summary.chunks) {
        return why = "its Statistics count " + std::to_string(summary.statistics.chunks) +
                     " chunks and its summary indexes " + std::to_string(summary.chunks),
               false;
    }
    return true;
}

// The log times of `channel`, chunk after chunk, from the MessageIndex records.
bool read_log_times(int file, const McapSummarySection& section, uint16_t channel,
                    McapSummary& summary, std::string& why) {
    uint64_t expected = 0;
    for (const auto& [id, count] : summary.statistics.channel_messages) {
        if (id == channel) expected = count;
    }
    summary.log_times.reserve(std::min(expected, section.file_size / 16));
    std::vector<std::pair<uint64_t, uint64_t>> pairs;
    std::string bytes;
    uint8_t opcode = 0;
    McapFields content;
    McapChunkIndex index;
    for (size_t at = 0; record_at(section.bytes.data(), section.bytes.size(), at, opcode, content);
         at += MCAP_RECORD_HEAD + content.size) {
        if (opcode != MCAP_CHUNK_INDEX || !read_chunk_index(content, channel, index) ||
            index.index_offset == 0) {
            continue;
        }
        const uint64_t end = index.offset + index.length;  // checked by read_records()
        if (index.index_offset < end || index.index_length > section.start - end ||
            index.index_offset > end + index.index_length ||
            !read_times(file, index.index_offset, end + index.index_length - index.index_offset,
                        channel, bytes, pairs, summary.log_times)) {
            return why = "the message index at byte " + std::to_string(index.index_offset) +
                         " does not read",
                   false;
        }
    }
    if (summary.log_times.size() != expected) {
        return why = "its message indexes hold " + std::to_string(summary.log_times.size()) +
                     " of the " + std::to_string(expected) + " messages on channel " +
                     std::to_string(channel),
               false;
    }
    return true;
}

bool read_summary(const std::string& path, std::optional<uint16_t> times_of, McapSummary& summary,
                  std::string& why) {
    summary = McapSummary{};
    const OwnedFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.is_open()) return why = std::strerror(errno), false;
    std::string magic;
    if (!read_at(file.get(), 0, MCAP_MAGIC_SIZE, magic) ||
        magic.compare(0, MCAP_MAGIC_SIZE, MCAP_MAGIC, MCAP_MAGIC_SIZE) != 0) {
        return why = "it is not an MCAP file (no MCAP magic at its start)", false;
    }
    if (!read_library(file.get(), summary)) return why = "its Header does not read", false;
    McapSummarySection section;
    if (!read_summary_section(file.get(), section, why)) return false;
    summary.file_size = section.file_size;
    return read_records(file.get(), section, times_of.value_or(0), summary, why) &&
           (!times_of || read_log_times(file.get(), section, *times_of, summary, why));
}

}  // namespace

bool read_mcap_summary(const std::string& path, std::optional<uint16_t> times_of,
                       McapSummary& summary, std::string& why) {
    try {
        return read_summary(path, times_of, summary, why);
    } catch (const std::bad_alloc&) {
        return why = "its summary does not fit in memory", false;
    }
}
