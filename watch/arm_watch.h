// The watch of arm_monitor as one loop: what it reads (the report stream),
// where each frame and report goes (a list of outputs, report_output.h: the
// printed lines or the live view or the statistics, the CSV file, the
// recording, ...), the lines it prints (watch_lines.h) and its one wait.
//
// The wait lasts until the earliest of the link's deadline (the next report
// must be complete within the link's time-out, 15 s or --timeout, of the last
// one, or of the watch's start) and the outputs' next_due(); an output's descriptor (a
// key, a resize, standard output ready) ends it too, and so does a caught
// signal. While reports flow, the outputs' descriptors are looked at every
// KEYS_EVERY rather than at every report (a terminal's poll is the dearest
// part of a wait at 1 kHz); one that is ready then comes before the reports
// the link holds, so that a link that never stops bringing reports cannot
// keep q from ending the watch.
//
// The watch ends (WatchEnd, with its status):
//     a caught signal (Ctrl-C, SIGTERM, SIGHUP)       128 + the signal
//     a CSV or MCAP write that failed                 3
//     standard output that failed (its reader gone)   5
//     the report stream's framing lost                2
//     the link closed, silent for the time-out, or failed   0
//     an output's own end (q)                         0
// With --reconnect (watch_link.h) the link's own ends (closed, silent,
// failed, its framing lost) do not end the watch: the link is made again,
// every second until it comes back, and the outputs go on across the gap.
// At the end each output leaves (the live view gives the terminal back), is
// finished (the files), the held lines go out, and each sums up.
#pragma once

#include <chrono>
#include <vector>

#include "link/frame_exchange.h"
#include "report/arm_report.h"
#include "report/report_output.h"
#include "watch/watch_lines.h"
#include "watch/watch_link.h"

constexpr std::chrono::milliseconds KEYS_EVERY{50};

struct ArmWatch {
    WatchLink link;       // the report link, and how it comes back
    FrameStream reports;  // its frames; the link is set once connected
    FrameBuffer frame{};
    ArmReport decoded[2];  // the latest report that decoded, and room for the next
    int latest = -1;       // which of them is the latest; -1: none yet
    WatchLines lines;
    std::vector<ReportOutput*> outputs;        // in the order they print
    Deadline link_deadline = Deadline::max();  // set while a report is awaited
    Deadline outputs_due{};  // while reports flow, when the outputs' descriptors are next looked at
    std::vector<pollfd> waits;  // the wait's descriptors, kept for the next one
};

// Watch until the watch ends; returns the status.
int run_watch(ArmWatch& watch);

// The latest report that decoded, or nullptr before the first.
const ArmReport* latest_report(const ArmWatch& watch);
