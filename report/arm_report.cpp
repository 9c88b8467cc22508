#include "report/arm_report.h"

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

// "\t\tangle:0 0.500000" after the prefix: one value of a list.
void append_value_line(std::string& out, const char* name, pb_size_t index, double value) {
    append_log_prefix(out, "INFO");
    out += name;
    append_integer(out, index);
    out += ' ';
    append_fixed(out, value);
}

}  // namespace

void print_report(const ArmReport& report, std::string* held) {
    std::string lines;
    std::string& out = held != nullptr ? *held : lines;
    const MainArmStateMsg& r = report.record;
    append_log_prefix(out, "INFO");
    out += '[';
    append_integer(out, r.timestamp);
    out += "] state:";
    append_integer(out, r.state);
    out += r.enable ? " enable:1" : " enable:0";
    out += r.grip ? " grip:1" : " grip:0";
    out += r.force ? " force:1\n" : " force:0\n";
    if (r.has_angles) {
        append_log_prefix(out, "INFO");
        out += "angles:\n";
        for (pb_size_t i = 0; i < r.angles.angle_count; ++i) {
            append_value_line(out, "\t\tangle:", i, r.angles.angle[i]);
            out += "\n\n";
        }
    }
    append_log_prefix(out, "INFO");
    out += "poses:\n";
    for (pb_size_t i = 0; i < r.poses_count; ++i) {
        append_value_line(out, "\t\tpose:", i, r.poses[i]);
        out += '\n';
    }
    if (!report.error_shown.empty()) {
        append_log_prefix(out, "INFO");
        out += "error: " + report.error_shown + "\n\n";
    }
    if (held == nullptr) write_console(lines);
}
