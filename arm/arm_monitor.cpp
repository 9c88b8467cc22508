#include "arm/arm_monitor.h"

#include <memory>

#include "arm.pb.h"
#include "arm/recording_info.h"
#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "live/live_watch.h"
#include "program/connection.h"
#include "report/csv_file.h"
#include "report/json_reports.h"
#include "report/printed_reports.h"
#include "report/report_mcap.h"
#include "viewer/viewer_server.h"
#include "watch/arm_watch.h"
#include "watch/stats_output.h"
#include "websocket/websocket_listener.h"

namespace {

// The rules between the options, once all are read.
std::string check_options(const MonitorOptions& options) {
    // Two options that name the same file would write over each other.
    if (options.csv && options.record && *options.csv == *options.record) {
        return "--csv and --record name the same file: " + *options.csv;
    }
    if (options.compression_given && !options.record) {
        return "--compression is that of --record's file: it needs --record FILE";
    }
    if (options.json && options.live) {
        return "--json and --live cannot go together: both would take standard output";
    }
    return "";
}

}  // namespace

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
                  "also keep every frame the arm sends in FILE, an MCAP recording (a new file)"),
     read_option<MonitorOptions>(
         {"--compression", "zstd|lz4|none", "how --record's chunks are compressed (zstd)",
          ValueKind::NAME, Alone::NO, "unknown compression: ", " (zstd, lz4 or none)"},
         [](MonitorOptions& options, const char* text) {
             options.compression_given = true;
             return read_compression(text, options.compression);
         }),
     flag_option("--stats", &MonitorOptions::stats,
                 "print a line a second on the stream's health instead of each report, and a "
                 "summary at the end"),
     flag_option("--reconnect", &MonitorOptions::reconnect,
                 "when the link closes, falls silent or cannot be made, make it again every "
                 "second until a signal"),
     json_option(&MonitorOptions::json,
                 "print each frame as one JSON line on standard output (the log lines on "
                 "standard error) instead of its lines"),
     timeout_option(&MonitorOptions::timeout_seconds),
     read_option<MonitorOptions>(
         {"--serve", "[ADDR:]PORT",
          "also serve the reports live to viewers on ws://ADDR:PORT (ADDR 127.0.0.1 unless given; "
          "the protocol has no authentication)",
          ValueKind::NAME, Alone::NO, "bad --serve address: ", " ([ADDR:]PORT, PORT 0 to 65535)"},
         [](MonitorOptions& options, const char* text) {
             Endpoint where;
             if (!read_listen_address(text, where)) return false;
             options.serve = where;
             return true;
         }),
     named_option("--info", "FILE", &MonitorOptions::info,
                  "tell what FILE, an MCAP recording, holds; connects to nothing", ValueKind::NAME,
                  Alone::YES)},
    Wording::TOOL,
    "",
    "",
    check_options};

namespace {

// The monitor's title: its one command needs no choice, so no menu follows it.
const char TITLE[] = "接收主臂位姿:\n";

// The files are made before the link: one that cannot be is refused first.
bool create_files(const MonitorOptions& options, const Start& start, CsvFile& csv,
                  ReportRecording& record) {
    if (options.csv && !csv.create(*options.csv)) return false;
    if (options.record &&
        !record.create(*options.record, endpoint_text(start.server),
                       std::string("vostrel ") + version_text(), options.compression)) {
        if (options.csv) csv.discard();
        return false;
    }
    return true;
}

}  // namespace

int run_arm_monitor(Start& start, const MonitorOptions& options) {
    if (options.info) return print_recording_info(*options.info);
    const std::string no_screen = options.live ? why_no_screen() : "";
    if (!no_screen.empty()) {
        log_error("%s\n", no_screen.c_str());
        return STATUS_BAD_ARGUMENTS;
    }
    ArmWatch watch;
    if (options.json) watch.lines.notes_apart();  // the log lines to the console: standard error
    std::string& notes = watch.lines.notes();
    ViewerServer viewers(notes, options.live);
    if (options.serve && !viewers.open(*options.serve, endpoint_text(start.server))) {
        return STATUS_SERVE_FAILED;
    }
    CsvFile csv(notes);
    ReportRecording record(notes);
    if (!create_files(options, start, csv, record)) return STATUS_RECORD_FILE_FAILED;
    Outcome connected = connect_to_controller(start, options.timeout_seconds);
    if (!connected.goes_on && !options.reconnect) {
        // Nothing was watched: leave no file behind.
        if (options.csv) csv.discard();
        if (options.record) record.discard();
        return connected.status;
    }
    TerminalScreen screen;
    if (options.live) watch_resizes(screen);  // before the signal mask of the waits is set
    catch_interrupt();                        // so that what is held goes out before the watch ends
    write_console(std::string(TITLE) + "\n");
    log_debug("call action: %s\n", TITLE);
    watch.link.server = start.server;
    watch.link.reconnect = options.reconnect;
    watch.link.timeout_seconds = options.timeout_seconds;
    FrameBuffer request_frame{};
    MainArmRequestMsg request{};  // the all-zero request: send the reports
    const bool asked =
        connected.goes_on && send_request(start.link.get(), MainArmRequestMsg_fields, &request,
                                          ARM_FRAME, request_frame, options.timeout_seconds)
                                 .is_frame();
    if (asked) {
        watch.link.fd = std::move(start.link);
    } else if (!options.reconnect) {
        return STATUS_EXCHANGE_FAILED;
    } else {
        lose_link(watch.link, connected.goes_on ? WatchEnd::LINK_FAILED : WatchEnd::NONE, notes);
    }
    watch.reports.link = watch.link.fd.get();
    watch.reports.format = ARM_FRAME;
    watch.reports.timeout_seconds = options.timeout_seconds;
    PrintedReports printed(watch.lines.held);
    JsonReports json(watch.lines.held, notes);
    StatsOutput stats(notes, options.live);
    std::unique_ptr<LiveWatch> live;
    if (options.live) {
        if (!open_live_view(screen)) return STATUS_BAD_ARGUMENTS;
        live = std::make_unique<LiveWatch>(
            screen, endpoint_text(start.server), options.timeout_seconds,
            [&watch] { return latest_report(watch); }, options.stats ? &stats.gaps() : nullptr);
        watch.outputs.push_back(live.get());
    } else if (options.json) {
        watch.outputs.push_back(&json);
    } else if (!options.stats) {
        watch.outputs.push_back(&printed);
    }
    if (options.stats) watch.outputs.push_back(&stats);
    if (options.csv) watch.outputs.push_back(&csv);
    if (options.record) watch.outputs.push_back(&record);
    if (options.serve) watch.outputs.push_back(&viewers);
    // Neither a file nor a viewer waits for the terminal.
    if (options.csv || options.record || options.serve) watch.lines.never_wait();
    return run_watch(watch);
}
