#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "bench/bench_report.h"

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string rate_text(double per_second, const char* unit) {
    char text[64];
    if (per_second >= 1e6) {
        std::snprintf(text, sizeof text, "%.2fM %s/s", per_second / 1e6, unit);
    } else if (per_second >= 1e3) {
        std::snprintf(text, sizeof text, "%.1fk %s/s", per_second / 1e3, unit);
    } else {
        std::snprintf(text, sizeof text, "%.0f %s/s", per_second, unit);
    }
    return text;
}

BenchRow lateness_row(const std::string& what, std::vector<double> late, bool ok, double jitter) {
    std::sort(late.begin(), late.end());
    BenchRow row{what, "not measured", "", "", "p99 <= 2 ms, never early", true, false};
    if (jitter > 0) row.target += " (but for up to 0.1 ms of loopback jitter)";
    if (late.empty()) return row;
    const double p99 = late[(late.size() * 99 + 99) / 100 - 1];
    char text[128];
    std::snprintf(text, sizeof text, "median %.2f ms, p99 %.2f ms, max %.2f ms, earliest %.2f ms",
                  median(late) * 1e3, p99 * 1e3, late.back() * 1e3, late.front() * 1e3);
    row.ours = text;
    row.met = ok && p99 <= 0.002 && late.front() >= -jitter;
    return row;
}

std::string times_text(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", ratio);
    return text;
}

namespace {

std::string machine() {
    utsname name = {};
    uname(&name);
    std::string cpu = "unknown CPU";
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line)) {
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    }
    char date[32] = {};
    std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d", std::localtime(&now));
    return std::string(date) + ", " + cpu + ", " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) +
           " cores, Linux " + name.release;
}

}  // namespace

bool print_table(const BenchOptions& options, const std::vector<BenchRow>& rows) {
    std::printf("Machine: %s\n", machine().c_str());
    std::printf("Run: %zu reports per monitor run, median of %d run%s%s\n\n", options.reports,
                options.runs, options.runs == 1 ? "" : "s", options.smoke ? " (smoke pass)" : "");
    std::printf("| Measure | Vostrel | Reference | Ratio | Target | Met |\n");
    std::printf("|---|---|---|---|---|---|\n");
    bool all_met = true;
    for (const BenchRow& row : rows) {
        const char* met = !row.judged ? "" : row.met ? "yes" : "NO";
        if (row.judged && !row.met) all_met = false;
        std::printf("| %s | %s | %s | %s | %s | %s |\n", row.what.c_str(), row.ours.c_str(),
                    row.reference.c_str(), row.ratio.c_str(), row.target.c_str(), met);
    }
    std::printf("\n%s\n", all_met ? "Every target is met." : "Some targets are NOT met.");
    return all_met;
}
