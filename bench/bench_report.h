// The measurements of the benchmark and the table they make.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct BenchOptions {
    std::string bin;         // where the tools and the floors are
    std::string python_dir;  // where arm_pb2.py is ("": no Python monitor)
    size_t reports = 200000;
    int runs = 3;        // the median of these
    bool smoke = false;  // a short pass that only shows the benchmark still runs
    std::string beside;  // the tools of an earlier build, measured beside ("": none)
};

struct BenchRow {
    std::string what;
    std::string ours;
    std::string reference;
    std::string ratio;
    std::string target;
    bool judged = false;  // a target row (not only information)
    bool met = false;
};

void measure_monitors(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_live(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_one_shots(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_replay(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_pacing(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_playback(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_record_files(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_recordings(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_soak(const BenchOptions& options, std::vector<BenchRow>& rows);
void measure_viewers(const BenchOptions& options, std::vector<BenchRow>& rows);

// Print the table (with the machine it ran on); true when every target is met.
bool print_table(const BenchOptions& options, const std::vector<BenchRow>& rows);

std::string rate_text(double per_second, const char* unit);
std::string times_text(double ratio);
// A row of how late things came against when they were due (seconds each),
// none earlier than `jitter` before it.
BenchRow lateness_row(const std::string& what, std::vector<double> late, bool ok,
                      double jitter = 0);
double median(std::vector<double> values);
