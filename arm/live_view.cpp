#include "arm/live_view.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

const char* const BLOCKS[] = {"▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
const char ASCII_LEVELS[] = ".:-=+*#@";
constexpr int LABEL_WIDTH = 8;
constexpr int VALUE_WIDTH = 13;

std::string printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string printed(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// A value in its column: six decimals as the log lines show it, or the
// exponent form when those would not fit.
std::string value_text(double value) {
    std::string text = printed("%lf", value);
    return text.size() < VALUE_WIDTH ? text : printed("%.5e", value);
}

std::string clock_text(double seconds) {
    long whole = static_cast<long>(seconds);
    return printed("%02ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
}

// The trace, `width` characters: each the latest value of its share of the slots.
std::string trace_text(const LiveRow& row, size_t width, bool blocks) {
    std::string text;
    const size_t slots = row.trace.size();
    for (size_t c = 0; c < width && slots > 0; ++c) {
        double value = NAN;
        for (size_t s = c * slots / width; s < (c + 1) * slots / width; ++s) {
            if (!std::isnan(row.trace[s])) value = row.trace[s];
        }
        if (std::isnan(value)) {
            text += ' ';
            continue;
        }
        double span = row.greatest - row.least;
        double share = span > 0 && std::isfinite(span) ? (value - row.least) / span : 0.5;
        int level = static_cast<int>(std::lround(std::fmin(std::fmax(share, 0), 1) * 7));
        if (std::isnan(share)) level = 3;
        text += blocks ? std::string(BLOCKS[level]) : std::string(1, ASCII_LEVELS[level]);
    }
    return text;
}

std::string row_line(const LiveRow& row, int columns, bool blocks) {
    std::string line = printed("%-*s%*s%*s%*s  ", LABEL_WIDTH, row.label.c_str(), VALUE_WIDTH,
                               row.carried ? value_text(row.latest).c_str() : "-", VALUE_WIDTH,
                               row.seen ? value_text(row.least).c_str() : "-", VALUE_WIDTH,
                               row.seen ? value_text(row.greatest).c_str() : "-");
    int room = columns - static_cast<int>(line.size());
    if (room > 0) line += trace_text(row, static_cast<size_t>(room), blocks);
    return line;
}

}  // namespace

std::vector<std::string> view_lines(const LiveView& view, int columns, bool blocks) {
    std::vector<std::string> lines;
    lines.push_back("arm_monitor --live  " + view.peer + "  connected " +
                    clock_text(view.connected_s));
    lines.push_back(printed("reports %zu  rate %.1f  largest gap %.1f ms  bad frames %zu",
                            view.reports, view.rate, view.largest_gap_ms, view.bad_frames));
    if (view.any_report) {
        lines.push_back(printed("timestamp %lld  state %u  enable %d  grip %d  force %d",
                                static_cast<long long>(view.timestamp), view.state,
                                view.enable ? 1 : 0, view.grip ? 1 : 0, view.force ? 1 : 0));
    } else {
        lines.push_back("timestamp -  state -  enable -  grip -  force -");
    }
    lines.push_back(printed("%-*s%*s%*s%*s  last 5 s", LABEL_WIDTH, "", VALUE_WIDTH, "latest",
                            VALUE_WIDTH, "least", VALUE_WIDTH, "greatest"));
    for (const LiveRow& row : view.rows) lines.push_back(row_line(row, columns, blocks));
    lines.push_back("error: " + (view.error.empty() ? std::string("-") : view.error));
    if (view.silent_s >= 1) {
        lines.push_back(printed("link silent for %ld s", static_cast<long>(view.silent_s)));
    }
    if (view.paused) lines.push_back("paused");
    lines.push_back("keys: q quit  space pause  r reset");
    return lines;
}
