#include "arm/arm_monitor.h"

#include <cstdio>

#include "arm.pb.h"
#include "arm/arm_watch.h"
#include "arm/live_watch.h"
#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "program/connection.h"

const CommandLineForm ARM_MONITOR_FORM{
    "arm_monitor",
    ARM_DEFAULT_ADDRESS,
    8006,
    {},
    {{"--csv", "FILE", "also write each report printed as a row of FILE (a new file)", false},
     {"--live", "", "show the reports as one view that redraws in place (a terminal only)"}}};

namespace {

// The monitor's title: its one command needs no choice, so no menu follows it.
const char TITLE[] = "接收主臂位姿:\n";

// Put out everything held and give the status the watch ends with.
int end_watch(ArmWatch& watch, int status) {
    if (!watch.csv.finish(&watch.held) && status != STATUS_OUTPUT_FAILED) {
        status = STATUS_RECORD_FILE_FAILED;
    }
    if (!put_out_lines(watch)) status = STATUS_OUTPUT_FAILED;
    if (status == STATUS_OUTPUT_FAILED) {
        std::fputs("arm_monitor: standard output failed; the watch ends\n", stderr);
    }
    return status;
}

// Print every report until the watch ends.
int watch_reports(ArmWatch& watch) {
    for (;;) {
        FrameResult received = next_report_frame(watch);
        if (interrupted()) return end_watch(watch, interrupt_status());
        if (watch.csv.failed()) return end_watch(watch, STATUS_RECORD_FILE_FAILED);
        log_received(received, &watch.held);
        bool framing_lost = received.kind == FrameResult::FRAMING_LOST;
        // Silence or a closed link ends the watch.
        if (!received.is_frame() && !framing_lost) return end_watch(watch, STATUS_OK);
        bool decoded = unpack_report(watch.report, watch.frame, received.length, &watch.held);
        if (framing_lost) {
            log_to(&watch.held, "ERROR", "%s\n",
                   "report stream lost its framing; no later report can be read.");
            return end_watch(watch, STATUS_EXCHANGE_FAILED);
        }
        if (decoded) {
            print_report(watch.report, &watch.held);
            watch.csv.add(watch.report, received.complete_at_wall_us);
        }
        if (watch.csv.failed()) return end_watch(watch, STATUS_RECORD_FILE_FAILED);
        if (watch.held.size() >= HELD_LINES_LIMIT) put_out_lines(watch);
        // Nobody reads the reports any more: stop watching.
        if (standard_output_failed()) return end_watch(watch, STATUS_OUTPUT_FAILED);
    }
}

}  // namespace

int run_arm_monitor(Start& start) {
    const bool live = start.command_line.has("--live");
    const std::string no_screen = live ? why_no_screen() : "";
    if (!no_screen.empty()) {
        log_error("%s\n", no_screen.c_str());
        return STATUS_BAD_ARGUMENTS;
    }
    ArmWatch watch;
    const bool with_csv = start.command_line.has("--csv");
    if (with_csv && !watch.csv.open(start.command_line.value("--csv"))) {
        return STATUS_RECORD_FILE_FAILED;
    }
    Outcome connected = connect_to_controller(start);
    if (!connected.goes_on) {
        if (with_csv) watch.csv.discard();  // nothing was watched: leave no file behind
        return connected.status;
    }
    TerminalScreen screen;
    if (live) watch_resizes(screen);  // before the signal mask of the waits is set
    catch_interrupt();                // so that what is held goes out before the watch ends
    write_console(std::string(TITLE) + "\n");
    log_debug("call action: %s\n", TITLE);
    FrameBuffer request_frame{};
    MainArmRequestMsg request{};  // the all-zero request: send the reports
    if (!send_request(start.link.get(), MainArmRequestMsg_fields, &request, ARM_FRAME,
                      request_frame)
             .is_frame()) {
        return STATUS_EXCHANGE_FAILED;
    }
    watch.reports.link = start.link.get();
    watch.reports.format = ARM_FRAME;
    if (!live) return watch_reports(watch);
    const CommandLine& line = start.command_line;
    return watch_live(watch, screen, line.server_address + ":" + std::to_string(line.server_port));
}
