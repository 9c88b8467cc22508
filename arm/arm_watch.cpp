#include "arm/arm_watch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "console/log.h"

namespace {

using Clock = std::chrono::steady_clock;

// A frame now held in the stream ends the wait for one.
FrameResult handed_out(ArmWatch& watch, FrameResult frame) {
    watch.link_deadline = Deadline::max();
    return frame;
}

}  // namespace

FrameResult next_report_frame(ArmWatch& watch) {
    FrameResult held = take_held_frame(watch.reports, watch.frame);
    if (held.kind != FrameResult::PENDING) return handed_out(watch, held);
    if (watch.link_deadline == Deadline::max()) {
        watch.link_deadline = Clock::now() + std::chrono::seconds(LINK_TIMEOUT_SECONDS);
    }
    for (;;) {
        put_out_lines(watch);
        watch.csv.write_due();
        if (watch.csv.failed()) return {FrameResult::FAILED, 0};  // the watch ends here
        const Deadline until =
            std::min({watch.link_deadline, watch.csv.next_due(), watch.redraw_due});
        pollfd ready[3] = {
            {watch.reports.link, POLLIN, 0}, {watch.keys, POLLIN, 0}, {watch.resizes, POLLIN, 0}};
        int polled = wait_until_ready(ready, 3, until);  // a descriptor of -1 is left alone
        if (polled < 0 && errno == EINTR && !interrupted()) continue;
        if (polled < 0) return {FrameResult::FAILED, 0};
        // A key or a resize comes first: a link that never stops bringing
        // reports must not keep q from ending the watch. What the link holds
        // waits for the next call.
        const bool silent_too_long = ready[0].revents == 0 && Clock::now() >= watch.link_deadline;
        watch.keys_ready = ready[1].revents != 0;
        watch.resized = ready[2].revents != 0;
        if (!silent_too_long && (watch.keys_ready || watch.resized)) {
            return {FrameResult::PENDING, 0};
        }
        if (ready[0].revents != 0) {
            FrameResult read = read_available(watch.reports);
            if (read.kind == FrameResult::CLOSED || read.kind == FrameResult::FAILED) return read;
            FrameResult frame = take_held_frame(watch.reports, watch.frame);
            if (frame.kind != FrameResult::PENDING) return handed_out(watch, frame);
        }
        if (silent_too_long) return {FrameResult::FAILED, 0};
        if (Clock::now() >= watch.redraw_due) return {FrameResult::PENDING, 0};
    }
}

bool put_out_lines(ArmWatch& watch) {
    return put_out(watch.held);
}
