#include "watch/stream_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

void IntervalTally::add(double ms) {
    min_ms = count == 0 ? ms : std::fmin(min_ms, ms);
    max_ms = count == 0 ? ms : std::fmax(max_ms, ms);
    ++count;
    const double delta = ms - mean;
    mean += delta / static_cast<double>(count);
    m2 += delta * (ms - mean);
}

double IntervalTally::stddev_ms() const {
    return count < 2 ? 0 : std::sqrt(m2 / static_cast<double>(count));
}

std::string tally_text(const IntervalTally& tally) {
    if (tally.count == 0) return "-";
    char text[160];
    std::snprintf(text, sizeof text, "min %.3f mean %.3f max %.3f sd %.3f", tally.min_ms,
                  tally.mean_ms(), tally.max_ms, tally.stddev_ms());
    return text;
}

std::string local_time_text(uint64_t unix_ns) {
    const std::time_t seconds = static_cast<std::time_t>(unix_ns / 1000000000);
    std::tm local = {};
    localtime_r(&seconds, &local);
    char text[48];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03u",
                  static_cast<unsigned>(unix_ns / 1000000 % 1000));
    return text;
}

double median_of(std::vector<double>& values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

bool GapWatch::add(double ms, int64_t at_us) {
    window[seen % MEDIAN_WINDOW] = ms;
    ++seen;
    if (median_ms <= 0 && seen >= MEDIAN_AT_LEAST) update_median();
    if (median_ms <= 0 || ms <= GAP_FACTOR * median_ms) return false;
    ++gaps;
    if (ms > longest_ms) {
        longest_ms = ms;
        longest_at_us = at_us;
    }
    return true;
}

void GapWatch::update_median() {
    const size_t count = std::min(seen, MEDIAN_WINDOW);
    if (count < MEDIAN_AT_LEAST) return;
    std::vector<double> values(window.begin(), window.begin() + static_cast<long>(count));
    median_ms = median_of(values);
}

namespace {

// The interval from `before` to `after` in ms; negative when the clock went back.
double interval_ms(uint64_t before, uint64_t after) {
    return static_cast<double>(static_cast<int64_t>(after - before)) / 1e6;
}

}  // namespace

GapSummary gaps_of(const std::vector<uint64_t>& times_ns) {
    GapSummary summary;
    if (times_ns.size() < 2) return summary;
    std::vector<double> intervals;
    intervals.reserve(times_ns.size() - 1);
    for (size_t i = 1; i < times_ns.size(); ++i) {
        intervals.push_back(interval_ms(times_ns[i - 1], times_ns[i]));
    }
    summary.median_ms = median_of(intervals);
    if (summary.median_ms <= 0) return summary;  // no rate to judge a gap by
    for (size_t i = 1; i < times_ns.size(); ++i) {
        const double ms = interval_ms(times_ns[i - 1], times_ns[i]);
        if (ms <= GAP_FACTOR * summary.median_ms) continue;
        ++summary.gaps;
        if (ms > summary.longest_ms) {
            summary.longest_ms = ms;
            summary.longest_at_ns = times_ns[i];
        }
    }
    return summary;
}
