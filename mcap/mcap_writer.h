// An MCAP recording of one channel (mcap_format.h), written as its messages
// come, in batches (files/batched_file.h): never all held in memory, on the
// disk within a second, whole records only. finish() ends it with DataEnd,
// a summary section (the Schema, the Channel and one Statistics: the count
// and the first and last times) and the Footer that points at it.
//
//     McapRecording recording;
//     recording.create("arm.mcap", {"MainArmStateMsg", DESCRIPTOR_SET, "/arm/state",
//                                   {{"controller", "127.0.0.1:8006"}}, "vostrel 1.2.0"});
//     recording.add(log_time_ns, payload, payload_size);   // for each message
//     recording.finish();
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "files/batched_file.h"

// The one channel of a recording and its schema, both in protobuf.
struct McapChannelInfo {
    std::string schema_name;  // "MainArmStateMsg"
    std::string schema_data;  // the binary FileDescriptorSet of its .proto
    std::string topic;        // "/arm/state"
    std::vector<std::pair<std::string, std::string>> metadata;
    std::string library;  // the Header's: "vostrel 1.2.0"
};

class McapRecording {
  public:
    using Deadline = BatchedFile::Deadline;

    // Create `path` (a new file) and write the magic, the Header, the Schema
    // and the Channel to it. False, errno set, when it cannot.
    bool create(const std::string& path, const McapChannelInfo& channel);
    bool is_open() const { return file_.is_open(); }

    // One message, numbered from 1, its publish time its log time.
    void add(uint64_t log_time_ns, const uint8_t* data, size_t size);

    void write_due() { file_.write_due(); }
    Deadline next_due() const { return file_.next_due(); }
    bool failed() const { return file_.failed(); }
    int error() const { return file_.error(); }

    // DataEnd, the summary, the Footer and the closing magic, written and
    // synced; false once a write failed.
    bool finish();

    // Close and remove the file (nothing was recorded in it).
    void discard() { file_.discard(); }

  private:
    void add_record(const std::string& record);

    BatchedFile file_;
    McapChannelInfo channel_;
    uint64_t written_ = 0;  // bytes of the records added so far
    uint32_t messages_ = 0;
    uint64_t first_ns_ = 0, last_ns_ = 0;
    std::string record_;  // the message being formed
};
