#include "arm/arm_monitor.h"

#include <cstdio>

#include "arm.pb.h"
#include "arm/arm_report.h"
#include "runtime/exit_status.h"
#include "runtime/frame_exchange.h"
#include "runtime/log.h"
#include "runtime/menu.h"

namespace {

const Menu<MainArmRequestMsg> rootMenu("接收主臂位姿:\n", [](MainArmRequestMsg&) {});

}  // namespace

int run_arm_monitor(int link) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    MainArmRequestMsg request{};
    rootMenu.run(request);

    if (!send_request(link, MainArmRequestMsg_fields, &request, ARM_FRAME, frame_buffer)
             .is_frame()) {
        return STATUS_EXCHANGE_FAILED;
    }
    ReplyStream reports = reply_stream(link, ARM_FRAME);
    MainArmStateMsg report;
    for (;;) {
        FrameResult received = receive_reply(reports, reply_buffer);
        bool framing_lost = received.kind == FrameResult::FRAMING_LOST;
        // Silence or a closed link ends the watch.
        if (!received.is_frame() && !framing_lost) return STATUS_OK;
        prepare_report(report);
        bool decoded =
            unpack_reply(reply_buffer, received.length, MainArmStateMsg_fields, &report, ARM_FRAME);
        if (framing_lost) {
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
