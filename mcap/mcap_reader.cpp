#include "mcap/mcap_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mcap/mcap_format.h"

namespace {

// The most a record may hold: a message is a frame of at most 1 KiB and a
// schema a few; anything near this is a damaged length.
constexpr uint64_t LARGEST_RECORD = 16u << 20;

// The fields of one record's content, read in order; `ok` turns false at the
// first that does not fit.
struct Fields {
    const std::string& content;
    size_t at = 0;
    bool ok = true;

    uint64_t number(size_t size) {
        if (!ok || content.size() - at < size) return ok = false, 0;
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i) {
            value |= static_cast<uint64_t>(static_cast<unsigned char>(content[at + i])) << (8 * i);
        }
        at += size;
        return value;
    }
    std::string text() {
        const uint64_t size = number(4);
        if (!ok || content.size() - at < size) return ok = false, "";
        std::string value = content.substr(at, size);
        at += size;
        return value;
    }
};

}  // namespace

bool McapReader::open(const std::string& path) {
    file_ = OwnedFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file_.is_open()) return bad(std::strerror(errno)), false;
    if (!fill(MCAP_MAGIC_SIZE) ||
        bytes_.compare(0, MCAP_MAGIC_SIZE, MCAP_MAGIC, MCAP_MAGIC_SIZE) != 0) {
        return bad("it is not an MCAP file (no MCAP magic at its start)"), false;
    }
    at_ = MCAP_MAGIC_SIZE;
    whole_ = MCAP_MAGIC_SIZE;
    return true;
}

bool McapReader::fill(size_t size) {
    if (at_ > 0 && at_ >= bytes_.size() / 2) {
        bytes_.erase(0, at_);
        at_ = 0;
    }
    char chunk[65536];
    while (bytes_.size() - at_ < size && !ended_) {
        const ssize_t n = read(file_.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ended_ = true;
            break;
        }
        bytes_.append(chunk, static_cast<size_t>(n));
    }
    return bytes_.size() - at_ >= size;
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

McapReader::Next McapReader::bad(const std::string& why) {
    why_ = why;
    return BAD;
}

McapReader::Next McapReader::next(McapMessage& message) {
    for (;;) {
        if (!fill(MCAP_RECORD_HEAD)) return CUT;
        const uint8_t opcode = static_cast<uint8_t>(bytes_[at_]);
        uint64_t length = 0;
        for (size_t i = 0; i < 8; ++i) {
            length |= static_cast<uint64_t>(static_cast<unsigned char>(bytes_[at_ + 1 + i]))
                      << (8 * i);
        }
        if (length > LARGEST_RECORD) {
            return bad("the record at byte " + std::to_string(whole_) + " claims " +
                       std::to_string(length) + " bytes");
        }
        if (!fill(MCAP_RECORD_HEAD + length)) return CUT;
        const std::string content = bytes_.substr(at_ + MCAP_RECORD_HEAD, length);
        at_ += MCAP_RECORD_HEAD + length;
        Fields fields{content};
        if (opcode == MCAP_FOOTER) {
            if (!fill(MCAP_MAGIC_SIZE)) return CUT;
            if (bytes_.compare(at_, MCAP_MAGIC_SIZE, MCAP_MAGIC, MCAP_MAGIC_SIZE) != 0) {
                return bad("no closing magic after the Footer");
            }
            whole_ += MCAP_RECORD_HEAD + length + MCAP_MAGIC_SIZE;
            return END;
        }
        whole_ += MCAP_RECORD_HEAD + length;
        if (opcode == MCAP_SCHEMA) {
            McapSchema schema;
            schema.id = static_cast<uint16_t>(fields.number(2));
            schema.name = fields.text();
            schema.encoding = fields.text();
            schema.data = fields.text();
            if (!fields.ok) return bad("a Schema record does not read");
            if (schema.id == 0) return bad("a Schema record has the id 0");
            schemas_.push_back(schema);
        } else if (opcode == MCAP_CHANNEL) {
            McapChannel channel;
            channel.id = static_cast<uint16_t>(fields.number(2));
            channel.schema_id = static_cast<uint16_t>(fields.number(2));
            channel.topic = fields.text();
            channel.message_encoding = fields.text();
            const std::string map = fields.text();
            for (Fields entry{map}; entry.ok && entry.at < map.size();) {
                std::string key = entry.text(), value = entry.text();
                if (entry.ok) channel.metadata.emplace_back(key, value);
            }
            if (!fields.ok) return bad("a Channel record does not read");
            if (channel.schema_id != 0 && !known_schema(channel.schema_id)) {
                return bad("a Channel names schema " + std::to_string(channel.schema_id) +
                           " before its Schema");
            }
            channels_.push_back(channel);
        } else if (opcode == MCAP_MESSAGE) {
            message.channel_id = static_cast<uint16_t>(fields.number(2));
            message.sequence = static_cast<uint32_t>(fields.number(4));
            message.log_time = fields.number(8);
            message.publish_time = fields.number(8);
            if (!fields.ok) return bad("a Message record does not read");
            if (!known_channel(message.channel_id)) {
                return bad("a Message on channel " + std::to_string(message.channel_id) +
                           " comes before its Channel");
            }
            message.data = content.substr(fields.at);
            return MESSAGE;
        }
    }
}
