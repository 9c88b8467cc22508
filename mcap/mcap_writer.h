// An MCAP recording of one channel (mcap_format.h), written as its messages
// come, in chunks: the chunk open in memory holds the Schema, the Channel
// and the messages of at most CHUNK_SECONDS (from its first message) or
// CHUNK_BYTES of records, whichever comes first; closed, it is compressed as
// one block, followed by the index of its messages, and handed to the file
// (files/batched_file.h: written within a quarter of a second, synced within
// a second, whole records only). Every chunk can be read alone, and a file
// cut by a kill holds every chunk closed before its last sync: a kill loses
// the open chunk and what was not synced, at most about two seconds.
//
// finish() closes the open chunk and ends the file: the Metadata given by
// set_metadata() if any, DataEnd, then the summary (the Schema, the Channel,
// a ChunkIndex for each chunk, the Statistics, the MetadataIndex), the
// SummaryOffsets of its groups and the Footer that points at it. Memory stays
// that of one chunk and its compressed copy, and a few dozen bytes per chunk
// for the summary.
//
//     McapRecording recording;
//     recording.create("arm.mcap", {"MainArmStateMsg", DESCRIPTOR_SET, "/arm/state",
//                                   {{"controller", "127.0.0.1:8006"}}, "vostrel 1.2.0"});
//     recording.add(log_time_ns, payload, payload_size);   // for each message
//     recording.write_due();                               // when next_due() comes
//     recording.set_metadata("vostrel", {{"undecodable", "0"}});
//     recording.finish();
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "files/batched_file.h"
#include "mcap/mcap_chunk.h"

constexpr size_t CHUNK_BYTES = 768u << 10;
constexpr std::chrono::seconds CHUNK_SECONDS{1};

using McapEntries = std::vector<std::pair<std::string, std::string>>;

// The one channel of a recording and its schema, both in protobuf.
struct McapChannelInfo {
    std::string schema_name;  // "MainArmStateMsg"
    std::string schema_data;  // the binary FileDescriptorSet of its .proto
    std::string topic;        // "/arm/state"
    McapEntries metadata;
    std::string library;  // the Header's: "vostrel 1.2.0"
};

class McapRecording {
  public:
    using Deadline = BatchedFile::Deadline;

    // Create `path` (a new file) and write the magic and the Header to it.
    // False, errno set, when it cannot.
    bool create(const std::string& path, const McapChannelInfo& channel,
                McapCompression compression = McapCompression::ZSTD);
    bool is_open() const { return file_.is_open(); }

    // One message, numbered from 1, its publish time its log time.
    void add(uint64_t log_time_ns, const uint8_t* data, size_t size);

    // The one Metadata record finish() writes (none unless set).
    void set_metadata(std::string name, McapEntries entries);

    // Close the open chunk when its time has come (at `now`), then write and
    // sync what is due by then.
    void write_due(Deadline now = std::chrono::steady_clock::now());
    Deadline next_due() const;
    bool failed() const { return file_.failed(); }
    int error() const { return file_.error(); }

    uint64_t messages() const { return messages_; }
    uint64_t chunks() const { return chunks_.size(); }

    // Close the open chunk; the Metadata, DataEnd, the summary, the Footer and
    // the closing magic, written and synced; false once a write failed.
    bool finish();

    // Close and remove the file (nothing was recorded in it).
    void discard() { file_.discard(); }

  private:
    void close_chunk();
    void add_bytes(const char* bytes, size_t size);
    void add_bytes(const std::string& bytes) { add_bytes(bytes.data(), bytes.size()); }
    uint64_t add_group(McapOpcode opcode, uint64_t start);
    std::string statistics() const;

    BatchedFile file_;
    McapCompression compression_ = McapCompression::ZSTD;
    std::string schema_, channel_;  // their records
    std::string opening_;           // both: what each chunk begins with
    uint64_t written_ = 0;          // bytes handed to the file so far
    uint64_t messages_ = 0;
    uint64_t first_ns_ = 0, last_ns_ = 0;
    McapChunk chunk_;
    Deadline chunk_due_ = Deadline::max();  // when the open chunk closes by time
    std::deque<McapChunkEntry> chunks_;     // grown a block at a time, never copied
    std::string bytes_;                     // a record of the summary being formed
    std::string metadata_name_;
    McapEntries metadata_;
    bool has_metadata_ = false;
    std::string groups_;  // the SummaryOffset records
};
