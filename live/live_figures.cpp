#include "live/live_figures.h"

#include <cmath>
#include <cstdio>

namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

void count_value(LiveRow& row, bool carried, double value, long slot) {
    row.carried = carried;
    if (!carried) return;
    row.latest = value;
    row.least = row.seen ? std::fmin(row.least, value) : value;
    row.greatest = row.seen ? std::fmax(row.greatest, value) : value;
    row.seen = true;
    const size_t at = static_cast<size_t>(slot) % TRACE_SLOTS;
    row.values[at] = value;
    row.slots[at] = slot;
}

}  // namespace

void start_figures(LiveFigures& figures, LiveClock::time_point now, const std::string& peer) {
    figures = LiveFigures{};
    figures.started = now;
    figures.peer = peer;
    for (LiveRow& row : figures.rows) row.slots.fill(-1);
    figures.count_slots.fill(-1);
}

long slot_at(const LiveFigures& figures, LiveClock::time_point at) {
    return static_cast<long>(Milliseconds(at - figures.started).count()) / TRACE_SLOT_MS;
}

void count_report(LiveFigures& figures, const ArmReport& report, LiveClock::time_point at) {
    if (figures.reports > 0) {
        figures.largest_gap_ms =
            std::fmax(figures.largest_gap_ms, Milliseconds(at - figures.last_report).count());
    }
    ++figures.reports;
    figures.last_report = at;
    const MainArmStateMsg& r = report.record;
    figures.timestamp = r.timestamp;
    figures.state = r.state;
    figures.enable = r.enable;
    figures.grip = r.grip;
    figures.force = r.force;
    figures.error = report.error_shown;
    const long slot = slot_at(figures, at);
    const size_t bucket = static_cast<size_t>(slot) % figures.counts.size();
    if (figures.count_slots[bucket] != slot) figures.counts[bucket] = 0;
    figures.count_slots[bucket] = slot;
    ++figures.counts[bucket];
    for (size_t i = 0; i < 6; ++i) {
        count_value(figures.rows[i], r.has_angles && i < r.angles.angle_count, r.angles.angle[i],
                    slot);
        count_value(figures.rows[6 + i], i < r.poses_count, r.poses[i], slot);
    }
}

void count_bad_frame(LiveFigures& figures) {
    ++figures.bad_frames;
}

void reset_ranges(LiveFigures& figures) {
    figures.largest_gap_ms = 0;
    for (LiveRow& row : figures.rows) {
        row.seen = row.carried;
        row.least = row.greatest = row.latest;
        row.slots.fill(-1);
    }
}

size_t reports_last_second(const LiveFigures& figures, LiveClock::time_point at) {
    const long slot = slot_at(figures, at);
    size_t reports = 0;
    for (size_t i = 0; i < figures.counts.size(); ++i) {
        const long of = figures.count_slots[i];
        if (of >= slot - static_cast<long>(RATE_SLOTS) && of < slot) reports += figures.counts[i];
    }
    return reports;
}

double connected_seconds(const LiveFigures& figures, LiveClock::time_point now) {
    return std::chrono::duration<double>(now - figures.started).count();
}

double silent_seconds(const LiveFigures& figures, LiveClock::time_point now) {
    const LiveClock::time_point last = figures.reports > 0 ? figures.last_report : figures.started;
    return std::chrono::duration<double>(now - last).count();
}

std::string watched_text(const LiveFigures& figures, LiveClock::time_point now) {
    const double seconds = connected_seconds(figures, now);
    char text[200];
    std::snprintf(text, sizeof text,
                  "watched %zu reports in %.1f s, %.1f per second, largest gap %.1f ms, %zu bad "
                  "frames",
                  figures.reports, seconds,
                  seconds > 0 ? static_cast<double>(figures.reports) / seconds : 0,
                  figures.largest_gap_ms, figures.bad_frames);
    return text;
}
