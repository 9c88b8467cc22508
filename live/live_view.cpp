#include "live/live_view.h"

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

// The first line: the marks of the status stay, the head gives way to them.
std::string first_line(const LiveFigures& figures, LiveClock::time_point at,
                       const LiveStatus& status, int columns) {
    std::string head = "arm_monitor --live  " + figures.peer + "  connected " +
                       clock_text(connected_seconds(figures, at));
    std::string marks;
    if (status.paused) marks += "  paused";
    if (status.silent_s >= 1) {
        marks += printed("  link silent for %ld s", static_cast<long>(status.silent_s));
    }
    const size_t room =
        columns > static_cast<int>(marks.size()) ? static_cast<size_t>(columns) - marks.size() : 0;
    if (!marks.empty() && head.size() > room) head.resize(room);
    return head + marks;
}

// The trace, `width` characters: each the latest value of its share of the
// slots up to that of `at`.
std::string trace_text(const LiveRow& row, long slot, size_t width, bool blocks) {
    std::string text;
    for (size_t c = 0; c < width; ++c) {
        double value = NAN;
        for (size_t s = c * TRACE_SLOTS / width; s < (c + 1) * TRACE_SLOTS / width; ++s) {
            const long of = slot - static_cast<long>(TRACE_SLOTS) + 1 + static_cast<long>(s);
            const size_t at = static_cast<size_t>(of < 0 ? 0 : of) % TRACE_SLOTS;
            if (of >= 0 && row.slots[at] == of) value = row.values[at];
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

std::string row_line(const LiveRow& row, size_t index, long slot, int columns, bool blocks) {
    const std::string label = (index < 6 ? "angle " : "pose ") + std::to_string(index % 6);
    std::string line = printed("%-*s%*s%*s%*s  ", LABEL_WIDTH, label.c_str(), VALUE_WIDTH,
                               row.carried ? value_text(row.latest).c_str() : "-", VALUE_WIDTH,
                               row.seen ? value_text(row.least).c_str() : "-", VALUE_WIDTH,
                               row.seen ? value_text(row.greatest).c_str() : "-");
    int room = columns - static_cast<int>(line.size());
    if (room > 0) line += trace_text(row, slot, static_cast<size_t>(room), blocks);
    return line;
}

}  // namespace

std::vector<std::string> view_lines(const LiveFigures& figures, LiveClock::time_point at,
                                    const LiveStatus& status, int columns, bool blocks) {
    std::vector<std::string> lines;
    lines.push_back(first_line(figures, at, status, columns));
    const std::string gaps = status.gaps >= 0 ? printed("  gaps %ld", status.gaps) : "";
    lines.push_back(printed("reports %zu  rate %.1f  largest gap %.1f ms%s  bad frames %zu",
                            figures.reports, static_cast<double>(reports_last_second(figures, at)),
                            figures.largest_gap_ms, gaps.c_str(), figures.bad_frames));
    if (figures.reports > 0) {
        lines.push_back(printed("timestamp %lld  state %u  enable %d  grip %d  force %d",
                                static_cast<long long>(figures.timestamp), figures.state,
                                figures.enable ? 1 : 0, figures.grip ? 1 : 0,
                                figures.force ? 1 : 0));
    } else {
        lines.push_back("timestamp -  state -  enable -  grip -  force -");
    }
    lines.push_back(printed("%-*s%*s%*s%*s  last 5 s", LABEL_WIDTH, "", VALUE_WIDTH, "latest",
                            VALUE_WIDTH, "least", VALUE_WIDTH, "greatest"));
    const long slot = slot_at(figures, at);
    for (size_t i = 0; i < LIVE_ROWS; ++i) {
        lines.push_back(row_line(figures.rows[i], i, slot, columns, blocks));
    }
    lines.push_back("error: " + (figures.error.empty() ? std::string("-") : figures.error));
    lines.push_back(status.paused ? "keys: q quit  space resume  r reset"
                                  : "keys: q quit  space pause  r reset");
    return lines;
}
