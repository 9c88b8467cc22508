// arm_monitor --live: the watch drawn as one view in place (live_view.h),
// redrawn at most ten times a second and at once when the terminal is
// resized, instead of the "rev len" line and the lines of each report. The
// CSV file gets the same rows as without --live.
//
// Keys: q ends the watch (status 0); space freezes the view (reports are
// still counted and rows still written) and thaws it; r starts the least and
// greatest values and the largest gap afresh.
//
// The watch ends at q, Ctrl-C (130), SIGTERM (143), SIGHUP (129), the link
// closed or silent for the time-out (0), the report stream's framing lost (2)
// or a failed CSV write (3). Then, in every case: the terminal is given back,
// the CSV rows still held are written, and on the normal screen come the
// latest report as the plain monitor prints one, the line
//     watched N reports in S s, R per second, largest gap G ms, F bad frames
// and the "rev len" line that ended the link, where one did.
#pragma once

#include <string>

#include "arm/arm_watch.h"
#include "screen/terminal_screen.h"

// Watch until the watch ends; `peer` is "ADDRESS:PORT". Returns the status.
int watch_live(ArmWatch& watch, TerminalScreen& screen, const std::string& peer);
