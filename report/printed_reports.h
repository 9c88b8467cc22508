// The plain monitor's output: for each frame the "rev len" line, then the
// report's lines (arm_report.h) or, for a frame that does not decode, its
// error lines; at the end of a link, its "rev len" line (0 when the arm
// closed it, -1 when it fell silent or failed) or the line that says the
// framing was lost. All of it goes into the watch's held lines.
#pragma once

#include <string>

#include "report/report_output.h"

// Log "report stream lost its framing; no later report can be read." (into
// `held` when given).
void log_framing_lost(std::string* held);

// The lines of a link's end (into `held` when given): the framing lost, or
// its "rev len" (0 when the arm closed it, -1 when it fell silent or failed).
void log_link_end(const WatchEnd& end, std::string* held);

class PrintedReports : public ReportOutput {
  public:
    explicit PrintedReports(std::string& held) : held_(held) {}

    void report(const ArmReport& report, const FrameResult& frame) override;
    void bad_frame(const FrameBuffer& bytes, const FrameResult& frame, Unpacked why) override;
    void link_lost(WatchEnd::Reason why) override { log_link_end({why}, &held_); }
    void leave(const WatchEnd& end) override { log_link_end(end, &held_); }

  private:
    std::string& held_;
};
