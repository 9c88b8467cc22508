// arm_monitor --stats: instead of each report's lines, one line a second and
// a summary at the end, an output of the watch (report_output.h):
//
//     [INFO] 1000.0 reports/s  interval ms min 0.912 mean 1.000 max 1.094 sd 0.021
//            timestamp ms min 1.000 mean 1.000 max 1.000 sd 0.000  gaps 0
//            undecodable 0  141.2 KB/s                                 (one line)
//     [INFO] stats: 11998 reports in 12.0 s, 999.8 reports/s  interval ms ...
//            timestamp ms ...  gaps 1, the longest 250.3 ms at 2026-12-10
//            14:23:57.123  undecodable 0  141.2 KB/s                   (one line)
//
// - the rate: the reports of that second (of the whole watch at the end);
// - "interval": the time between two reports' frames as they came
//   (receive times, the host's steady clock), min, mean, max and standard
//   deviation in ms ("-" without two reports);
// - "timestamp": the same of the reports' own timestamp field, the
//   controller's clock, in its unit (ms);
// - "gaps": intervals longer than 3x the median of the last 1000, and at the
//   end the longest, with when it ended;
// - the frames that did not decode, and the bytes of all frames per second.
//
// With --live the view shows the gaps instead of the lines a second, and the
// summary comes after the view. A lost link (--reconnect) breaks the
// intervals: the first report after it starts them again.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "report/report_output.h"
#include "watch/stream_stats.h"

// What one span (a second, or the whole watch) counted.
struct StatsSpan {
    uint64_t reports = 0, undecodable = 0, bytes = 0;
    IntervalTally received, stamped;
};

class StatsOutput : public ReportOutput {
  public:
    // Lines go into `held`; `quiet`: no line a second (the live view shows them).
    StatsOutput(std::string& held, bool quiet);

    const GapWatch& gaps() const { return gaps_; }

    void frame(const FrameBuffer&, const FrameResult& frame) override;
    void report(const ArmReport& report, const FrameResult& frame) override;
    void bad_frame(const FrameBuffer&, const FrameResult&, Unpacked) override;
    void link_lost(WatchEnd::Reason) override { first_ = true; }
    void write_due() override;
    Deadline next_due() const override { return next_line_; }
    void sum_up(const WatchEnd&) override;

  private:
    std::string& held_;
    bool quiet_;
    std::chrono::steady_clock::time_point started_, second_started_;
    Deadline next_line_;
    StatsSpan second_, whole_;
    GapWatch gaps_;
    uint64_t gaps_before_ = 0;  // the gaps counted before this second
    bool first_ = true;         // no report yet (on this link)
    std::chrono::steady_clock::time_point last_at_{};
    int64_t last_stamp_ = 0;
};
