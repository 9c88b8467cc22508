// What arm_monitor --live gathers from the reports, as the view draws it
// (live_view.h). Reports are counted as they arrive, each at the time its
// frame was complete: the rate over the last second, the largest gap
// between two reports, the frames that failed the size check or did not
// decode, the latest report's own fields, and for each angle and pose a row:
// its latest, least and greatest value and a trace of slots of 50 ms. All of
// it has a fixed size, however long the watch.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/arm_report.h"

using LiveClock = std::chrono::steady_clock;

constexpr size_t LIVE_ROWS = 12;                     // six angles, six poses
constexpr size_t TRACE_SLOTS = 100;                  // the last 5 seconds...
constexpr int TRACE_SLOT_MS = 50;                    // ... in slots of 50 ms
constexpr size_t RATE_SLOTS = 1000 / TRACE_SLOT_MS;  // the slots of one second

// One angle or pose.
struct LiveRow {
    bool carried = false;  // the latest report holds a value for it
    double latest = 0;
    bool seen = false;  // a value came since the start (or the last reset)
    double least = 0;
    double greatest = 0;
    std::array<double, TRACE_SLOTS> values{};  // the trace: the latest value of a slot...
    std::array<long, TRACE_SLOTS> slots{};     // ... and the slot it is of; -1: none
};

struct LiveFigures {
    LiveClock::time_point started{};  // connected
    std::string peer;                 // "127.0.0.1:8006"
    size_t reports = 0;
    size_t bad_frames = 0;
    LiveClock::time_point last_report{};
    double largest_gap_ms = 0;
    // The latest report's own fields.
    int64_t timestamp = 0;
    uint32_t state = 0;
    bool enable = false, grip = false, force = false;
    std::string error;  // made safe to print; "" none
    LiveRow rows[LIVE_ROWS];
    // Reports per slot: the slots of the last whole second, and the one under way.
    std::array<size_t, RATE_SLOTS + 1> counts{};
    std::array<long, RATE_SLOTS + 1> count_slots{};
};

// Figures of a watch that starts now, of the controller at `peer`.
void start_figures(LiveFigures& figures, LiveClock::time_point now, const std::string& peer);

// Count a report that was complete at `at`.
void count_report(LiveFigures& figures, const ArmReport& report, LiveClock::time_point at);

// Count a frame that failed the size check or did not decode.
void count_bad_frame(LiveFigures& figures);

// The key r: the least and greatest values, the traces and the largest gap
// start afresh.
void reset_ranges(LiveFigures& figures);

// The slot of 50 ms that `at` falls in, counted from the start.
long slot_at(const LiveFigures& figures, LiveClock::time_point at);

// Reports over the whole second before the slot of `at`.
size_t reports_last_second(const LiveFigures& figures, LiveClock::time_point at);

// Seconds since the start, and since the last report (or the start).
double connected_seconds(const LiveFigures& figures, LiveClock::time_point now);
double silent_seconds(const LiveFigures& figures, LiveClock::time_point now);

// "watched N reports in S s, R per second, largest gap G ms, F bad frames".
std::string watched_text(const LiveFigures& figures, LiveClock::time_point now);
