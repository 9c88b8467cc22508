#include "arm/arm_monitor.h"

#include <cstdio>

#include "arm.pb.h"
#include "arm/arm_report.h"
#include "arm/csv_file.h"
#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "link/frame_exchange.h"

namespace {

// The monitor's title: its one command needs no choice, so no menu follows it.
const char TITLE[] = "接收主臂位姿:\n";

CsvFile* watch_csv = nullptr;  // set before the watch's first wait

// Before every wait of the watch: the lines held, then the CSV's rows.
Deadline put_out_held() {
    flush_output();
    return watch_csv != nullptr ? watch_csv->flush() : Deadline::max();
}

// Put out everything held and give the status the watch ends with.
int end_watch(int status, CsvFile* csv) {
    if (csv != nullptr && !csv->finish() && status != STATUS_OUTPUT_FAILED) {
        status = STATUS_RECORD_FILE_FAILED;
    }
    if (!flush_output()) status = STATUS_OUTPUT_FAILED;
    if (status == STATUS_OUTPUT_FAILED) {
        std::fputs("arm_monitor: standard output failed; the watch ends\n", stderr);
    }
    return status;
}

}  // namespace

int run_arm_monitor(int link, CsvFile* csv) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    write_console(std::string(TITLE) + "\n");
    log_debug("call action: %s\n", TITLE);
    MainArmRequestMsg request{};  // the all-zero request: send the reports

    if (!send_request(link, MainArmRequestMsg_fields, &request, ARM_FRAME, frame_buffer)
             .is_frame()) {
        return STATUS_EXCHANGE_FAILED;
    }
    // Reports are held while more are already waiting, and put out before
    // every wait for the link: as live as line by line, at a fraction of the cost.
    hold_output();
    watch_csv = csv;
    before_every_wait(put_out_held);
    FrameStream reports(link, ARM_FRAME);
    reports.try_read_first = true;
    if (csv != nullptr) csv->end_watch_on_failure(link);
    MainArmStateMsg report;
    for (;;) {
        FrameResult received = receive_frame(reports, reply_buffer);
        if (interrupted()) return end_watch(interrupt_status(), csv);
        if (csv != nullptr && csv->failed()) return end_watch(STATUS_RECORD_FILE_FAILED, csv);
        log_received(received);
        bool framing_lost = received.kind == FrameResult::FRAMING_LOST;
        // Silence or a closed link ends the watch.
        if (!received.is_frame() && !framing_lost) return end_watch(STATUS_OK, csv);
        prepare_report(report);
        bool decoded =
            unpack_reply(reply_buffer, received.length, MainArmStateMsg_fields, &report, ARM_FRAME);
        if (framing_lost) {
            log_error("%s\n", "report stream lost its framing; no later report can be read.");
            return end_watch(STATUS_EXCHANGE_FAILED, csv);
        }
        if (decoded) {
            print_report(report);
            if (csv != nullptr) csv->add(report, report_error_text().text, reports.read_at_us);
        }
        if (csv != nullptr && csv->failed()) return end_watch(STATUS_RECORD_FILE_FAILED, csv);
        // Nobody reads the reports any more: stop watching.
        if (standard_output_failed()) return end_watch(STATUS_OUTPUT_FAILED, csv);
    }
}
