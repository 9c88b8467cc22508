// How healthy a stream of reports is, as a rate meter tells it: the
// intervals between reports (min, mean, max, standard deviation), and the
// gaps, intervals longer than GAP_FACTOR times the median interval. Pure
// arithmetic over the times it is given, for arm_monitor --stats and
// --info; nothing here reads a clock.
//
//     IntervalTally tally;            // Welford's running mean and variance
//     tally.add(1.0); tally.add(1.2); // ms
//     tally.mean_ms(), tally.stddev_ms()
//
// The median a live watch measures gaps against is that of a window of the
// last MEDIAN_WINDOW intervals, taken again every second (GapWatch), so a
// stream that changes its rate is judged by its new one; --info takes the
// median of the whole recording (median_of()).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr double GAP_FACTOR = 3;
constexpr size_t MEDIAN_WINDOW = 1000;
constexpr size_t MEDIAN_AT_LEAST = 10;  // intervals before a median is taken

struct IntervalTally {
    size_t count = 0;
    double min_ms = 0, max_ms = 0;
    double mean = 0, m2 = 0;  // Welford's running mean and sum of squared deviations

    void add(double ms);
    double mean_ms() const { return mean; }
    double stddev_ms() const;  // of the population; 0 below two intervals
};

// "min 0.912 mean 1.000 max 1.094 sd 0.021" (ms, three decimals); "-" alone
// when there is no interval.
std::string tally_text(const IntervalTally& tally);

// A wall-clock time (ns since the Unix epoch) in local time, to the
// millisecond: "2026-12-10 14:23:57.123".
std::string local_time_text(uint64_t unix_ns);

// The median of `values` (reordered); 0 when there is none.
double median_of(std::vector<double>& values);

// The gaps of a live stream: each interval is judged against the median of
// the window as it stood at the last update_median().
struct GapWatch {
    std::array<double, MEDIAN_WINDOW> window{};
    size_t seen = 0;       // intervals put in the window, ever
    double median_ms = 0;  // 0: not known yet
    uint64_t gaps = 0;
    double longest_ms = 0;      // of the gaps
    int64_t longest_at_us = 0;  // when the longest gap ended (wall clock, µs)

    // Count one interval that ended at `at_us`; true when it is a gap.
    bool add(double ms, int64_t at_us);
    // Take the median of the window anew (at least MEDIAN_AT_LEAST intervals).
    void update_median();
};

// The gaps of a whole recording: the intervals between `times_ns` (in order)
// against their median.
struct GapSummary {
    double median_ms = 0;
    uint64_t gaps = 0;
    double longest_ms = 0;
    uint64_t longest_at_ns = 0;  // when the longest gap ended
};
GapSummary gaps_of(const std::vector<uint64_t>& times_ns);
