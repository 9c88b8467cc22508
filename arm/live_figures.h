// What arm_monitor --live gathers from the reports, and the view it makes of
// them (live_view.h). Reports are counted as they arrive, each at the time
// its frame was complete: the rate over the last second, the largest gap
// between two reports, the frames that failed the size check or did not
// decode, the latest report, and for each angle and pose its least and
// greatest value and a slot of 50 ms for the trace. All of it has a fixed
// size, however long the watch.
#pragma once

#include <array>
#include <chrono>

#include "arm/live_view.h"
#include "report/arm_report.h"

using LiveClock = std::chrono::steady_clock;

struct JointFigures {
    bool carried = false;
    double latest = 0;
    bool seen = false;
    double least = 0;
    double greatest = 0;
    std::array<double, TRACE_SLOTS> values{};
    std::array<long, TRACE_SLOTS> slots{};  // the slot each value is of; -1: none
};

struct LiveFigures {
    LiveClock::time_point started{};  // connected
    std::string peer;
    size_t reports = 0;
    size_t bad_frames = 0;
    LiveClock::time_point last_report{};
    double largest_gap_ms = 0;
    MainArmStateMsg latest{};  // the latest report decoded (its callback slot unused)
    std::string latest_error;  // and its error text, made safe to print
    JointFigures joints[LIVE_ROWS];
    // Reports per slot: the 20 slots of the last whole second, and the one under way.
    std::array<size_t, 21> counts{};
    std::array<long, 21> count_slots{};
};

// Figures of a watch that starts now, of the controller at `peer`.
void start_figures(LiveFigures& figures, LiveClock::time_point now, const std::string& peer);

// Count a report that was complete at `at`.
void count_report(LiveFigures& figures, const ArmReport& report, LiveClock::time_point at);

// Count a frame that failed the size check or did not decode.
void count_bad_frame(LiveFigures& figures);

// The key r: the least and greatest values and the largest gap start afresh.
void reset_ranges(LiveFigures& figures);

// The view of the figures at `now` (not paused).
LiveView gather_view(const LiveFigures& figures, LiveClock::time_point now);

// Seconds since the last report (or the start).
double silent_seconds(const LiveFigures& figures, LiveClock::time_point now);

// "watched N reports in S s, R per second, largest gap G ms, F bad frames".
std::string watched_text(const LiveFigures& figures, LiveClock::time_point now);
