#include "report/arm_report.h"

#include <charconv>
#include <cstring>

#include "console/log.h"
#include "console/number_text.h"
#include "console/printable_text.h"

ArmReport::ArmReport() {
    bind_text(record.error, error);
}

Unpacked decode_report(ArmReport& report, const FrameBuffer& frame, size_t length) {
    clear_text(report.error);
    report.error_shown.clear();
    const Unpacked decoded =
        decode_reply(frame, length, MainArmStateMsg_fields, &report.record, ARM_FRAME);
    if (decoded == Unpacked::DECODED && report.error.text[0] != '\0') {
        report.error_shown = printable_text(report.error.text);
    }
    return decoded;
}

namespace {

// The lines written straight into room made for them all: a report is formed
// a thousand times a second, piece by piece.
struct LineWriter {
    char* at;
    const std::string& prefix;  // "[time] [INFO] "

    void put(const char* text, size_t length) {
        std::memcpy(at, text, length);
        at += length;
    }
    template <size_t N>
    void put(const char (&text)[N]) {
        put(text, N - 1);
    }
    void line() { put(prefix.data(), prefix.size()); }
    void integer(long long value) { at = std::to_chars(at, at + 24, value).ptr; }
    void fixed(double value) {
        at = std::to_chars(at, at + FIXED_ROOM, value, std::chars_format::fixed, 6).ptr;
    }
    // "\t\tangle:0 0.500000" after the prefix: one value of a list.
    template <size_t N>
    void value_line(const char (&name)[N], pb_size_t index, double value) {
        line();
        put(name);
        integer(index);
        put(" ");
        fixed(value);
    }
};

// The most the lines of a report take but its error: 16 lines of a prefix
// and a few words, twelve of them with a number (six decimals of a double,
// at most FIXED_ROOM).
constexpr size_t PREFIX_ROOM = 64;
constexpr size_t MOST_LINES = 16 * (PREFIX_ROOM + 64) + 12 * FIXED_ROOM;

}  // namespace

void print_report(const ArmReport& report, std::string* held) {
    std::string lines;
    std::string& out = held != nullptr ? *held : lines;
    const MainArmStateMsg& r = report.record;
    const std::string& prefix = log_prefix("INFO");
    char room[MOST_LINES];  // formed here, then appended at once
    static_assert(sizeof r.angles.angle / sizeof(double) + sizeof r.poses / sizeof(double) <= 12,
                  "the room holds twelve values");
    LineWriter w{room, prefix};  // a prefix is "[time] [INFO] ": well within PREFIX_ROOM
    w.line();
    w.put("[");
    w.integer(r.timestamp);
    w.put("] state:");
    w.integer(r.state);
    w.put(r.enable ? " enable:1" : " enable:0", 9);
    w.put(r.grip ? " grip:1" : " grip:0", 7);
    w.put(r.force ? " force:1\n" : " force:0\n", 9);
    if (r.has_angles) {
        w.line();
        w.put("angles:\n");
        for (pb_size_t i = 0; i < r.angles.angle_count; ++i) {
            w.value_line("\t\tangle:", i, r.angles.angle[i]);
            w.put("\n\n");
        }
    }
    w.line();
    w.put("poses:\n");
    for (pb_size_t i = 0; i < r.poses_count; ++i) {
        w.value_line("\t\tpose:", i, r.poses[i]);
        w.put("\n");
    }
    out.append(room, static_cast<size_t>(w.at - room));
    if (!report.error_shown.empty()) {
        out += prefix;
        out += "error: ";
        out += report.error_shown;
        out += "\n\n";
    }
    if (held == nullptr) write_console(lines);
}
