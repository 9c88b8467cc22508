#include "arm/arm_watch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "console/interrupt.h"
#include "console/log.h"

namespace {

using Clock = std::chrono::steady_clock;

// What woke the watch.
enum class Wake {
    FRAME,  // a frame, or the bytes that lost the framing, in watch.frame
    CLOSED,
    SILENT,
    LINK_FAILED,
    KEYS,
    RESIZE,
    REDRAW,
    FILE_FAILED,
    OUTPUT_FAILED,
};

// A frame now held: the wait for one is over.
Wake taken(ArmWatch& watch, const FrameResult& held, FrameResult& frame) {
    watch.link_deadline = Deadline::max();
    frame = held;
    return Wake::FRAME;
}

// The next event: a frame held already, or else, once the held lines are out
// and the CSV rows that are due written, whatever comes first in the wait.
Wake next_wake(ArmWatch& watch, FrameResult& frame) {
    FrameResult held = take_held_frame(watch.reports, watch.frame);
    if (held.is_frame() || held.kind == FrameResult::FRAMING_LOST) {
        return taken(watch, held, frame);
    }
    if (watch.link_deadline == Deadline::max()) {
        watch.link_deadline = Clock::now() + std::chrono::seconds(LINK_TIMEOUT_SECONDS);
    }
    for (;;) {
        if (!put_out(watch.held)) return Wake::OUTPUT_FAILED;
        watch.csv.write_due();
        watch.record.write_due();
        if (watch.csv.failed() || watch.record.failed()) return Wake::FILE_FAILED;
        // While reports flow, the keyboard and the resizes are looked at
        // every KEYS_EVERY, not at every report: the terminal's poll is the
        // dearest part of a wait.
        const bool keys_too = Clock::now() >= watch.keys_due;
        const Deadline until =
            std::min({watch.link_deadline, watch.csv.next_due(), watch.record.next_due(),
                      watch.redraw_due, keys_too ? Deadline::max() : watch.keys_due});
        pollfd ready[3] = {{watch.reports.link, POLLIN, 0},
                           {keys_too ? watch.keys : -1, POLLIN, 0},
                           {keys_too ? watch.resizes : -1, POLLIN, 0}};
        int polled = wait_until_ready(ready, 3, until);  // a descriptor of -1 is left alone
        if (keys_too && polled > 0 && ready[0].revents != 0) {
            watch.keys_due = Clock::now() + KEYS_EVERY;
        }
        if (polled < 0 && errno == EINTR && !interrupted()) continue;
        if (polled < 0) return Wake::LINK_FAILED;  // the caller looks at the signal first
        const bool silent_too_long = ready[0].revents == 0 && Clock::now() >= watch.link_deadline;
        if (!silent_too_long && ready[1].revents != 0) return Wake::KEYS;
        if (!silent_too_long && ready[2].revents != 0) return Wake::RESIZE;
        if (ready[0].revents != 0) {
            ReadResult read = read_available(watch.reports);
            if (read.kind == ReadResult::CLOSED) return Wake::CLOSED;
            if (read.kind == ReadResult::FAILED) return Wake::LINK_FAILED;
            held = take_held_frame(watch.reports, watch.frame);
            if (held.kind != FrameResult::PENDING) return taken(watch, held, frame);
        }
        if (silent_too_long) return Wake::SILENT;
        if (Clock::now() >= watch.redraw_due) return Wake::REDRAW;
    }
}

// Decode the frame into the report that is not the latest, and hand it on.
Outcome take_frame(ArmWatch& watch, WatchConsumer& consumer, const FrameResult& frame) {
    watch.record.add(watch.frame, frame.length, frame.complete_at_wall_us);
    const int next = watch.latest == 0 ? 1 : 0;
    ArmReport& report = watch.decoded[next];
    const Unpacked why = decode_report(report, watch.frame, frame.length);
    if (why != Unpacked::DECODED) return consumer.bad_frame(watch.frame, frame, why);
    watch.latest = next;
    watch.csv.add(report, frame.complete_at_wall_us);
    return consumer.report(report, frame);
}

int end_watch(ArmWatch& watch, WatchConsumer& consumer, const WatchEnd& end) {
    consumer.leave(end);
    int status = end.status;
    const bool csv_written = watch.csv.finish(&watch.held);
    if (!(watch.record.finish(&watch.held) && csv_written) && status != STATUS_OUTPUT_FAILED) {
        status = STATUS_RECORD_FILE_FAILED;
    }
    if (!put_out(watch.held)) status = STATUS_OUTPUT_FAILED;
    consumer.sum_up(end, status);
    if (status == STATUS_OUTPUT_FAILED) {
        std::fputs("arm_monitor: standard output failed; the watch ends\n", stderr);
    }
    return status;
}

WatchEnd link_end(WatchEnd::Reason reason, FrameResult::Kind kind, int status = STATUS_OK) {
    return {reason, status, {kind, 0}};
}

}  // namespace

int run_watch(ArmWatch& watch, WatchConsumer& consumer) {
    for (;;) {
        FrameResult frame{FrameResult::PENDING, 0};
        const Wake wake = next_wake(watch, frame);
        if (interrupted())
            return end_watch(watch, consumer, {WatchEnd::INTERRUPTED, interrupt_status()});
        Outcome step = go_on();
        switch (wake) {
            case Wake::FRAME:
                step = take_frame(watch, consumer, frame);
                break;
            case Wake::CLOSED:
                return end_watch(watch, consumer, link_end(WatchEnd::CLOSED, FrameResult::CLOSED));
            case Wake::SILENT:
                return end_watch(watch, consumer, link_end(WatchEnd::SILENT, FrameResult::FAILED));
            case Wake::LINK_FAILED:
                return end_watch(watch, consumer,
                                 link_end(WatchEnd::LINK_FAILED, FrameResult::FAILED));
            case Wake::KEYS:
                step = consumer.keys();
                break;
            case Wake::RESIZE:
                step = consumer.resize();
                break;
            case Wake::REDRAW:
                step = consumer.redraw();
                break;
            case Wake::FILE_FAILED:
                return end_watch(watch, consumer,
                                 {WatchEnd::FILE_FAILED, STATUS_RECORD_FILE_FAILED});
            case Wake::OUTPUT_FAILED:
                return end_watch(watch, consumer, {WatchEnd::OUTPUT_FAILED, STATUS_OUTPUT_FAILED});
        }
        if (frame.kind == FrameResult::FRAMING_LOST) {
            return end_watch(watch, consumer,
                             {WatchEnd::FRAMING_LOST, STATUS_EXCHANGE_FAILED, frame});
        }
        if (!step.goes_on) return end_watch(watch, consumer, {WatchEnd::BY_CONSUMER, step.status});
        if (watch.csv.failed() || watch.record.failed()) {
            return end_watch(watch, consumer, {WatchEnd::FILE_FAILED, STATUS_RECORD_FILE_FAILED});
        }
        if (watch.held.size() >= HELD_LINES_LIMIT) put_out(watch.held);
        // Nobody reads the reports any more: stop watching.
        if (standard_output_failed()) {
            return end_watch(watch, consumer, {WatchEnd::OUTPUT_FAILED, STATUS_OUTPUT_FAILED});
        }
    }
}

const ArmReport* latest_report(const ArmWatch& watch) {
    return watch.latest < 0 ? nullptr : &watch.decoded[watch.latest];
}

void log_framing_lost(std::string* held) {
    log_to(held, "ERROR", "%s\n", "report stream lost its framing; no later report can be read.");
}
