#include "arm/arm_watch.h"

#include <algorithm>
#include <chrono>

#include "console/log.h"

FrameResult next_report_frame(ArmWatch& watch) {
    FrameResult held = take_held_frame(watch.reports, watch.frame);
    if (held.kind != FrameResult::PENDING) return held;
    const Deadline link_deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(LINK_TIMEOUT_SECONDS);
    for (;;) {
        put_out_lines(watch);
        watch.csv.write_due();
        if (watch.csv.failed()) return {FrameResult::FAILED, 0};  // the watch ends here
        const Deadline until = std::min(link_deadline, watch.csv.next_due());
        FrameResult received = receive_frame_until(watch.reports, watch.frame, until);
        if (received.kind != FrameResult::PENDING) return received;
        if (std::chrono::steady_clock::now() >= link_deadline) return {FrameResult::FAILED, 0};
    }
}

bool put_out_lines(ArmWatch& watch) {
    return put_out(watch.held);
}
