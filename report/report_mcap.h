// arm_monitor --record FILE: every frame the arm sends, the frames that
// decode and those that do not, kept as an MCAP recording (mcap/) that
// robotics viewers open with every field decoded:
//
//   - one Schema: encoding protobuf, name MainArmStateMsg, and as data the
//     arm's schema as a binary FileDescriptorSet (proto/arm_descriptor.h);
//   - one Channel: topic /arm/state, message encoding protobuf, and the
//     metadata controller = ADDR:PORT;
//   - one Message per frame: its sequence from 1; its log time the wall clock
//     when the frame was complete, in ns; its publish time the same (the
//     report's own timestamp stays inside it, in the controller's unit); its
//     data the payload exactly as received, without the 4-byte length.
//
// Written as the frames come, like the CSV (files/batched_file.h): on the
// disk within a second, whole records only, never all held in memory; the
// watch's end, however it ends short of SIGKILL, finishes the file with its
// summary and Footer. The file is created new, never over another.
#pragma once

#include <cstdint>
#include <string>

#include "link/frame.h"
#include "mcap/mcap_writer.h"

class ReportRecording {
  public:
    using Deadline = McapRecording::Deadline;

    ~ReportRecording();

    // Create `path` for the reports of the controller at `controller`
    // ("ADDR:PORT"), written by `library` ("vostrel 1.2.0"). False, with an
    // ERROR line naming the file and the reason, when it cannot.
    bool create(const std::string& path, const std::string& controller, const std::string& library);
    bool is_open() const { return file_.is_open(); }

    // One frame of `length` bytes, header included, complete at `received_us`.
    void add(const FrameBuffer& frame, size_t length, int64_t received_us);

    void write_due() { file_.write_due(); }
    Deadline next_due() const { return file_.next_due(); }
    bool failed() const { return file_.failed(); }

    // Finish the file. False, with an ERROR line (into `held` when given),
    // when a write failed.
    bool finish(std::string* held = nullptr);

    // Close and remove the file (nothing was recorded in it).
    void discard() { file_.discard(); }

  private:
    std::string path_;
    McapRecording file_;
};
