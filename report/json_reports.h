// arm_monitor --json: instead of each report's lines, one JSON object per
// frame on its own line (JSON Lines), an output of the watch
// (report_output.h):
//
//     {"receiveTimeNs":"1796740442079978000","report":{"angles":{"angle":[0.5]},"timestamp":"5"}}
//     {"receiveTimeNs":"1796740442081012000","error":"pb_decode failed","hex":"0000000208ff"}
//
// receiveTimeNs is when the frame was complete, as a recording's log time;
// the report is in the protobuf JSON mapping (protojson/json_writer.h); a
// frame that does not decode gives why ("msg size err", "pb_decode failed",
// "the framing was lost") and its bytes as hex, header included. The lines
// go to standard output, the console (and the log lines of the other
// outputs) to standard error. A string that is not UTF-8 is written with its
// bad bytes replaced, and a log line says so.
#pragma once

#include <string>

#include "report/printed_reports.h"
#include "report/report_output.h"

class JsonReports : public ReportOutput {
  public:
    // The JSON lines go into `held`, the log lines into `notes`.
    JsonReports(std::string& held, std::string& notes) : held_(held), notes_(notes) {}

    void report(const ArmReport& report, const FrameResult& frame) override;
    void bad_frame(const FrameBuffer& bytes, const FrameResult& frame, Unpacked why) override;
    // The link's end, as the plain monitor logs it, on the console.
    void link_lost(WatchEnd::Reason why) override { log_link_end({why}, &notes_); }
    void leave(const WatchEnd& end) override { log_link_end(end, &notes_); }

  private:
    std::string& held_;
    std::string& notes_;
};
