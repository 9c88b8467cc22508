// The watch of arm_monitor as one object: what it reads (the report stream,
// and with --live the keyboard and the terminal's resizes), what it writes
// (the lines held for standard output, the CSV file) and its one wait.
//
// The lines of reports that come in together are held and written out in one
// go when the watch is about to wait for the link, or once 256 KiB have
// gathered: as live as line by line, at a fraction of the writes. The wait
// lasts until the earliest of the link's deadline (the next report must be
// complete within LINK_TIMEOUT_SECONDS of the last one, or of the watch's
// start), the CSV file's next write and the live view's next redraw; a key
// or a resize ends it too, and so does a caught signal.
#pragma once

#include <string>

#include "link/frame_exchange.h"
#include "report/arm_report.h"
#include "report/csv_file.h"

constexpr size_t HELD_LINES_LIMIT = 256 * 1024;

struct ArmWatch {
    FrameStream reports;  // its link is set once connected
    FrameBuffer frame{};
    ArmReport report;
    std::string held;                          // lines formed and not yet written out
    CsvFile csv;                               // open only with --csv
    Deadline link_deadline = Deadline::max();  // set while a report is awaited
    // --live: what else ends a wait.
    int keys = -1;     // the keyboard (standard input), -1: none
    int resizes = -1;  // a descriptor readable when the terminal was resized, -1: none
    Deadline redraw_due = Deadline::max();
    bool keys_ready = false;  // what ended the last wait that gave PENDING
    bool resized = false;
};

// The next report frame: one held already, or else, once the held lines are
// out and the CSV rows that are due written, the next the link brings within
// its deadline. FRAME or FRAMING_LOST; CLOSED; FAILED when the link failed,
// fell silent for the whole time-out, a signal arrived or a CSV write failed;
// PENDING when a key, a resize or the redraw's time came first.
FrameResult next_report_frame(ArmWatch& watch);

// Write out the held lines; false when standard output failed.
bool put_out_lines(ArmWatch& watch);
