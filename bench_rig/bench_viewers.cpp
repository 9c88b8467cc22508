// arm_monitor --serve beside the plain monitor: the CPU at 1 kHz with four
// viewers subscribed, how soon a report reaches a viewer, the monitor's
// lines flat out with one of four viewers stalled, and the peak memory with
// sixteen. The viewers are tests/support's RawViewer, each read on a thread
// of its own. With two cores or more the monitor runs on the first and the
// rest (the arm, the viewers) on the second, as a rig's monitor and the
// desk's viewers would: what waking a viewer costs is counted, its reading
// is not.
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "tests/support/bytes.h"
#include "tests/support/fake_peer.h"
#include "tests/support/raw_viewer.h"

namespace {

struct ServedRun {
    double cpu = 0;  // seconds
    long peak_kib = 0;
    std::vector<double> delays;    // ms, each report each reading viewer got
    std::vector<size_t> received;  // reports, each viewer
    size_t printed = 0;            // the monitor's state lines
    size_t most_dropped = 0;       // of one viewer's reports
    bool ok = false;
};

std::string output_text() {
    std::ifstream file(OUTPUT_FILE);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Wait (up to 10 s) until the monitor's output holds `text` `count` times.
bool output_holds(const std::string& text, size_t count) {
    for (int i = 0; i < 1000; ++i) {
        if (count_of(output_text(), text) >= count) return true;
        usleep(10 * 1000);
    }
    return false;
}

uint16_t served_port() {
    const std::string marker = "serving the viewers on ws://127.0.0.1:";
    if (!output_holds(marker, 1)) return 0;
    const std::string text = output_text();
    return static_cast<uint16_t>(std::stoi(text.substr(text.find(marker) + marker.size())));
}

double wall_ms() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Read a viewer's frames to the close; each report's delay from its log time.
void read_viewer(RawViewer& viewer, std::vector<double>& delays, size_t& received) {
    for (;;) {
        const WsFrame frame = viewer.read_frame(30);
        if (frame.opcode != 2 && frame.opcode != 1) return;
        if (frame.opcode != 2 || frame.payload.size() < 13 || frame.payload[0] != 1) continue;
        uint64_t log_time = 0;  // message data: opcode, subscription id, log time (ns), payload
        for (int i = 12; i >= 5; --i)
            log_time = log_time << 8 | static_cast<uint8_t>(frame.payload[i]);
        delays.push_back(wall_ms() - static_cast<double>(log_time) / 1e6);
        ++received;
    }
}

// The most messages one viewer had dropped, of the monitor's lines
// "viewer ADDR left: N messages sent, D dropped".
size_t most_dropped(const std::string& text) {
    const std::string marker = " messages sent, ";
    size_t most = 0;
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
        most = std::max<size_t>(most, std::stoul(text.substr(at + marker.size())));
    return most;
}

// One run: the monitor (with --serve when `viewers` > 0) fed `stream` at
// `rate_hz` (0: flat out) once its viewers subscribed; the first `stalled`
// of them never read.
// `pin`: the monitor on the first core.
ServedRun run_served(const BenchOptions& options, bool pin, size_t viewers, size_t stalled,
                     const std::string& stream, size_t length, double rate_hz) {
    FakePeer peer({receive_arm_frame(), gate(), send_paced(stream, length, rate_hz), close_link()});
    std::vector<std::string> command = {options.bin + "/arm_monitor", "127.0.0.1",
                                        peer.port_text()};
    if (viewers > 0) command.insert(command.begin() + 1, {"--serve", "0"});
    if (pin) command.insert(command.begin(), {"/usr/bin/taskset", "-c", "0"});
    Child child;
    start_child(command, Output::TO_FILE, child);
    PeakMemory memory(child.pid);
    ServedRun run;
    run.received.assign(viewers, 0);
    std::vector<std::vector<double>> delays(viewers);
    std::vector<std::unique_ptr<RawViewer>> crowd;
    const uint16_t port = viewers > 0 ? served_port() : 0;
    for (size_t v = 0; port > 0 && v < viewers; ++v) {
        crowd.push_back(std::make_unique<RawViewer>(port, v < stalled ? 4096 : 0));
        crowd.back()->open_and_greeted();
        crowd.back()->send_text(R"({"op":"subscribe","subscriptions":[{"id":)" + std::to_string(v) +
                                R"(,"channelId":1}]})");
    }
    const bool subscribed = viewers == 0 || output_holds(" subscribed\n", viewers);
    std::vector<std::thread> readers;
    for (size_t v = stalled; v < crowd.size(); ++v) {
        readers.emplace_back(read_viewer, std::ref(*crowd[v]), std::ref(delays[v]),
                             std::ref(run.received[v]));
    }
    peer.open_gate();
    wait_child(child);
    for (std::thread& reader : readers) reader.join();
    run.cpu = child.cpu_seconds;
    run.peak_kib = memory.finish_kib();
    for (const std::vector<double>& each : delays)
        run.delays.insert(run.delays.end(), each.begin(), each.end());
    const std::string output = output_text();
    run.printed = count_of(output, "] state:");
    run.most_dropped = most_dropped(output);
    run.ok = subscribed && child.status == 0 && crowd.size() == viewers;
    return run;
}

std::string ms_text(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", ms);
    return text;
}

}  // namespace

void measure_viewers(const BenchOptions& options, std::vector<BenchRow>& rows) {
    // This thread and those it starts (the arm, the viewers) on the second core.
    cpu_set_t all{}, second{};
    sched_getaffinity(0, sizeof all, &all);
    CPU_SET(1, &second);
    const bool pin = sysconf(_SC_NPROCESSORS_ONLN) >= 2 && CPU_ISSET(1, &all);
    if (pin) sched_setaffinity(0, sizeof second, &second);

    size_t length = 0;
    const size_t paced_count = options.smoke ? 200 : 10000;
    const std::string paced = report_stream(paced_count, length);
    std::vector<double> plain, served, delays;
    bool ok = true;
    for (int round = 0; round < options.runs; ++round) {
        const ServedRun alone = run_served(options, pin, 0, 0, paced, length, 1000);
        const ServedRun four = run_served(options, pin, 4, 0, paced, length, 1000);
        plain.push_back(alone.cpu);
        served.push_back(four.cpu);
        delays.insert(delays.end(), four.delays.begin(), four.delays.end());
        ok = ok && alone.ok && four.ok && four.delays.size() == 4 * paced_count;
    }
    const std::string over = std::string(" at 1 kHz over ") + (options.smoke ? "0.2" : "10") + " s";
    const double ratio = median(plain) > 0 ? median(served) / median(plain) : 0;
    rows.push_back(
        {"arm_monitor --serve" + over + ", 4 viewers subscribed, against the plain monitor",
         std::to_string(static_cast<int>(median(served) * 1000)) + " ms CPU",
         std::to_string(static_cast<int>(median(plain) * 1000)) + " ms CPU", times_text(ratio),
         "<= 1.5x", true, ok && ratio <= 1.5});
    std::sort(delays.begin(), delays.end());
    const auto at = [&delays](double share) {
        return delays.empty()
                   ? 0
                   : delays[static_cast<size_t>(share * static_cast<double>(delays.size() - 1))];
    };
    rows.push_back({"arm_monitor --serve" + over + ", a report's arrival to a viewer's receipt",
                    "median " + ms_text(at(0.5)) + ", p99 " + ms_text(at(0.99)) + ", largest " +
                        ms_text(delays.empty() ? 0 : delays.back()),
                    "", "", "p99 <= 5 ms", true, ok && !delays.empty() && at(0.99) <= 5});

    // Flat out, one of four viewers stalled: the monitor's own lines whole.
    const size_t count = options.smoke ? 5000 : options.reports;
    const std::string stream = report_stream(count, length);
    const ServedRun stalled = run_served(options, pin, 4, 1, stream, length, 0);
    const size_t fewest = *std::min_element(stalled.received.begin() + 1, stalled.received.end());
    const std::string viewers_got =
        " (the stalled viewer's drops: " + std::to_string(stalled.most_dropped) +
        "; each other viewer got at least " + std::to_string(fewest) + ")";
    rows.push_back({"arm_monitor --serve flat out, 4 viewers, 1 of them stalled: the lines printed",
                    std::to_string(stalled.printed) + " of " + std::to_string(count) + viewers_got,
                    "", "", "0 lost", true, stalled.ok && stalled.printed == count});

    // Peak memory: sixteen viewers reading, then sixteen stalled.
    const ServedRun reading = run_served(options, pin, 16, 0, stream, length, 0);
    const ServedRun stuck = run_served(options, pin, 16, 16, stream, length, 0);
    rows.push_back(
        {"arm_monitor --serve flat out peak memory, 16 viewers reading, then 16 stalled",
         std::to_string(reading.peak_kib) + " KiB, " + std::to_string(stuck.peak_kib) + " KiB", "",
         "", "<= 8 MiB + 2 MiB a viewer (its queue)", true,
         reading.ok && stuck.ok &&
             std::max(reading.peak_kib, stuck.peak_kib) <= (8 + 2 * 16) * 1024});
    unlink(OUTPUT_FILE);
    if (pin) sched_setaffinity(0, sizeof all, &all);
}
