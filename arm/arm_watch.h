// The watch of arm_monitor as one object: what it reads (the report stream),
// what it writes (the lines held for standard output, the CSV file) and its
// one wait.
//
// The lines of reports that come in together are held and written out in one
// go when the watch is about to wait for the link, or once 256 KiB have
// gathered: as live as line by line, at a fraction of the writes. The wait
// lasts until the earlier of the link's deadline (a report must be complete
// within LINK_TIMEOUT_SECONDS of the wait's start) and the CSV file's next
// write; nothing else wakes it but a caught signal.
#pragma once

#include <string>

#include "arm/arm_report.h"
#include "arm/csv_file.h"
#include "link/frame_exchange.h"

constexpr size_t HELD_LINES_LIMIT = 256 * 1024;

struct ArmWatch {
    FrameStream reports;  // its link is set once connected
    FrameBuffer frame{};
    ArmReport report;
    std::string held;  // lines formed and not yet written out
    CsvFile csv;       // open only with --csv
};

// The next report frame: one held already, or else, once the held lines are
// out and the CSV rows that are due written, the next the link brings within
// its deadline. FRAME or FRAMING_LOST; CLOSED; FAILED when the link failed,
// fell silent for the whole time-out, a signal arrived or a CSV write failed.
FrameResult next_report_frame(ArmWatch& watch);

// Write out the held lines; false when standard output failed.
bool put_out_lines(ArmWatch& watch);
