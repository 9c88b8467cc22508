// How soon arm_monitor --live shows a report: the monitor in a real terminal
// (tmux, its own server), fed at 1 kHz; each report's value counts as shown
// once a capture of the pane shows its timestamp or a later one.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"

namespace {

constexpr long long FIRST_TIMESTAMP = 1784624703123;  // report_stream()'s first

std::string run_text(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    pclose(pipe);
    return out;
}

// The timestamp the pane shows, or -1.
long long shown_timestamp(const std::string& tmux) {
    const std::string pane = run_text(tmux + " capture-pane -p -t 0 2>/dev/null");
    size_t at = pane.find("\ntimestamp ");
    if (at == std::string::npos) return -1;
    return std::atoll(pane.c_str() + at + 11);
}

}  // namespace

void measure_live(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const std::string what = "arm_monitor --live at 1 kHz, a report's value on the screen";
    char directory[] = "/tmp/vostrel-bench-tmux-XXXXXX";
    if (std::system("tmux -V >/dev/null 2>&1") != 0 || mkdtemp(directory) == nullptr) {
        rows.push_back({what, "not measured: no tmux here", "", "", "p99 <= 150 ms", true, false});
        return;
    }
    const std::string tmux = std::string("tmux -u -S ") + directory + "/tmux";
    const size_t count = options.smoke ? 200 : 10000;
    size_t frame_length = 0;
    const std::string stream = report_stream(count, frame_length);
    Listener listener;
    const std::string started =
        run_text(tmux + " -f /dev/null new-session -d -x 80 -y 24 'env LC_ALL=C.UTF-8 " +
                 options.bin + "/arm_monitor --live 127.0.0.1 " + listener.port + "' 2>&1");
    int link = accept_within(listener.fd, 20);
    std::vector<double> sent, shown(count, 0);
    if (link >= 0 && take_request(link)) {
        // Capture the pane over and over, on a thread of its own, while the reports go out.
        std::atomic<double> fed_at{0};  // when the last report went out
        std::thread look([&] {
            long long seen = -1;
            while (fed_at == 0 || now_seconds() < fed_at + 2) {
                long long timestamp = shown_timestamp(tmux);
                double at = now_seconds();
                for (long long i = seen + 1; i <= timestamp - FIRST_TIMESTAMP; ++i) {
                    if (i >= 0 && static_cast<size_t>(i) < count)
                        shown[static_cast<size_t>(i)] = at;
                }
                seen = std::max(seen, timestamp - FIRST_TIMESTAMP);
                if (seen + 1 >= static_cast<long long>(count)) break;
                usleep(2000);
            }
        });
        send_reports(link, stream, frame_length, 1000, &sent);
        fed_at = now_seconds();
        look.join();
        close(link);
    }
    run_text(tmux + " kill-server 2>/dev/null");
    run_text(std::string("rm -rf ") + directory);
    std::vector<double> delays;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (shown[i] > 0) delays.push_back((shown[i] - sent[i]) * 1000);
    }
    if (delays.size() < count) {
        rows.push_back({what,
                        "not measured: " + std::to_string(count - delays.size()) +
                            " reports never shown " + started,
                        "", "", "p99 <= 150 ms", true, false});
        return;
    }
    std::sort(delays.begin(), delays.end());
    const double p99 = delays[(count * 99 + 99) / 100 - 1];
    char text[160];
    std::snprintf(text, sizeof text, "median %.0f ms, p99 %.0f ms, largest %.0f ms",
                  delays[count / 2], p99, delays.back());
    rows.push_back({what, text, "", "", "p99 <= 150 ms", true, p99 <= 150});
}
