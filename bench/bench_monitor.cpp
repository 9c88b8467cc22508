// arm_monitor against the Python monitor and a minimal C reader of the same stream.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"

namespace {

struct MonitorRun {
    double rate = 0;     // reports per second, from the connection to the exit
    double cpu = 0;      // seconds of CPU the monitor spent
    size_t printed = 0;  // state lines seen (Output::PIPE)
    long peak_kib = 0;
    bool ok = false;
};

enum class Monitor { VOSTREL, VOSTREL_CSV, VOSTREL_LIVE, PYTHON, C_READER };

const char CSV_PATH[] = "/tmp/vostrel-bench-reports.csv";

std::vector<std::string> command(const BenchOptions& options, Monitor monitor,
                                 const std::string& port) {
    switch (monitor) {
        case Monitor::VOSTREL:
            return {options.bin + "/arm_monitor", "127.0.0.1", port};
        case Monitor::VOSTREL_CSV:
            unlink(CSV_PATH);
            return {options.bin + "/arm_monitor", "--csv", CSV_PATH, "127.0.0.1", port};
        case Monitor::VOSTREL_LIVE:
            return {options.bin + "/arm_monitor", "--live", "127.0.0.1", port};
        case Monitor::PYTHON:
            return {"/usr/bin/python3",
                    std::string(VOSTREL_SOURCE_DIR) + "/bench/python_monitor.py", port,
                    options.python_dir};
        default:
            return {options.bin + "/framed_reader", port};
    }
}

MonitorRun run_monitor(const BenchOptions& options, Monitor monitor, Output output,
                       const std::string& stream, size_t frame_length, double rate_hz) {
    Listener listener;
    Child child = start_child(command(options, monitor, listener.port), "", output);
    std::unique_ptr<OutputCounter> counter;
    if (output == Output::PIPE || output == Output::PTY) {
        counter = std::make_unique<OutputCounter>(child.output, "] state:");
    }
    MonitorRun run;
    int link = accept_within(listener.fd, 20);
    PeakMemory memory(child.pid);
    double start = now_seconds();
    bool fed = link >= 0 && feed_reports(link, stream, frame_length, rate_hz);
    Ended ended = wait_child(child);
    double seconds = now_seconds() - start;
    run.peak_kib = memory.finish_kib();
    if (link >= 0) close(link);
    if (counter) run.printed = counter->finish();
    run.rate = static_cast<double>(stream.size() / frame_length) / seconds;
    run.cpu = ended.cpu_seconds;
    run.ok = fed && ended.status == 0;
    return run;
}

// The median of `runs` runs, by `value`.
template <typename Value>
double median_of(const BenchOptions& options, Monitor monitor, const std::string& stream,
                 size_t frame_length, double rate_hz, Value value) {
    std::vector<double> values;
    for (int i = 0; i < options.runs; ++i) {
        MonitorRun run =
            run_monitor(options, monitor, Output::DEV_NULL, stream, frame_length, rate_hz);
        values.push_back(run.ok ? value(run) : 0);
    }
    return median(values);
}

// The state lines in the file that Output::TO_FILE wrote.
size_t state_lines_in_output_file() {
    std::ifstream file(OUTPUT_FILE);
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    size_t count = 0;
    for (size_t at = all.find("] state:"); at != std::string::npos;
         at = all.find("] state:", at + 1)) {
        ++count;
    }
    return count;
}

std::string cpu_text(double seconds) {
    return std::to_string(static_cast<int>(seconds * 1000)) + " ms CPU";
}

}  // namespace

void measure_monitors(const BenchOptions& options, std::vector<BenchRow>& rows) {
    size_t frame_length = 0;
    const std::string stream = report_stream(options.reports, frame_length);

    // Flat out, every line printed to a file: not one report lost.
    {
        std::vector<double> rates;
        size_t printed = options.reports;
        bool ok = true;
        for (int i = 0; i < options.runs; ++i) {
            MonitorRun run =
                run_monitor(options, Monitor::VOSTREL, Output::TO_FILE, stream, frame_length, 0);
            rates.push_back(run.rate);
            printed = std::min(printed, state_lines_in_output_file());
            ok = ok && run.ok;
        }
        unlink(OUTPUT_FILE);
        double rate = median(rates);
        rows.push_back({"arm_monitor flat out, every line printed to a file",
                        rate_text(rate, "reports") + ", " +
                            std::to_string(options.reports - printed) + " lost",
                        "", "", ">= 100k reports/s, 0 lost", true,
                        ok && rate >= 100000 && printed == options.reports});
    }
    // The same to /dev/null, beside the Python monitor (for information).
    if (!options.python_dir.empty()) {
        auto rate = [](const MonitorRun& run) { return run.rate; };
        double ours = median_of(options, Monitor::VOSTREL, stream, frame_length, 0, rate);
        double python = median_of(options, Monitor::PYTHON, stream, frame_length, 0, rate);
        rows.push_back({"arm_monitor flat out to /dev/null, beside the Python monitor",
                        rate_text(ours, "reports"), rate_text(python, "reports"),
                        times_text(python > 0 ? ours / python : 0), "", false, false});
    }

    // What the monitor costs at the arm's own rate, against a C reader that
    // only reads and frames the same stream: 1 kHz over 10 s, the runs of a
    // round one after another, so that a change in the machine's load falls
    // on all alike. --live draws on a pseudo-terminal that we read.
    size_t length = 0;
    const std::string paced = report_stream(options.smoke ? 200 : 10000, length);
    const Monitor paced_monitors[] = {Monitor::C_READER, Monitor::VOSTREL, Monitor::VOSTREL_CSV,
                                      Monitor::VOSTREL_LIVE};
    std::vector<double> cpu[4];
    for (int round = 0; round < options.runs; ++round) {
        for (int m = 0; m < 4; ++m) {
            Output output =
                paced_monitors[m] == Monitor::VOSTREL_LIVE ? Output::PTY : Output::DEV_NULL;
            MonitorRun run = run_monitor(options, paced_monitors[m], output, paced, length, 1000);
            cpu[m].push_back(run.ok ? run.cpu : 0);
        }
    }
    const double reader = median(cpu[0]);
    const std::string over = std::string(" at 1 kHz over ") + (options.smoke ? "0.2" : "10") + " s";
    for (int m = 1; m < 3; ++m) {
        double ours = median(cpu[m]);
        double ratio = reader > 0 ? ours / reader : 0;
        rows.push_back({std::string("arm_monitor") + (m == 2 ? " --csv" : "") + over +
                            ", against the C reader",
                        cpu_text(ours), cpu_text(reader), times_text(ratio), "<= 2x", true,
                        ratio > 0 && ratio <= 2});
    }
    const double live = median(cpu[3]), plain = median(cpu[1]);
    rows.push_back({"arm_monitor --live" + over + " on a pseudo-terminal, against the C reader",
                    cpu_text(live), cpu_text(reader), times_text(reader > 0 ? live / reader : 0),
                    "<= plain monitor's " + cpu_text(plain) + " (goal 1.5x)", true,
                    live > 0 && live <= plain});
    unlink(CSV_PATH);

    // Not one report lost, paced (a pipe, every state line counted).
    for (double rate : {1000.0, 10000.0}) {
        size_t count = static_cast<size_t>(rate * (options.smoke ? 0.2 : 2.0));
        size_t paced_length = 0;
        std::string reports = report_stream(count, paced_length);
        MonitorRun run =
            run_monitor(options, Monitor::VOSTREL, Output::PIPE, reports, paced_length, rate);
        rows.push_back({"reports lost at " + std::to_string(static_cast<int>(rate)) + " Hz",
                        std::to_string(count - run.printed) + " of " + std::to_string(count), "",
                        "", "0", true, run.ok && run.printed == count});
    }

    // Peak memory, over a short stream (long enough to fill every buffer) and the whole one.
    size_t short_count = std::min(options.reports, std::max<size_t>(options.reports / 10, 5000));
    MonitorRun small = run_monitor(options, Monitor::VOSTREL, Output::DEV_NULL,
                                   stream.substr(0, frame_length * short_count), frame_length, 0);
    MonitorRun whole =
        run_monitor(options, Monitor::VOSTREL, Output::DEV_NULL, stream, frame_length, 0);
    rows.push_back(
        {"arm_monitor peak memory, " + std::to_string(short_count) + " then " +
             std::to_string(options.reports) + " reports",
         std::to_string(small.peak_kib) + " KiB, " + std::to_string(whole.peak_kib) + " KiB", "",
         "", "flat, <= 5120 KiB", true,
         whole.peak_kib <= 5120 && whole.peak_kib - small.peak_kib <= 256});
}
