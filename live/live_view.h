// What arm_monitor --live shows of its figures (live_figures.h): the lines
// they make on a screen of a given width. 80 x 24 holds it all:
//
//     arm_monitor --live  127.0.0.1:8006  connected 00:01:05  paused  link silent for 3 s
//     reports 6500  rate 100.0  largest gap 10.3 ms  bad frames 0
//                                   ("... largest gap 10.3 ms  gaps 0  bad frames 0" with --stats)
//     timestamp 1784624703123  state 7  enable 1  grip 0  force 1
//                   latest        least     greatest  last 5 s
//     angle 0     0.500000    -1.000000     1.000000  ▁▂▃▄▅▆▇█▇▆▅▄▃▂▁
//     ...                                                  (six angles, six poses)
//     error: TEXT                                  (made safe to print, or -)
//     keys: q quit  space pause  r reset           ("space resume" while paused)
//
// "paused" (while the view is frozen) and "link silent for N s" (once a
// second has passed without a report) end the first line at any width: the
// rest of that line gives way to them. A value is printed with six decimals,
// as the log lines print it (in exponent form when that would not fit its
// column); "-" where the latest report did not carry it. The trace holds the
// last 5 seconds in the block characters ▁ to █ (or ".:-=+*#@" without
// UTF-8), scaled to the row's least and greatest, as wide as the screen
// leaves room for.
#pragma once

#include <string>
#include <vector>

#include "live/live_figures.h"

// What the view says beside the figures.
struct LiveStatus {
    bool paused = false;
    double silent_s = 0;  // since the last report (or the start)
    long gaps = -1;       // --stats: the gaps over 3x the median interval; -1: not shown
};

// The lines of `figures` as they stood at `at`, for a screen `columns` wide;
// `blocks`: the block characters.
std::vector<std::string> view_lines(const LiveFigures& figures, LiveClock::time_point at,
                                    const LiveStatus& status, int columns, bool blocks);
