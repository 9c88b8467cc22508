// arm_monitor against the Python monitor and the framing floor.
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"

namespace {

struct MonitorRun {
    double rate = 0;     // reports per second, from the connection to the exit
    size_t printed = 0;  // state lines seen (Output::PIPE)
    long peak_kib = 0;
    bool ok = false;
};

enum class Monitor { VOSTREL, VOSTREL_CSV, PYTHON, FLOOR };

const char CSV_PATH[] = "/tmp/vostrel-bench-reports.csv";

std::vector<std::string> command(const BenchOptions& options, Monitor monitor,
                                 const std::string& port) {
    switch (monitor) {
        case Monitor::VOSTREL:
            return {options.bin + "/arm_monitor", "127.0.0.1", port};
        case Monitor::VOSTREL_CSV:
            unlink(CSV_PATH);
            return {options.bin + "/arm_monitor", "--csv", CSV_PATH, "127.0.0.1", port};
        case Monitor::PYTHON:
            return {"/usr/bin/python3",
                    std::string(VOSTREL_SOURCE_DIR) + "/bench/python_monitor.py", port,
                    options.python_dir};
        default:
            return {options.bin + "/framed_reader", port};
    }
}

MonitorRun run_monitor(const BenchOptions& options, Monitor monitor, Output output,
                       const std::string& stream, size_t frame_length, double rate_hz,
                       bool count_lines = false) {
    Listener listener;
    Child child = start_child(command(options, monitor, listener.port), "", output);
    std::unique_ptr<OutputCounter> counter;
    if (output == Output::PIPE) {
        counter = std::make_unique<OutputCounter>(child.output, count_lines ? "] state:" : "");
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
    run.ok = fed && ended.status == 0;
    return run;
}

double median_rate(const BenchOptions& options, Monitor monitor, Output output,
                   const std::string& stream, size_t frame_length) {
    std::vector<double> rates;
    for (int i = 0; i < options.runs; ++i) {
        MonitorRun run = run_monitor(options, monitor, output, stream, frame_length, 0);
        rates.push_back(run.ok ? run.rate : 0);
    }
    return median(rates);
}

const char* output_name(Output output) {
    return output == Output::DEV_NULL ? "/dev/null" : output == Output::PIPE ? "a pipe" : "a file";
}

}  // namespace

void measure_monitors(const BenchOptions& options, std::vector<BenchRow>& rows) {
    size_t frame_length = 0;
    const std::string stream = report_stream(options.reports, frame_length);
    for (Output output : {Output::DEV_NULL, Output::PIPE, Output::REGULAR_FILE}) {
        double ours = median_rate(options, Monitor::VOSTREL, output, stream, frame_length);
        double floor = median_rate(options, Monitor::FLOOR, output, stream, frame_length);
        std::string where = std::string("arm_monitor printing to ") + output_name(output);
        if (!options.python_dir.empty()) {
            double python = median_rate(options, Monitor::PYTHON, output, stream, frame_length);
            double ratio = python > 0 ? ours / python : 0;
            rows.push_back({where + ", against the Python monitor", rate_text(ours, "reports"),
                            rate_text(python, "reports"), times_text(ratio), ">= 10x", true,
                            ratio >= 10});
        }
        rows.push_back({where + ", against the framing floor", rate_text(ours, "reports"),
                        rate_text(floor, "frames"), times_text(floor > 0 ? ours / floor : 0),
                        "about 0.12x", false, false});
    }

    // What writing the CSV file costs the monitor: runs in pairs, one without
    // and one with, so that a slower spell of the machine weighs on both sides.
    std::vector<double> plain_rates, csv_rates, ratios;
    for (int i = 0; i < std::max(options.runs, 5); ++i) {
        MonitorRun plain_run =
            run_monitor(options, Monitor::VOSTREL, Output::DEV_NULL, stream, frame_length, 0);
        MonitorRun csv_run =
            run_monitor(options, Monitor::VOSTREL_CSV, Output::DEV_NULL, stream, frame_length, 0);
        plain_rates.push_back(plain_run.ok ? plain_run.rate : 0);
        csv_rates.push_back(csv_run.ok ? csv_run.rate : 0);
        ratios.push_back(plain_rates.back() > 0 ? csv_rates.back() / plain_rates.back() : 0);
    }
    unlink(CSV_PATH);
    double plain = median(plain_rates), with_csv = median(csv_rates), kept = median(ratios);
    rows.push_back({"arm_monitor --csv FILE, printing to /dev/null, against no CSV",
                    rate_text(with_csv, "reports"), rate_text(plain, "reports"), times_text(kept),
                    ">= 0.80x", true, kept >= 0.8});

    // Not one report lost, paced and flat out (a pipe, every state line counted).
    for (double rate : {1000.0, 10000.0, 0.0}) {
        size_t count =
            rate > 0 ? static_cast<size_t>(rate * (options.smoke ? 0.2 : 2.0)) : options.reports;
        size_t length = 0;
        std::string paced = rate > 0 ? report_stream(count, length) : stream;
        if (rate == 0) length = frame_length;
        MonitorRun run =
            run_monitor(options, Monitor::VOSTREL, Output::PIPE, paced, length, rate, true);
        std::string name = rate > 0 ? std::to_string(static_cast<int>(rate)) + " Hz" : "flat out";
        rows.push_back({"reports lost at " + name,
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
         "", "flat, <= 4096 KiB", true,
         whole.peak_kib <= 4096 && whole.peak_kib - small.peak_kib <= 256});
}
