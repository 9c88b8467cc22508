// arm_monitor against the Python monitor and a minimal C reader of the same
// stream, fed by tests/support's FakePeer.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <tuple>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "mcap_read/mcap_reader.h"
#include "tests/support/bytes.h"
#include "tests/support/fake_peer.h"

namespace {

struct MonitorRun {
    double rate = 0;  // reports per second, from the monitor's start to its exit
    double cpu = 0;   // seconds of CPU the monitor spent
    long peak_kib = 0;
    bool ok = false;
};

enum class Monitor {
    VOSTREL,
    VOSTREL_CSV,
    VOSTREL_LIVE,
    VOSTREL_RECORD,
    PYTHON,
    C_READER,
    VOSTREL_STATS,
    VOSTREL_JSON,
    BESIDE,  // the plain monitor of the earlier build
};

const char CSV_PATH[] = "/tmp/vostrel-bench-reports.csv";
const char MCAP_PATH[] = "/tmp/vostrel-bench-reports.mcap";

std::vector<std::string> command(const BenchOptions& options, Monitor monitor,
                                 const std::string& port) {
    const std::string tool = options.bin + "/arm_monitor";
    unlink(CSV_PATH);
    unlink(MCAP_PATH);
    const std::vector<std::string> commands[] = {
        {tool, "127.0.0.1", port},
        {tool, "--csv", CSV_PATH, "127.0.0.1", port},
        {tool, "--live", "127.0.0.1", port},
        {tool, "--record", MCAP_PATH, "127.0.0.1", port},
        {"/usr/bin/python3", std::string(VOSTREL_SOURCE_DIR) + "/baselines/python_monitor.py", port,
         options.python_dir},
        {options.bin + "/c_floor", "read", port},
        {tool, "--stats", "127.0.0.1", port},
        {tool, "--json", "127.0.0.1", port},
        {options.beside + "/arm_monitor", "127.0.0.1", port}};
    return commands[static_cast<int>(monitor)];
}

// One run of `monitor` fed `stream` (frames of `frame_length` bytes) flat out
// (rate_hz 0) or paced.
MonitorRun run_monitor(const BenchOptions& options, Monitor monitor, Output output,
                       const std::string& stream, size_t frame_length, double rate_hz) {
    FakePeer peer({receive_arm_frame(), send_paced(stream, frame_length, rate_hz), close_link()});
    Child child;
    const double start = now_seconds();
    start_child(command(options, monitor, peer.port_text()), output, child);
    PeakMemory memory(child.pid);
    wait_child(child);
    MonitorRun run;
    run.rate = static_cast<double>(stream.size() / frame_length) / (now_seconds() - start);
    run.peak_kib = memory.finish_kib();
    run.cpu = child.cpu_seconds;
    run.ok = peer.arrivals().size() == 1 && child.status == 0;
    return run;
}

// The state lines in the file that Output::TO_FILE wrote.
size_t state_lines_in_output_file() {
    std::ifstream file(OUTPUT_FILE);
    std::stringstream text;
    text << file.rdbuf();
    return count_of(text.str(), "] state:");
}

// The messages in the recording that Monitor::VOSTREL_RECORD made.
size_t recorded_messages() {
    McapReader reader;
    McapMessage message;
    size_t count = 0;
    if (reader.open(MCAP_PATH)) {
        while (reader.next(message) == McapReader::MESSAGE) ++count;
    }
    return count;
}

std::string cpu_text(double seconds) {
    return std::to_string(static_cast<int>(seconds * 1000)) + " ms CPU";
}

// Flat out: every line printed to a file, not one report lost; and to
// /dev/null, plain, --record and --json, beside the Python monitor (its time
// stamp formed once a second, as an engineer writes it) and the earlier build.
void measure_flat_out(const BenchOptions& options, const std::string& stream, size_t length,
                      std::vector<BenchRow>& rows) {
    std::vector<double> to_file, recording, fast[5];  // plain, --record, --json, Python, beside
    const Monitor to_null[] = {Monitor::VOSTREL, Monitor::VOSTREL_RECORD, Monitor::VOSTREL_JSON,
                               Monitor::PYTHON, Monitor::BESIDE};
    size_t printed = options.reports, recorded = options.reports;
    bool ok = true;
    for (int i = 0; i < options.runs; ++i) {
        MonitorRun run = run_monitor(options, Monitor::VOSTREL, Output::TO_FILE, stream, length, 0);
        to_file.push_back(run.rate);
        printed = std::min(printed, state_lines_in_output_file());
        MonitorRun kept =
            run_monitor(options, Monitor::VOSTREL_RECORD, Output::TO_FILE, stream, length, 0);
        recording.push_back(kept.rate);
        recorded = std::min({recorded, state_lines_in_output_file(), recorded_messages()});
        ok = ok && run.ok && kept.ok;
        for (int m = 0; m < 5; ++m) {  // one after another, so that the machine's load falls on all
            const bool absent =
                (m == 3 && options.python_dir.empty()) || (m == 4 && options.beside.empty());
            if (!absent) {
                fast[m].push_back(
                    run_monitor(options, to_null[m], Output::DEV_NULL, stream, length, 0).rate);
            }
        }
    }
    for (const auto& [what, rates, kept] :
         {std::tuple<std::string, std::vector<double>, size_t>{"", to_file, printed},
          {" --record (every frame in the recording too)", recording, recorded}}) {
        rows.push_back({"arm_monitor" + what + " flat out, every line printed to a file",
                        rate_text(median(rates), "reports") + ", " +
                            std::to_string(options.reports - kept) + " lost",
                        "", "", ">= 100k reports/s, 0 lost", true,
                        ok && median(rates) >= 100000 && kept == options.reports});
    }
    const auto beside = [&rows](const std::string& what, const std::vector<double>& ours,
                                const std::vector<double>& theirs, const std::string& reference,
                                double target) {
        if (theirs.empty()) return;
        const double times = median(ours) / std::max(median(theirs), 1.0);
        rows.push_back({what, rate_text(median(ours), "reports"),
                        reference + " " + rate_text(median(theirs), "reports"), times_text(times),
                        target > 0 ? ">= " + times_text(target) : "", target > 0, times >= target});
    };
    const std::string python = "the Python monitor";
    beside("arm_monitor flat out to /dev/null, beside the Python monitor", fast[0], fast[3], python,
           8);
    beside("arm_monitor --record flat out to /dev/null, beside the Python monitor", fast[1],
           fast[3], python, 8);
    beside("arm_monitor --json flat out to /dev/null, beside the plain lines", fast[2], fast[0],
           "plain", 1);
    beside("arm_monitor flat out to /dev/null, beside the earlier build", fast[0], fast[4],
           "earlier", 0);
}

// What the monitor costs at the arm's own rate, against a C reader that only
// reads and frames the same stream: 1 kHz over 10 s, the runs of a round one
// after another, so that a change in the machine's load falls on all alike.
// --live draws on a pseudo-terminal that we read.
void measure_cpu(const BenchOptions& options, std::vector<BenchRow>& rows) {
    size_t length = 0;
    const std::string paced = report_stream(options.smoke ? 200 : 10000, length);
    const Monitor monitors[] = {Monitor::C_READER,       Monitor::VOSTREL,
                                Monitor::VOSTREL_CSV,    Monitor::VOSTREL_LIVE,
                                Monitor::VOSTREL_RECORD, Monitor::VOSTREL_STATS,
                                Monitor::BESIDE};
    constexpr int COUNT = 7;
    std::vector<double> cpu[COUNT];
    for (int round = 0; round < options.runs; ++round) {
        for (int m = 0; m < COUNT; ++m) {
            if (monitors[m] == Monitor::BESIDE && options.beside.empty()) continue;
            const Output output =
                monitors[m] == Monitor::VOSTREL_LIVE ? Output::PTY : Output::DEV_NULL;
            MonitorRun run = run_monitor(options, monitors[m], output, paced, length, 1000);
            cpu[m].push_back(run.ok ? run.cpu : 0);
        }
    }
    const double reader = median(cpu[0]), plain = median(cpu[1]);
    const std::string over = std::string(" at 1 kHz over ") + (options.smoke ? "0.2" : "10") + " s";
    for (int m = 1; m < COUNT; ++m) {
        if (cpu[m].empty()) continue;
        const double ours = median(cpu[m]);
        const double ratio = reader > 0 ? ours / reader : 0;
        const char* const names[] = {
            "", "", " --csv", " --live", " --record (zstd)", " --stats", " of the earlier build"};
        const std::string targets[] = {"",
                                       "<= 2x",
                                       "<= 2x",
                                       "<= plain monitor's " + cpu_text(plain) + " (goal 1.5x)",
                                       "<= plain monitor's " + cpu_text(plain) + " + 10%",
                                       "<= 2x",
                                       ""};
        const bool met[] = {false,      ratio <= 2, ratio <= 2, ours <= plain, ours <= plain * 1.1,
                            ratio <= 2, true};
        rows.push_back({std::string("arm_monitor") + names[m] + over +
                            (m == 3 ? " on a pseudo-terminal" : "") + ", against the C reader",
                        cpu_text(ours), cpu_text(reader), times_text(ratio), targets[m],
                        !targets[m].empty(), ratio > 0 && met[m]});
    }
}

}  // namespace

void measure_monitors(const BenchOptions& options, std::vector<BenchRow>& rows) {
    size_t frame_length = 0;
    const std::string stream = report_stream(options.reports, frame_length);
    measure_flat_out(options, stream, frame_length, rows);
    measure_cpu(options, rows);

    // Not one report lost, paced.
    for (double rate : {1000.0, 10000.0}) {
        size_t count = static_cast<size_t>(rate * (options.smoke ? 0.2 : 2.0));
        size_t length = 0;
        const std::string reports = report_stream(count, length);
        MonitorRun run =
            run_monitor(options, Monitor::VOSTREL, Output::TO_FILE, reports, length, rate);
        const size_t printed = state_lines_in_output_file();
        rows.push_back({"reports lost at " + std::to_string(static_cast<int>(rate)) + " Hz",
                        std::to_string(count - printed) + " of " + std::to_string(count), "", "",
                        "0", true, run.ok && printed == count});
    }
    unlink(OUTPUT_FILE);

    // Peak memory, over a short stream (long enough to fill every buffer) and
    // the whole one, every frame recorded too.
    size_t short_count = std::min(options.reports, std::max<size_t>(options.reports / 10, 5000));
    MonitorRun small = run_monitor(options, Monitor::VOSTREL_RECORD, Output::DEV_NULL,
                                   stream.substr(0, frame_length * short_count), frame_length, 0);
    MonitorRun whole =
        run_monitor(options, Monitor::VOSTREL_RECORD, Output::DEV_NULL, stream, frame_length, 0);
    unlink(CSV_PATH);
    unlink(MCAP_PATH);
    rows.push_back(
        {"arm_monitor --record peak memory, " + std::to_string(short_count) + " then " +
             std::to_string(options.reports) + " reports",
         std::to_string(small.peak_kib) + " KiB, " + std::to_string(whole.peak_kib) + " KiB", "",
         "", "flat, <= 8192 KiB", true,
         whole.peak_kib <= 8192 && whole.peak_kib - small.peak_kib <= 256});
}
