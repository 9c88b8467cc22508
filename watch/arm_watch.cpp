#include "watch/arm_watch.h"

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
    FRAME,    // a frame, or the bytes that lost the framing, in watch.frame
    LINK,     // the link ended (why in `end`), or came back
    OUTPUTS,  // an output's descriptor, or an output's own end
};

// The descriptors of the wait: the link (or the connection under way), then
// when `outputs_too` each output's, then standard output's. `ranges` gets
// where each output's begin.
void gather_waits(ArmWatch& watch, bool outputs_too, std::vector<size_t>& ranges) {
    std::vector<pollfd>& waits = watch.waits;
    waits.clear();
    ranges.clear();
    const bool up = watch.link.state == WatchLink::UP;
    waits.push_back(up ? pollfd{watch.reports.link, POLLIN, 0} : link_wait(watch.link));
    if (!outputs_too) return;
    for (ReportOutput* output : watch.outputs) {
        ranges.push_back(waits.size());
        output->add_waits(waits);
    }
    ranges.push_back(waits.size());
    waits.push_back(watch.lines.wait());
}

// Each output's descriptors back to it; true when any was ready.
bool hand_back_waits(ArmWatch& watch, const std::vector<size_t>& ranges) {
    bool any = false;
    for (size_t i = 0; i < watch.outputs.size(); ++i) {
        for (size_t at = ranges[i]; at < ranges[i + 1]; ++at) any |= watch.waits[at].revents != 0;
        if (ranges[i + 1] > ranges[i]) watch.outputs[i]->woken(&watch.waits[ranges[i]]);
    }
    watch.lines.woken(watch.waits.back());
    return any;
}

Deadline earliest_due(const ArmWatch& watch) {
    Deadline due = watch.link.state == WatchLink::UP ? watch.link_deadline : watch.link.next_step;
    for (const ReportOutput* output : watch.outputs) due = std::min(due, output->next_due());
    return due;
}

WatchEnd::Reason outputs_end(const ArmWatch& watch) {
    for (const ReportOutput* output : watch.outputs) {
        const WatchEnd::Reason reason = output->end();
        if (reason != WatchEnd::NONE) return reason;
    }
    return watch.lines.failed() ? WatchEnd::OUTPUT_FAILED : WatchEnd::NONE;
}

// The link is up again: a report is awaited from now.
void link_up(ArmWatch& watch) {
    FrameStream& reports = watch.reports;
    reports.link = watch.link.fd.get();
    reports.begin = reports.end = 0;  // no byte of the last link
    reports.framing_lost = false;
    watch.link_deadline = Deadline::max();
}

// The next event: a frame held already, or else, once the held lines are out
// and what the outputs have due is done, whatever comes first in the wait.
Wake next_wake(ArmWatch& watch, FrameResult& frame, WatchEnd& end) {
    std::vector<size_t> ranges;
    for (;;) {
        if (watch.link.state == WatchLink::UP) {
            frame = take_held_frame(watch.reports, watch.frame);
            if (frame.is_frame() || frame.kind == FrameResult::FRAMING_LOST) {
                watch.link_deadline = Deadline::max();
                return Wake::FRAME;
            }
            if (watch.link_deadline == Deadline::max()) {
                watch.link_deadline =
                    Clock::now() + std::chrono::seconds(watch.reports.timeout_seconds);
            }
        }
        for (ReportOutput* output : watch.outputs) output->write_due();
        watch.lines.write_due();
        if (outputs_end(watch) != WatchEnd::NONE) return Wake::OUTPUTS;
        // While reports flow, the outputs' descriptors are looked at every
        // KEYS_EVERY, not at every report: a terminal's poll is the dearest
        // part of a wait.
        const bool outputs_too = Clock::now() >= watch.outputs_due;
        gather_waits(watch, outputs_too, ranges);
        const Deadline until =
            std::min(earliest_due(watch), outputs_too ? Deadline::max() : watch.outputs_due);
        const int polled = wait_until_ready(watch.waits.data(), watch.waits.size(), until);
        const bool link_ready = watch.waits[0].revents != 0;
        if (outputs_too && polled > 0 && link_ready) watch.outputs_due = Clock::now() + KEYS_EVERY;
        if (polled < 0 && errno == EINTR && !interrupted()) continue;
        if (polled < 0) {  // the caller looks at the signal first
            end.reason = WatchEnd::LINK_FAILED;
            return Wake::LINK;
        }
        const bool up = watch.link.state == WatchLink::UP;
        const bool silent_too_long = up && !link_ready && Clock::now() >= watch.link_deadline;
        if (outputs_too && hand_back_waits(watch, ranges) && !silent_too_long) {
            return Wake::OUTPUTS;
        }
        if (!up) {
            if (tend_link(watch.link, watch.waits[0], watch.lines.notes())) {
                link_up(watch);
                end.reason = WatchEnd::NONE;
                return Wake::LINK;
            }
            continue;
        }
        if (link_ready) {
            const ReadResult read = read_available(watch.reports);
            if (read.kind == ReadResult::CLOSED || read.kind == ReadResult::FAILED) {
                end.reason =
                    read.kind == ReadResult::CLOSED ? WatchEnd::CLOSED : WatchEnd::LINK_FAILED;
                return Wake::LINK;
            }
            continue;  // the frame, if whole, is taken at the top
        }
        if (silent_too_long) {
            end.reason = WatchEnd::SILENT;
            return Wake::LINK;
        }
    }
}

// Decode the frame into the report that is not the latest, and hand it on.
void take_frame(ArmWatch& watch, const FrameResult& frame) {
    for (ReportOutput* output : watch.outputs) output->frame(watch.frame, frame);
    const size_t mark = watch.lines.held.size();
    const int next = watch.latest == 0 ? 1 : 0;
    ArmReport& report = watch.decoded[next];
    const Unpacked why = decode_report(report, watch.frame, frame.length);
    if (why != Unpacked::DECODED) {
        for (ReportOutput* output : watch.outputs) output->bad_frame(watch.frame, frame, why);
    } else {
        watch.latest = next;
        for (ReportOutput* output : watch.outputs) output->report(report, frame);
    }
    watch.lines.keep_or_drop(mark);
}

int end_watch(ArmWatch& watch, const WatchEnd& end) {
    for (ReportOutput* output : watch.outputs) output->leave(end);
    int status = watch_status(end);
    bool files_whole = true;
    for (ReportOutput* output : watch.outputs) files_whole &= output->finish();
    if (!files_whole && status != STATUS_OUTPUT_FAILED) status = STATUS_RECORD_FILE_FAILED;
    if (!watch.lines.finish()) status = STATUS_OUTPUT_FAILED;
    for (ReportOutput* output : watch.outputs) output->sum_up(end);
    if (status == STATUS_OUTPUT_FAILED) {
        std::fputs("arm_monitor: standard output failed; the watch ends\n", stderr);
    }
    return status;
}

}  // namespace

int run_watch(ArmWatch& watch) {
    for (;;) {
        FrameResult frame{FrameResult::PENDING, 0};
        WatchEnd end;
        const Wake wake = next_wake(watch, frame, end);
        if (interrupted()) return end_watch(watch, {WatchEnd::INTERRUPTED});
        if (wake == Wake::FRAME) {
            take_frame(watch, frame);
            if (frame.kind == FrameResult::FRAMING_LOST) end.reason = WatchEnd::FRAMING_LOST;
        }
        if (wake == Wake::LINK && end.reason == WatchEnd::NONE) {
            for (ReportOutput* output : watch.outputs) output->link_back();
        }
        const WatchEnd::Reason by_outputs = outputs_end(watch);
        if (by_outputs != WatchEnd::NONE) return end_watch(watch, {by_outputs});
        if (end.reason != WatchEnd::NONE) {
            if (!watch.link.reconnect) return end_watch(watch, end);
            for (ReportOutput* output : watch.outputs) output->link_lost(end.reason);
            lose_link(watch.link, end.reason, watch.lines.notes());
        }
        if (watch.lines.held.size() >= FLUSH_AT) watch.lines.write_due();
    }
}

const ArmReport* latest_report(const ArmWatch& watch) {
    return watch.latest < 0 ? nullptr : &watch.decoded[watch.latest];
}
