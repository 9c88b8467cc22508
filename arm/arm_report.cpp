#include "arm/arm_report.h"

#include "runtime/log.h"
#include "runtime/printable_text.h"
#include "runtime/text_buffer.h"

namespace {

text_buffer error_text;

}  // namespace

void prepare_report(MainArmStateMsg& report) {
    report = MainArmStateMsg{};
    bind_text(report.error, error_text);
    clear_text(error_text);
}

void print_report(const MainArmStateMsg& report) {
    log_info("[%lld] state:%u enable:%d grip:%d force:%d\n",
             static_cast<long long>(report.timestamp), report.state, report.enable ? 1 : 0,
             report.grip ? 1 : 0, report.force ? 1 : 0);
    if (report.has_angles) {
        log_info("%s\n", "angles:");
        for (pb_size_t i = 0; i < report.angles.angle_count; ++i) {
            log_info("\t\tangle:%d %lf\n\n", static_cast<int>(i), report.angles.angle[i]);
        }
    }
    log_info("%s\n", "poses:");
    for (pb_size_t i = 0; i < report.poses_count; ++i) {
        log_info("\t\tpose:%d %lf\n", static_cast<int>(i), report.poses[i]);
    }
    if (error_text.text[0] != '\0')
        log_info("error: %s\n\n", printable_text(error_text.text).c_str());
}
