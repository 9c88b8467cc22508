// Where a watch of the arm's reports (arm_monitor) sends them: the printed
// lines, the CSV file, the MCAP recording, the live view, the statistics,
// each one implementation of ReportOutput. The watch holds a list of them
// and knows none by name:
//
//   - each frame as it came goes to frame() (those that do not decode too),
//     then each report that decodes to report(), each that does not to
//     bad_frame(); a lost link and its return (--reconnect) to link_lost()
//     and link_back();
//   - before it waits, the watch lets each do what is due (write_due()),
//     asks each when that is next (next_due()) and which descriptors to
//     watch (add_waits(), looked at every KEYS_EVERY while reports flow),
//     and after the wait hands each its own (woken());
//   - an output that has failed (a file that cannot be written) or that ends
//     the watch (the live view's q) says why in end();
//   - when the watch ends: leave() for each (the live view gives the
//     terminal back), finish() (a file writes what is left, and says what it
//     holds), then sum_up().
#pragma once

#include <poll.h>

#include <string>
#include <vector>

#include "console/interrupt.h"
#include "link/frame.h"
#include "report/arm_report.h"

// Why a watch ended, which gives its status (watch_status()).
struct WatchEnd {
    enum Reason {
        NONE,           // it goes on
        INTERRUPTED,    // Ctrl-C, SIGTERM or SIGHUP: 128 + the signal
        FILE_FAILED,    // a CSV or MCAP write failed: 3
        OUTPUT_FAILED,  // standard output failed (its reader gone): 5
        FRAMING_LOST,   // the report stream lost its framing: 2
        CLOSED,         // the arm closed the link: 0
        SILENT,         // the link was silent for the time-out: 0
        LINK_FAILED,    // the link failed (or could not be made): 0
        QUIT,           // the operator ended it (the live view's q): 0
    };
    Reason reason = NONE;
};

// The exit status of a watch that ended so.
int watch_status(WatchEnd end);

// The end of a link in words: "the arm closed the link", "the link was
// silent for 15 s" (its time-out), "the link failed", "the framing was
// lost"; "" for the other ends.
std::string link_end_words(WatchEnd::Reason reason, int timeout_seconds);

// True for the ends of the link itself: closed, silent, failed.
bool is_link_end(WatchEnd::Reason reason);

// What the frame layer gave at the end of a link, for its "rev len" line
// (link/frame_exchange.h's log_received()): CLOSED when the arm closed it,
// FAILED when it fell silent or failed.
FrameResult link_end_result(WatchEnd::Reason reason);

class ReportOutput {
  public:
    virtual ~ReportOutput() = default;

    // A frame as it came, header included.
    virtual void frame(const FrameBuffer&, const FrameResult&) {}
    // A frame that decoded, complete at frame.complete_at.
    virtual void report(const ArmReport&, const FrameResult&) {}
    // A frame that did not decode (`why`), or the bytes that lost the framing.
    virtual void bad_frame(const FrameBuffer&, const FrameResult&, Unpacked) {}
    // --reconnect: the link was lost (why), and it is back.
    virtual void link_lost(WatchEnd::Reason) {}
    virtual void link_back() {}

    // Do what is due now; when that is next (Deadline::max(): nothing waits).
    virtual void write_due() {}
    virtual Deadline next_due() const { return Deadline::max(); }
    // The descriptors to watch, appended; after the wait, the same ones with
    // their revents, in the order they were added.
    virtual void add_waits(std::vector<pollfd>&) {}
    virtual void woken(const pollfd*) {}

    // NONE while it goes on; else why the watch must end.
    virtual WatchEnd::Reason end() const { return WatchEnd::NONE; }

    virtual void leave(const WatchEnd&) {}
    // Write what is left; false when a write failed (the status becomes 3).
    virtual bool finish() { return true; }
    virtual void sum_up(const WatchEnd&) {}
};
