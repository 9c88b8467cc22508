// Reading an MCAP file (mcap_format.h) from its start, record by record, as a
// streaming reader does: the Schemas and Channels as they come, each Message
// handed out, unknown records skipped. A file cut by a kill or a power loss
// is read up to its last whole record, and where it was cut is told; nothing
// beyond the cut is ever handed out. The file may come from anywhere: a
// record longer than 16 MiB, a Schema with the id 0, a Channel before its
// Schema or a Message before its Channel is refused (BAD, with why()), and
// no more than one record is held at a time.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files/file_writing.h"

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
    std::vector<std::pair<std::string, std::string>> metadata;
};

struct McapMessage {
    uint16_t channel_id = 0;
    uint32_t sequence = 0;
    uint64_t log_time = 0;
    uint64_t publish_time = 0;
    std::string data;
};

class McapReader {
  public:
    enum Next {
        MESSAGE,  // `message` holds the next one
        END,      // the Footer and the closing magic: the file is whole
        CUT,      // the file ends within a record or before its Footer
        BAD,      // not MCAP, or a record that does not read (why())
    };

    // Open `path` and check its opening magic. False, with why() set, when
    // it is not an MCAP file that can be read.
    bool open(const std::string& path);

    // The next message; the records before it are taken in on the way.
    Next next(McapMessage& message);

    const std::vector<McapSchema>& schemas() const { return schemas_; }
    const std::vector<McapChannel>& channels() const { return channels_; }

    // Where the last whole record ended: the length the file can be read to.
    uint64_t whole_bytes() const { return whole_; }
    const std::string& why() const { return why_; }

  private:
    // Make `size` bytes from the current position readable; false at the end.
    bool fill(size_t size);
    Next bad(const std::string& why);
    bool known_schema(uint16_t id) const;
    bool known_channel(uint16_t id) const;

    OwnedFd file_;
    std::string bytes_;  // read and not yet taken
    size_t at_ = 0;      // the current position in bytes_
    bool ended_ = false;
    uint64_t whole_ = 0;
    std::vector<McapSchema> schemas_;
    std::vector<McapChannel> channels_;
    std::string why_;
};
