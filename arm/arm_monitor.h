// arm_monitor: the main arm's state reports, printed as they arrive.
#pragma once

#include <optional>
#include <string>

#include "link/link_timeout.h"
#include "mcap/mcap_format.h"
#include "program/program_start.h"

struct MonitorOptions {
    std::optional<std::string> csv;     // --csv FILE
    bool live = false;                  // --live
    std::optional<std::string> record;  // --record FILE: every frame, as MCAP
    bool reconnect = false;             // --reconnect: a lost link is made again
    bool stats = false;                 // --stats: a line a second instead of each report
    McapCompression compression = McapCompression::ZSTD;  // --compression, of --record
    bool compression_given = false;
    std::optional<std::string> info;  // --info FILE: what a recording holds; connects to nothing
    bool json = false;                // --json: a JSON line a frame instead of its lines
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // --timeout
    std::optional<Endpoint> serve;    // --serve [ADDR:]PORT: live to the viewers
};

extern const CommandLineForm<MonitorOptions> ARM_MONITOR_FORM;

// With --live, refuse (255) unless standard output is a terminal; with
// --csv and --record, create their files first (new ones); connect; send the
// all-zero request once, then print every report until the link falls
// silent for the receive time-out or is closed; with --csv, each report
// printed is also a row of that file; with --record, every frame is kept in
// that MCAP recording (report/report_mcap.h). A report that does not decode
// is dropped with its error lines. Returns the exit status: 0 when the link
// fell silent or closed; 1 when the connection failed (no file is left); 2
// when the request could not be sent or the report stream lost its framing
// (a header declaring an impossible length); 3 when the CSV or MCAP file
// could not be created or written; 5 when standard output failed (its reader
// gone); 128 + the signal after Ctrl-C, SIGTERM or SIGHUP. The watch ends at
// once in each case, with everything formed written first. With --live the
// reports are one view instead of lines (live_watch.h). With --serve they
// also go live to the viewers (viewer/viewer_server.h), listened for before
// the files are made; an address that cannot be listened on ends it first
// (8).
int run_arm_monitor(Start& start, const MonitorOptions& options);
