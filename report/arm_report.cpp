#include "report/arm_report.h"

#include "console/log.h"
#include "console/printable_text.h"

ArmReport::ArmReport() {
    bind_text(record.error, error);
}

namespace {

// The error text as the terminal shows it, once the report has decoded.
bool shown(ArmReport& report, bool decoded) {
    if (decoded && report.error.text[0] != '\0') {
        report.error_shown = printable_text(report.error.text);
    }
    return decoded;
}

}  // namespace

bool unpack_report(ArmReport& report, const FrameBuffer& frame, size_t length, std::string* held) {
    clear_text(report.error);
    report.error_shown.clear();
    return shown(report, unpack_reply(frame, length, MainArmStateMsg_fields, &report.record,
                                      ARM_FRAME, held));
}

bool decode_report(ArmReport& report, const FrameBuffer& frame, size_t length) {
    clear_text(report.error);
    report.error_shown.clear();
    return shown(report,
                 decode_reply(frame, length, MainArmStateMsg_fields, &report.record, ARM_FRAME));
}

void print_report(const ArmReport& report, std::string* held) {
    const MainArmStateMsg& r = report.record;
    log_to(held, "INFO", "[%lld] state:%u enable:%d grip:%d force:%d\n",
           static_cast<long long>(r.timestamp), r.state, r.enable ? 1 : 0, r.grip ? 1 : 0,
           r.force ? 1 : 0);
    if (r.has_angles) {
        log_to(held, "INFO", "%s\n", "angles:");
        for (pb_size_t i = 0; i < r.angles.angle_count; ++i) {
            log_to(held, "INFO", "\t\tangle:%d %lf\n\n", i, r.angles.angle[i]);
        }
    }
    log_to(held, "INFO", "%s\n", "poses:");
    for (pb_size_t i = 0; i < r.poses_count; ++i) {
        log_to(held, "INFO", "\t\tpose:%d %lf\n", i, r.poses[i]);
    }
    if (!report.error_shown.empty()) {
        log_to(held, "INFO", "error: %s\n\n", report.error_shown.c_str());
    }
}
