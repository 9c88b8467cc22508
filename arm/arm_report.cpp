#include "arm/arm_report.h"

#include "console/log.h"
#include "console/printable_text.h"

ArmReport::ArmReport() {
    bind_text(record.error, error);
}

bool unpack_report(ArmReport& report, const FrameBuffer& frame, size_t length, std::string* held) {
    clear_text(report.error);
    report.error_shown.clear();
    if (!unpack_reply(frame, length, MainArmStateMsg_fields, &report.record, ARM_FRAME, held)) {
        return false;
    }
    if (report.error.text[0] != '\0') report.error_shown = printable_text(report.error.text);
    return true;
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
