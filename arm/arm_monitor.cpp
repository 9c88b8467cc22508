#include "arm/arm_monitor.h"

#include <cstdio>

#include "arm.pb.h"
#include "runtime/frame.h"
#include "runtime/log.h"
#include "runtime/menu.h"
#include "runtime/printable_text.h"
#include "runtime/server_link.h"
#include "runtime/text_buffer.h"

namespace {

const Menu<MainArmRequestMsg> rootMenu("接收主臂位姿:\n", [](MainArmRequestMsg&) {});

text_buffer error_text;

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

}  // namespace

int run_arm_monitor(int link) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    MainArmRequestMsg request{};
    rootMenu.run(request);

    if (send_request(link, MainArmRequestMsg_fields, &request, ARM_FRAME, frame_buffer) <= 0) {
        return STATUS_EXCHANGE_FAILED;
    }
    ReplyStream reports = reply_stream(link, ARM_FRAME);
    MainArmStateMsg report;
    for (;;) {
        int count = receive_reply(reports, reply_buffer);
        if (count <= 0) return STATUS_OK;  // silence or a closed link ends the watch
        prepare_report(report);
        bool decoded =
            unpack_reply(reply_buffer, count, MainArmStateMsg_fields, &report, ARM_FRAME);
        if (reports.lost_step) {
            log_error("%s\n", "report stream lost its framing; no later report can be read.");
            return STATUS_EXCHANGE_FAILED;
        }
        if (decoded) print_report(report);
        if (standard_output_failed()) {
            // Nobody reads the reports any more: stop watching.
            std::fputs("arm_monitor: standard output failed; the watch ends\n", stderr);
            return STATUS_OUTPUT_FAILED;
        }
    }
}
