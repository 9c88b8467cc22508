#include "report/printed_reports.h"

#include "console/log.h"
#include "link/frame_exchange.h"

void PrintedReports::report(const ArmReport& report, const FrameResult& frame) {
    log_received(frame, &held_);
    print_report(report, &held_);
}

void PrintedReports::bad_frame(const FrameBuffer& bytes, const FrameResult& frame, Unpacked why) {
    log_received(frame, &held_);
    log_undecoded(why, bytes, frame.length, ARM_FRAME, &held_);
}

void log_link_end(const WatchEnd& end, std::string* held) {
    if (end.reason == WatchEnd::FRAMING_LOST) log_framing_lost(held);
    if (is_link_end(end.reason)) log_received(link_end_result(end.reason), held);
}

void log_framing_lost(std::string* held) {
    log_to(held, "ERROR", "%s\n", "report stream lost its framing; no later report can be read.");
}
