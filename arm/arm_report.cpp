#include "arm/arm_report.h"

#include <cstring>

#include "console/log.h"
#include "console/number_text.h"
#include "console/printable_text.h"

namespace {

text_buffer error_text;

}  // namespace

void prepare_report(MainArmStateMsg& report) {
    report = MainArmStateMsg{};
    bind_text(report.error, error_text);
    clear_text(error_text);
}

const text_buffer& report_error_text() {
    return error_text;
}

namespace {

// A report's lines written straight into a buffer that has room for them all.
struct ReportWriter {
    char* at;
    const char* prefix;  // "[time] [INFO] "
    size_t prefix_length;

    void text(const char* piece, size_t length) {
        std::memcpy(at, piece, length);
        at += length;
    }
    template <size_t N>
    void text(const char (&piece)[N]) {
        text(piece, N - 1);
    }
    void line_start() { text(prefix, prefix_length); }
    void decimal(long long value) { at += write_decimal(at, value); }
    void fixed6(double value) { at += write_fixed6(at, value); }
};

// The most a report's lines take, its error text aside: 16 lines, a dozen of
// them with a number of up to NUMBER_TEXT_SIZE bytes.
constexpr size_t REPORT_TEXT_LIMIT = 16 * 64 + 12 * NUMBER_TEXT_SIZE;

}  // namespace

void append_report(std::string& out, const MainArmStateMsg& report) {
    // The lines of log_info("[%lld] state:%u enable:%d grip:%d force:%d\n", ...),
    // log_info("\t\tangle:%d %lf\n\n", ...) and the rest, formed without printf.
    thread_local char buffer[REPORT_TEXT_LIMIT];
    thread_local std::string prefix;
    prefix.clear();
    append_line_prefix(prefix, "INFO");
    ReportWriter w{buffer, prefix.data(), prefix.size()};
    w.line_start();
    w.text("[");
    w.decimal(report.timestamp);
    w.text("] state:");
    w.decimal(report.state);
    w.text(report.enable ? " enable:1" : " enable:0", 9);
    w.text(report.grip ? " grip:1" : " grip:0", 7);
    w.text(report.force ? " force:1\n" : " force:0\n", 9);
    if (report.has_angles) {
        w.line_start();
        w.text("angles:\n");
        for (pb_size_t i = 0; i < report.angles.angle_count; ++i) {
            w.line_start();
            w.text("\t\tangle:");
            w.decimal(i);
            w.text(" ");
            w.fixed6(report.angles.angle[i]);
            w.text("\n\n");
        }
    }
    w.line_start();
    w.text("poses:\n");
    for (pb_size_t i = 0; i < report.poses_count; ++i) {
        w.line_start();
        w.text("\t\tpose:");
        w.decimal(i);
        w.text(" ");
        w.fixed6(report.poses[i]);
        w.text("\n");
    }
    out.append(buffer, static_cast<size_t>(w.at - buffer));
    if (error_text.text[0] != '\0') {
        out += prefix;
        out += "error: " + printable_text(error_text.text) + "\n\n";
    }
}

void print_report(const MainArmStateMsg& report) {
    thread_local std::string text;
    text.clear();
    append_report(text, report);
    write_lines(text);
}
