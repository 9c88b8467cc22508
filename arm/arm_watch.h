// The watch of arm_monitor as one loop: what it reads (the report stream,
// and with --live the keyboard and the terminal's resizes), what it writes
// (the lines held for standard output, the CSV file) and its one wait. Each
// event goes to the watch's consumer: the plain monitor's lines
// (arm_monitor.cpp) or the live view (live_watch.h).
//
// The lines of reports that come in together are held and written out in one
// go when the watch is about to wait, or once 256 KiB have gathered: as live
// as line by line, at a fraction of the writes. The wait lasts until the
// earliest of the link's deadline (the next report must be complete within
// LINK_TIMEOUT_SECONDS of the last one, or of the watch's start), the CSV
// file's next write and the consumer's next redraw; a key or a resize ends it
// too, and so does a caught signal. While reports flow, the keyboard and the
// resizes are looked at every KEYS_EVERY rather than at every report (the
// terminal's poll is the dearest part of a wait at 1 kHz); a key or a resize
// then comes before the reports the link holds, so that a link that never
// stops bringing reports cannot keep q from ending the watch.
//
// The watch ends, with its status:
//     a caught signal (Ctrl-C, SIGTERM, SIGHUP)       128 + the signal
//     a CSV or MCAP write that failed                 3
//     standard output that failed (its reader gone)   5
//     the report stream's framing lost                2
//     the link closed, silent for the time-out, or failed   0
//     the consumer's own end (q)                      the status it gives
// Then the consumer leaves (the live view gives the terminal back), the CSV
// file and the MCAP recording are finished, the held lines go out, and the
// consumer sums up.
#pragma once

#include <string>

#include "console/exit_status.h"
#include "link/frame_exchange.h"
#include "report/arm_report.h"
#include "report/csv_file.h"
#include "report/report_mcap.h"

constexpr size_t HELD_LINES_LIMIT = 256 * 1024;
constexpr std::chrono::milliseconds KEYS_EVERY{50};

struct WatchEnd {
    enum Reason {
        INTERRUPTED,
        FILE_FAILED,
        OUTPUT_FAILED,
        FRAMING_LOST,
        CLOSED,
        SILENT,
        LINK_FAILED,
        BY_CONSUMER,
    };
    Reason reason = BY_CONSUMER;
    int status = STATUS_OK;
    // What ended the link: CLOSED, FAILED (silent or failed), FRAMING_LOST;
    // PENDING when the watch ended otherwise.
    FrameResult link{FrameResult::PENDING, 0};
};

// What is done with each event of a watch. An event's Outcome ends the watch
// with its status, or lets it go on.
class WatchConsumer {
  public:
    virtual ~WatchConsumer() = default;
    // A report that decoded; its frame was complete at frame.complete_at.
    virtual Outcome report(const ArmReport& report, const FrameResult& frame) = 0;
    // A frame that did not decode (`why`), or the bytes that lost the framing.
    virtual Outcome bad_frame(const FrameBuffer& bytes, const FrameResult& frame, Unpacked why) = 0;
    // The watch's keys, resizes or redraw_due (see ArmWatch) woke it.
    virtual Outcome keys() { return go_on(); }
    virtual Outcome resize() { return go_on(); }
    virtual Outcome redraw() { return go_on(); }
    // The watch has ended: before the files are finished and the held lines
    // written out, and after (with the status the watch ends with).
    virtual void leave(const WatchEnd& end) = 0;
    virtual void sum_up(const WatchEnd&, int) {}
};

struct ArmWatch {
    FrameStream reports;  // its link is set once connected
    FrameBuffer frame{};
    ArmReport decoded[2];    // the latest report that decoded, and room for the next
    int latest = -1;         // which of them is the latest; -1: none yet
    std::string held;        // lines formed and not yet written out
    CsvFile csv;             // open only with --csv
    ReportRecording record;  // open only with --record: every frame, as MCAP
    Deadline link_deadline = Deadline::max();  // set while a report is awaited
    // What else the wait watches, for a consumer that draws (-1: nothing).
    int keys = -1;     // readable when a key was typed (standard input)
    int resizes = -1;  // readable when the terminal was resized
    Deadline redraw_due = Deadline::max();
    Deadline keys_due{};  // while reports flow, when the keys are next looked at
};

// Watch until the watch ends, handing each event to `consumer`; returns the status.
int run_watch(ArmWatch& watch, WatchConsumer& consumer);

// The latest report that decoded, or nullptr before the first.
const ArmReport* latest_report(const ArmWatch& watch);

// Log "report stream lost its framing; no later report can be read." (into
// `held` when given).
void log_framing_lost(std::string* held);
