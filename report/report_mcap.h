// arm_monitor --record FILE, an output of the watch (report_output.h): every
// frame the arm sends, the frames that decode and those that do not, kept
// as an MCAP recording (mcap/) that robotics viewers open with every field
// decoded:
//
//   - one Schema: encoding protobuf, name MainArmStateMsg, and as data the
//     arm's schema as a binary FileDescriptorSet (proto/arm_descriptor.h);
//   - one Channel: topic /arm/state, message encoding
//     protobuf, and the metadata controller = ADDR:PORT;
//   - one Message per frame: its sequence from 1; its log time the wall clock
//     when the frame was complete, in ns; its publish time the same (the
//     report's own timestamp stays inside it, in the controller's unit); its
//     data the payload exactly as received, without the 4-byte length.
//
// Written as the frames come, like the CSV (files/batched_file.h): on the
// disk within a second, whole records only, never all held in memory; the
// watch's end, however it ends short of SIGKILL, finishes the file with its
// summary and Footer, and says what it holds ("N reports in FILE"). The file
// is chunked, compressed and indexed (mcap/mcap_writer.h), and created new,
// never over another. A failed write ends the watch.
#pragma once

#include <cstdint>
#include <string>

#include "mcap/mcap_writer.h"
#include "report/report_output.h"

class ReportRecording : public ReportOutput {
  public:
    // Lines (a failed write, what the file holds) go into `held`.
    explicit ReportRecording(std::string& held) : held_(held) {}
    ~ReportRecording() override { file_.finish(); }

    // Create `path` for the reports of the controller at `controller`
    // ("ADDR:PORT"), written by `library` ("vostrel 1.2.0"), its chunks
    // compressed with `compression`. False, with an ERROR line naming the
    // file and the reason, when it cannot.
    bool create(const std::string& path, const std::string& controller, const std::string& library,
                McapCompression compression);

    // Each frame, header included, complete at frame.complete_at_wall_us.
    void frame(const FrameBuffer& bytes, const FrameResult& frame) override;
    // Those that do not decode are counted: the file's Metadata "vostrel"
    // holds {"undecodable": N} (UNDECODABLE_KEY), so that --info tells them
    // without decoding the reports.
    void bad_frame(const FrameBuffer&, const FrameResult&, Unpacked) override { ++undecodable_; }

    void write_due() override { file_.write_due(); }
    Deadline next_due() const override { return file_.next_due(); }
    WatchEnd::Reason end() const override;

    // Finish the file: "N reports in FILE", or an ERROR line when a write
    // failed (false).
    bool finish() override;

    // Close and remove the file (nothing was recorded in it).
    void discard() { file_.discard(); }

  private:
    std::string& held_;
    std::string path_;
    McapRecording file_;
    uint64_t frames_ = 0;
    uint64_t undecodable_ = 0;
};

// The Metadata record of a recording of the arm's reports: its name, and the
// key of the count of frames that did not decode.
extern const char RECORDING_METADATA[];  // "vostrel"
extern const char UNDECODABLE_KEY[];     // "undecodable"
