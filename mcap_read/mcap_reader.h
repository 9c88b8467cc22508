// Reading an MCAP file (mcap/mcap_format.h) from its start, record by
// record, as a streaming reader does: the Schemas and Channels as they come
// (each id once: a repeated one is left out), each Message handed out in the
// file's order, unknown records skipped. A Chunk is decompressed when it is
// reached, one at a time, and its records are taken as those outside a chunk
// are; chunked and unchunked files, zstd, lz4 or uncompressed chunks, read
// alike.
//
// A file cut by a kill or a power loss is read up to its last whole record
// (for a recording, its last whole chunk), and where it was cut is told;
// nothing beyond the cut is ever handed out. A chunk that does not decompress
// or does not match its CRC ends the read there in the same way (CUT, why()
// naming the chunk's offset). The file may come from anywhere, and what
// cannot be read is refused (BAD, with why()): a record longer than 16 MiB,
// a chunk that claims more than LARGEST_BLOCK of records or holds more than
// it claims (refused before anything is allocated for it), an unknown
// compression, records within a chunk that do not read, a Schema with the id
// 0, a Channel before its Schema or a Message before its Channel. No more
// than one record or one chunk is held at a time.
//
// seek() enters the file at a moment, through the summary's ChunkIndex
// records when the file is whole, else by walking the records from the start
// and stepping over each chunk that ends before that moment without
// decompressing it; an index that does not hold is not followed.
//
//     McapReader reader;
//     if (!reader.open(path)) fail(reader.why());
//     reader.seek(log_time_ns);        // optional
//     McapMessage message;
//     while (reader.next(message) == McapReader::MESSAGE) use(message);
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mcap_read/file_window.h"
#include "mcap_read/mcap_records.h"

class McapReader {
  public:
    enum Next {
        MESSAGE,  // `message` holds the next one
        END,      // the Footer and the closing magic: the file is whole
        CUT,      // the file ends within a record or before its Footer, or a chunk is damaged
        BAD,      // not MCAP, or a record that does not read (why())
    };

    // Open `path` and check its opening magic. False, with why() set, when
    // it is not an MCAP file that can be read.
    bool open(const std::string& path);

    // The next message; the records before it are taken in on the way.
    Next next(McapMessage& message);

    // From now on, next() hands out the messages from the first one logged
    // at or after `log_time_ns`, without reading the chunks that end before
    // it; the Schemas and Channels are known once that message is. False,
    // with why(), when the file cannot be entered again (not a regular file).
    bool seek(uint64_t log_time_ns);

    const std::vector<McapSchema>& schemas() const { return schemas_; }
    const std::vector<McapChannel>& channels() const { return channels_; }

    // The Header's library (the writer's name and version), once read.
    const std::string& library() const { return library_; }

    // Where the last whole record ended: the length the file can be read to.
    uint64_t whole_bytes() const { return whole_; }
    const std::string& why() const { return why_; }

  private:
    enum Taken { HAND_OUT, GO_ON, REFUSED };

    Next read_on(McapMessage& message);
    // A record in or outside a chunk.
    Taken take_record(uint8_t opcode, McapFields content, McapMessage& message);
    Taken refuse(const std::string& why);
    // The Chunk whose head is at the position; false when the read stops.
    bool take_chunk(uint64_t length, Next& stopped);
    bool move_to(uint64_t offset);
    Next stop(Next next, const std::string& why);
    bool known_schema(uint16_t id) const;
    bool known_channel(uint16_t id) const;

    FileWindow file_;
    uint64_t file_size_ = 0;  // when seek() was called
    uint64_t whole_ = 0;
    std::string chunk_;    // the records of the chunk being read
    size_t chunk_at_ = 0;  // the next of them
    uint64_t chunk_offset_ = 0;
    std::vector<McapSchema> schemas_;
    std::vector<McapChannel> channels_;
    std::string library_;
    McapSchema schema_;  // the record being read
    McapChannel channel_;
    uint64_t from_ns_ = 0;   // after seek(): the messages before it are passed over
    bool seeking_ = false;   // until the first message from from_ns_ on
    bool stepping_ = false;  // chunks that end before from_ns_ are stepped over
    bool stepped_ = false;   // ... and were: their Schemas and Channels unread
    std::string why_;
};
