#include "mcap_read/mcap_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "mcap_read/mcap_file_end.h"

namespace {

// The most a record outside a chunk may hold: a message is a frame of at
// most 1 KiB and a schema a few; anything near this is a damaged length.
constexpr uint64_t LARGEST_RECORD = 16u << 20;
// A Chunk's fields before its records (with an empty compression name), and
// the most its compressed records may take.
constexpr uint64_t CHUNK_FIELDS = 8 + 8 + 8 + 4 + 4 + 8;
constexpr uint64_t LARGEST_CHUNK = LARGEST_BLOCK + (1u << 20);

std::string chunk_at(uint64_t offset) {
    return "the chunk at byte " + std::to_string(offset);
}

// A name from the file, safe to print: printable ASCII, at most 40 bytes.
std::string shown(const std::string& name) {
    std::string text = name.substr(0, 40);
    for (char& c : text) {
        if (c < 0x20 || c > 0x7e) c = '?';
    }
    return text;
}

}  // namespace

bool McapReader::open(const std::string& path) {
    if (!file_.open(path)) return stop(BAD, std::strerror(errno)), false;
    if (!file_.fill(MCAP_MAGIC_SIZE) ||
        std::memcmp(file_.here(), MCAP_MAGIC, MCAP_MAGIC_SIZE) != 0) {
        return stop(BAD, "it is not an MCAP file (no MCAP magic at its start)"), false;
    }
    file_.take(MCAP_MAGIC_SIZE);
    whole_ = MCAP_MAGIC_SIZE;
    return true;
}

bool McapReader::move_to(uint64_t offset) {
    if (!file_.move_to(offset)) return false;
    whole_ = offset;
    chunk_.clear();
    chunk_at_ = 0;
    return true;
}

bool McapReader::known_schema(uint16_t id) const {
    for (const McapSchema& schema : schemas_) {
        if (schema.id == id) return true;
    }
    return false;
}

bool McapReader::known_channel(uint16_t id) const {
    for (const McapChannel& channel : channels_) {
        if (channel.id == id) return true;
    }
    return false;
}

McapReader::Next McapReader::stop(Next next, const std::string& why) {
    why_ = why;
    return next;
}

McapReader::Next McapReader::next(McapMessage& message) {
    try {
        return read_on(message);
    } catch (const std::bad_alloc&) {
        chunk_.clear();
        return stop(BAD,
                    "the record at byte " + std::to_string(whole_) + " does not fit in memory");
    }
}

McapReader::Next McapReader::read_on(McapMessage& message) {
    for (;;) {
        uint8_t opcode = 0;
        McapFields content;
        Taken taken = GO_ON;
        if (chunk_at_ < chunk_.size()) {
            if (!record_at(chunk_.data(), chunk_.size(), chunk_at_, opcode, content)) {
                chunk_.clear();
                return stop(BAD, chunk_at(chunk_offset_) + " holds a record that does not read");
            }
            chunk_at_ += MCAP_RECORD_HEAD + content.size;
            taken = take_record(opcode, content, message);
        } else {
            if (!file_.fill(MCAP_RECORD_HEAD)) return CUT;
            McapFields head{file_.here(), MCAP_RECORD_HEAD, 0, true};
            opcode = static_cast<uint8_t>(head.number(1));
            const uint64_t length = head.number(8);
            if (opcode == MCAP_CHUNK) {
                Next stopped = CUT;
                if (!take_chunk(length, stopped)) return stopped;
                continue;
            }
            if (length > LARGEST_RECORD) {
                return stop(BAD, "the record at byte " + std::to_string(whole_) + " claims " +
                                     std::to_string(length) + " bytes");
            }
            if (!file_.fill(MCAP_RECORD_HEAD + length)) return CUT;
            content = McapFields{file_.here() + MCAP_RECORD_HEAD, length, 0, true};
            file_.take(MCAP_RECORD_HEAD + length);
            if (opcode == MCAP_FOOTER) {
                if (!file_.fill(MCAP_MAGIC_SIZE)) return CUT;
                if (std::memcmp(file_.here(), MCAP_MAGIC, MCAP_MAGIC_SIZE) != 0) {
                    return stop(BAD, "no closing magic after the Footer");
                }
                whole_ += MCAP_RECORD_HEAD + length + MCAP_MAGIC_SIZE;
                return END;
            }
            whole_ += MCAP_RECORD_HEAD + length;
            taken = take_record(opcode, content, message);
        }
        if (taken == HAND_OUT) return MESSAGE;
        if (taken == REFUSED) return BAD;
    }
}

McapReader::Taken McapReader::refuse(const std::string& why) {
    // Chunks stepped over by seek() may hold what this record needs: read
    // again from the start, stepping over nothing.
    if (stepped_ && seeking_ && move_to(MCAP_MAGIC_SIZE)) {
        stepping_ = stepped_ = false;
        return GO_ON;
    }
    chunk_.clear();
    why_ = why;
    return REFUSED;
}

McapReader::Taken McapReader::take_record(uint8_t opcode, McapFields content,
                                          McapMessage& message) {
    if (opcode == MCAP_HEADER) {
        content.text();  // the profile
        library_ = content.text();
    } else if (opcode == MCAP_SCHEMA) {
        if (!read_schema(content, schema_)) return refuse("a Schema record does not read");
        if (schema_.id == 0) return refuse("a Schema record has the id 0");
        if (!known_schema(schema_.id)) schemas_.push_back(schema_);
    } else if (opcode == MCAP_CHANNEL) {
        if (!read_channel(content, channel_)) return refuse("a Channel record does not read");
        if (channel_.schema_id != 0 && !known_schema(channel_.schema_id)) {
            return refuse("a Channel names schema " + std::to_string(channel_.schema_id) +
                          " before its Schema");
        }
        if (!known_channel(channel_.id)) channels_.push_back(channel_);
    } else if (opcode == MCAP_MESSAGE) {
        if (!read_message_head(content, message)) return refuse("a Message record does not read");
        if (!known_channel(message.channel_id)) {
            return refuse("a Message on channel " + std::to_string(message.channel_id) +
                          " comes before its Channel");
        }
        if (seeking_ && message.log_time < from_ns_) return GO_ON;
        seeking_ = false;
        message.data.assign(content.data + content.at, content.size - content.at);
        return HAND_OUT;
    }
    return GO_ON;
}

bool McapReader::take_chunk(uint64_t length, Next& stopped) {
    const uint64_t offset = whole_;
    if (length > LARGEST_CHUNK) {
        stopped = stop(BAD, "the record at byte " + std::to_string(offset) + " claims " +
                                std::to_string(length) + " bytes");
        return false;
    }
    if (length < CHUNK_FIELDS)
        return stopped = stop(BAD, chunk_at(offset) + " does not read"), false;
    if (!file_.fill(MCAP_RECORD_HEAD + 8 + 8 + 8)) return stopped = CUT, false;
    McapFields fixed{file_.here() + MCAP_RECORD_HEAD, 8 + 8 + 8, 0, true};
    fixed.number(8);
    const uint64_t last_ns = fixed.number(8), uncompressed = fixed.number(8);
    if (uncompressed > LARGEST_BLOCK) {
        stopped = stop(BAD, chunk_at(offset) + " claims " + std::to_string(uncompressed) +
                                " bytes of records");
        return false;
    }
    const uint64_t whole = MCAP_RECORD_HEAD + length;
    if (stepping_ && last_ns < from_ns_) {  // stepped over, unread
        if (file_size_ < offset || file_size_ - offset < whole) return stopped = CUT, false;
        if (!file_.step(whole)) return stopped = stop(BAD, std::strerror(errno)), false;
        whole_ += whole;
        stepped_ = true;
        return true;
    }
    if (!file_.fill(whole)) return stopped = CUT, false;
    McapChunkHead head;
    McapCompression compression = McapCompression::NONE;
    if (!read_chunk_head({file_.here() + MCAP_RECORD_HEAD, length, 0, true}, head)) {
        return stopped = stop(BAD, chunk_at(offset) + " does not read"), false;
    }
    if (!chunk_compression(head.compression, compression)) {
        stopped =
            stop(BAD, chunk_at(offset) + " has an unknown compression: " + shown(head.compression));
        return false;
    }
    const char* records = file_.here() + MCAP_RECORD_HEAD + head.records;
    const Decompressed made =
        decompress_block(compression, records, head.records_length, head.uncompressed, chunk_);
    if (made == Decompressed::PAST_SIZE) {
        chunk_.clear();
        stopped = stop(BAD, chunk_at(offset) + " holds more than the " +
                                std::to_string(head.uncompressed) + " bytes of records it claims");
        return false;
    }
    if (made != Decompressed::WHOLE) {
        chunk_.clear();
        return stopped = stop(CUT, chunk_at(offset) + " does not decompress"), false;
    }
    if (head.crc != 0 && crc32_of(chunk_.data(), chunk_.size()) != head.crc) {
        chunk_.clear();
        return stopped = stop(CUT, chunk_at(offset) + " does not match its CRC"), false;
    }
    file_.take(whole);
    whole_ += whole;
    chunk_at_ = 0;
    chunk_offset_ = offset;
    return true;
}

bool McapReader::seek(uint64_t log_time_ns) {
    struct stat status {};
    if (fstat(file_.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        why_ = "it cannot be entered at a moment: it is not a regular file";
        return false;
    }
    file_size_ = static_cast<uint64_t>(status.st_size);
    why_.clear();
    from_ns_ = log_time_ns;
    seeking_ = stepping_ = true;
    stepped_ = false;
    uint64_t offset = MCAP_MAGIC_SIZE;
    std::vector<McapSchema> schemas;
    std::vector<McapChannel> channels;
    if (enter_by_index(file_.get(), log_time_ns, offset, schemas, channels)) {
        for (const McapSchema& schema : schemas) {
            if (!known_schema(schema.id)) schemas_.push_back(schema);
        }
        for (const McapChannel& channel : channels) {
            const bool whole = channel.schema_id == 0 || known_schema(channel.schema_id);
            if (whole && !known_channel(channel.id)) channels_.push_back(channel);
        }
        stepped_ = offset > MCAP_MAGIC_SIZE;
    } else {
        offset = MCAP_MAGIC_SIZE;
    }
    if (!move_to(offset)) {
        why_ = std::strerror(errno);
        return false;
    }
    return true;
}
