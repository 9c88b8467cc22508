// What arm_monitor --live shows: a plain struct, and the lines it makes on a
// screen of a given width. 80 x 24 holds it all:
//
//     arm_monitor --live  127.0.0.1:8006  connected 00:01:05
//     reports 6500  rate 100.0  largest gap 10.3 ms  bad frames 0
//     timestamp 1784624703123  state 7  enable 1  grip 0  force 1
//                   latest        least     greatest  last 5 s
//     angle 0     0.500000    -1.000000     1.000000  ▁▂▃▄▅▆▇█▇▆▅▄▃▂▁
//     ...                                                  (six angles, six poses)
//     error: TEXT                                  (made safe to print, or -)
//     link silent for 3 s                          (once a second has passed)
//     paused                                       (while the view is frozen)
//     keys: q quit  space pause  r reset
//
// A value is printed with six decimals, as the log lines print it (in
// exponent form when that would not fit its column); "-" where the latest
// report did not carry it. The trace holds the last 5 seconds in the block
// characters ▁ to █ (or ".:-=+*#@" without UTF-8), scaled to the row's least
// and greatest, as wide as the screen leaves room for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t LIVE_ROWS = 12;     // six angles, six poses
constexpr size_t TRACE_SLOTS = 100;  // the last 5 seconds...
constexpr int TRACE_SLOT_MS = 50;    // ... in slots of 50 ms

struct LiveRow {
    std::string label;     // "angle 0"
    bool carried = false;  // the latest report holds a value for it
    double latest = 0;
    bool seen = false;  // a value came since the start (or the last reset)
    double least = 0;
    double greatest = 0;
    std::vector<double> trace;  // a value per slot, oldest first; NaN: none then
};

struct LiveView {
    std::string peer;  // "127.0.0.1:8006"
    double connected_s = 0;
    size_t reports = 0;
    double rate = 0;  // reports over the last second
    double largest_gap_ms = 0;
    size_t bad_frames = 0;
    bool any_report = false;
    int64_t timestamp = 0;
    uint32_t state = 0;
    bool enable = false, grip = false, force = false;
    LiveRow rows[LIVE_ROWS];
    std::string error;    // the latest report's, made safe to print; "" none
    double silent_s = 0;  // since the last report (or the start)
    bool paused = false;
};

// The view's lines for a screen `columns` wide; `blocks`: the block characters.
std::vector<std::string> view_lines(const LiveView& view, int columns, bool blocks);
