#include "arm/live_figures.h"

#include <cmath>
#include <cstdio>

namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

long slot_of(const LiveFigures& figures, LiveClock::time_point at) {
    return static_cast<long>(Milliseconds(at - figures.started).count()) / TRACE_SLOT_MS;
}

void count_value(JointFigures& joint, bool carried, double value, long slot) {
    joint.carried = carried;
    if (!carried) return;
    joint.latest = value;
    joint.least = joint.seen ? std::fmin(joint.least, value) : value;
    joint.greatest = joint.seen ? std::fmax(joint.greatest, value) : value;
    joint.seen = true;
    const size_t at = static_cast<size_t>(slot) % TRACE_SLOTS;
    joint.values[at] = value;
    joint.slots[at] = slot;
}

double seconds_since(const LiveFigures& figures, LiveClock::time_point now) {
    return std::chrono::duration<double>(now - figures.started).count();
}

}  // namespace

void start_figures(LiveFigures& figures, LiveClock::time_point now, const std::string& peer) {
    figures = LiveFigures{};
    figures.started = now;
    figures.peer = peer;
    for (JointFigures& joint : figures.joints) joint.slots.fill(-1);
    figures.count_slots.fill(-1);
}

void count_report(LiveFigures& figures, const ArmReport& report, LiveClock::time_point at) {
    if (figures.reports > 0) {
        figures.largest_gap_ms =
            std::fmax(figures.largest_gap_ms, Milliseconds(at - figures.last_report).count());
    }
    ++figures.reports;
    figures.last_report = at;
    figures.latest = report.record;
    figures.latest_error = report.error_shown;
    const long slot = slot_of(figures, at);
    const size_t bucket = static_cast<size_t>(slot) % figures.counts.size();
    if (figures.count_slots[bucket] != slot) figures.counts[bucket] = 0;
    figures.count_slots[bucket] = slot;
    ++figures.counts[bucket];
    const MainArmStateMsg& r = report.record;
    for (size_t i = 0; i < 6; ++i) {
        count_value(figures.joints[i], r.has_angles && i < r.angles.angle_count, r.angles.angle[i],
                    slot);
        count_value(figures.joints[6 + i], i < r.poses_count, r.poses[i], slot);
    }
}

void count_bad_frame(LiveFigures& figures) {
    ++figures.bad_frames;
}

void reset_ranges(LiveFigures& figures) {
    figures.largest_gap_ms = 0;
    for (JointFigures& joint : figures.joints) {
        joint.seen = joint.carried;
        joint.least = joint.greatest = joint.latest;
    }
}

double silent_seconds(const LiveFigures& figures, LiveClock::time_point now) {
    const LiveClock::time_point last = figures.reports > 0 ? figures.last_report : figures.started;
    return std::chrono::duration<double>(now - last).count();
}

LiveView gather_view(const LiveFigures& figures, LiveClock::time_point now) {
    LiveView view;
    view.peer = figures.peer;
    view.connected_s = seconds_since(figures, now);
    view.reports = figures.reports;
    const long slot = slot_of(figures, now);
    size_t last_second = 0;  // the 20 slots before the one under way
    for (size_t i = 0; i < figures.counts.size(); ++i) {
        const long of = figures.count_slots[i];
        if (of >= slot - 20 && of < slot) last_second += figures.counts[i];
    }
    view.rate = static_cast<double>(last_second);
    view.largest_gap_ms = figures.largest_gap_ms;
    view.bad_frames = figures.bad_frames;
    view.any_report = figures.reports > 0;
    view.timestamp = figures.latest.timestamp;
    view.state = figures.latest.state;
    view.enable = figures.latest.enable;
    view.grip = figures.latest.grip;
    view.force = figures.latest.force;
    for (size_t i = 0; i < LIVE_ROWS; ++i) {
        const JointFigures& joint = figures.joints[i];
        LiveRow& row = view.rows[i];
        row.label = (i < 6 ? "angle " : "pose ") + std::to_string(i % 6);
        row.carried = joint.carried;
        row.latest = joint.latest;
        row.seen = joint.seen;
        row.least = joint.least;
        row.greatest = joint.greatest;
        for (long s = slot - static_cast<long>(TRACE_SLOTS) + 1; s <= slot; ++s) {
            const size_t at = static_cast<size_t>(s < 0 ? 0 : s) % TRACE_SLOTS;
            row.trace.push_back(s >= 0 && joint.slots[at] == s ? joint.values[at] : NAN);
        }
    }
    view.error = figures.latest_error;
    view.silent_s = silent_seconds(figures, now);
    return view;
}

std::string watched_text(const LiveFigures& figures, LiveClock::time_point now) {
    const double seconds = seconds_since(figures, now);
    char text[200];
    std::snprintf(text, sizeof text,
                  "watched %zu reports in %.1f s, %.1f per second, largest gap %.1f ms, %zu bad "
                  "frames",
                  figures.reports, seconds,
                  seconds > 0 ? static_cast<double>(figures.reports) / seconds : 0,
                  figures.largest_gap_ms, figures.bad_frames);
    return text;
}
