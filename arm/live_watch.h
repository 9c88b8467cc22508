// arm_monitor --live: the watch drawn as one view in place (live_view.h),
// redrawn at most ten times a second and at once when the terminal is
// resized, instead of the "rev len" line and the lines of each report. The
// CSV file gets the same rows as without --live.
//
// Keys: q ends the watch (status 0); space freezes the view (reports are
// still counted and rows still written) and thaws it; r starts the least and
// greatest values, the traces and the largest gap afresh.
//
// The watch ends as arm_watch.h says. Then, in every case: the terminal is
// given back, the CSV rows still held are written, and on the normal screen
// come the latest report as the plain monitor prints it, the line
//     watched N reports in S s, R per second, largest gap G ms, F bad frames
// and, where the link ended it, the "rev len" line and why in words: "the arm
// closed the link", "the link was silent for 15 s", "the link failed" or
// "the framing was lost" (after the ERROR line that says so).
#pragma once

#include <string>

#include "arm/arm_watch.h"
#include "screen/terminal_screen.h"

// Watch until the watch ends; `peer` is "ADDRESS:PORT". Returns the status.
int watch_live(ArmWatch& watch, TerminalScreen& screen, const std::string& peer);
