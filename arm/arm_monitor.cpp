#include "arm/arm_monitor.h"

#include "arm.pb.h"
#include "arm/arm_watch.h"
#include "arm/live_watch.h"
#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "program/connection.h"

const CommandLineForm<MonitorOptions> ARM_MONITOR_FORM{
    "arm_monitor",
    ARM_DEFAULT_ADDRESS,
    8006,
    {},
    {named_option("--csv", "FILE", &MonitorOptions::csv,
                  "also write each report printed as a row of FILE (a new file)"),
     flag_option("--live", &MonitorOptions::live,
                 "show the reports as one view that redraws in place (a terminal only)"),
     named_option("--record", "FILE", &MonitorOptions::record,
                  "also keep every frame the arm sends in FILE, an MCAP recording (a new file)")}};

namespace {

// The monitor's title: its one command needs no choice, so no menu follows it.
const char TITLE[] = "接收主臂位姿:\n";

// The plain monitor: the "rev len" line and the lines of each report, held
// by the watch until it waits.
class PrintedWatch : public WatchConsumer {
  public:
    explicit PrintedWatch(std::string& held) : held_(held) {}

    Outcome report(const ArmReport& report, const FrameResult& frame) override {
        log_received(frame, &held_);
        print_report(report, &held_);
        return go_on();
    }
    Outcome bad_frame(const FrameBuffer& bytes, const FrameResult& frame, Unpacked why) override {
        log_received(frame, &held_);
        log_undecoded(why, bytes, frame.length, ARM_FRAME, &held_);
        return go_on();
    }
    void leave(const WatchEnd& end) override {
        if (end.reason == WatchEnd::FRAMING_LOST) log_framing_lost(&held_);
        if (end.reason == WatchEnd::CLOSED || end.reason == WatchEnd::SILENT ||
            end.reason == WatchEnd::LINK_FAILED) {
            log_received(end.link, &held_);
        }
    }

  private:
    std::string& held_;
};

}  // namespace

int run_arm_monitor(Start& start, const MonitorOptions& options) {
    const std::string no_screen = options.live ? why_no_screen() : "";
    if (!no_screen.empty()) {
        log_error("%s\n", no_screen.c_str());
        return STATUS_BAD_ARGUMENTS;
    }
    ArmWatch watch;
    if (options.csv && !watch.csv.create(*options.csv)) return STATUS_RECORD_FILE_FAILED;
    if (options.record && !watch.record.create(*options.record, endpoint_text(start.server),
                                               std::string("vostrel ") + version_text())) {
        if (options.csv) watch.csv.discard();
        return STATUS_RECORD_FILE_FAILED;
    }
    Outcome connected = connect_to_controller(start);
    if (!connected.goes_on) {
        // Nothing was watched: leave no file behind.
        if (options.csv) watch.csv.discard();
        if (options.record) watch.record.discard();
        return connected.status;
    }
    TerminalScreen screen;
    if (options.live) watch_resizes(screen);  // before the signal mask of the waits is set
    catch_interrupt();                        // so that what is held goes out before the watch ends
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
    if (options.live) return watch_live(watch, screen, endpoint_text(start.server));
    PrintedWatch printed(watch.held);
    return run_watch(watch, printed);
}
