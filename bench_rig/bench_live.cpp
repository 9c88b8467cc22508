// How soon arm_monitor --live shows a report: the monitor in a real terminal
// (tests/support's TerminalPane: tmux, its own server), fed at 1 kHz by a
// FakePeer; each report's value counts as shown once a capture of the pane
// shows its timestamp or a later one.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "tests/support/fake_peer.h"
#include "tests/support/terminal_pane.h"

void measure_live(const BenchOptions& options, std::vector<BenchRow>& rows) {
    BenchRow row{"arm_monitor --live at 1 kHz, a report's value on the screen",
                 "not measured: no tmux here",
                 "",
                 "",
                 "p99 <= 150 ms",
                 true,
                 false};
    const size_t count = options.smoke ? 200 : 10000;
    size_t length = 0;
    const std::string stream = report_stream(count, length);
    FakePeer peer({receive_arm_frame(), send_paced(stream, length, 1000), gate(), close_link()});
    TerminalPane pane;
    if (tmux_available()) {
        pane.type_line("exec " + options.bin + "/arm_monitor --live 127.0.0.1 " + peer.port_text());
    }
    // Capture the pane over and over until the last report is shown, or two
    // seconds after it went out.
    std::vector<double> shown(count, 0);
    const long long first = 1784624703123;  // report_stream()'s first timestamp
    const double give_up = now_seconds() + 30 + static_cast<double>(count) / 1000;
    for (size_t seen = 0; pane.started() && seen < count && now_seconds() < give_up;) {
        const std::vector<double> sent = peer.departures();
        if (sent.size() == count && now_seconds() > sent.back() + 2) break;
        const std::string capture = pane.shown();
        const size_t at = capture.find("\ntimestamp ");
        const long long timestamp = at == std::string::npos ? -1 : std::atoll(&capture[at + 11]);
        for (const double now = now_seconds();
             seen < count && first + static_cast<long long>(seen) <= timestamp; ++seen) {
            shown[seen] = now;
        }
        usleep(2000);
    }
    peer.open_gate();
    const std::vector<double> sent = peer.departures();
    std::vector<double> delays;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (shown[i] > 0) delays.push_back((shown[i] - sent[i]) * 1000);
    }
    if (pane.started() && delays.size() < count) {
        row.ours =
            "not measured: " + std::to_string(count - delays.size()) + " reports never shown";
    } else if (pane.started()) {
        std::sort(delays.begin(), delays.end());
        const double p99 = delays[(count * 99 + 99) / 100 - 1];
        char text[160];
        std::snprintf(text, sizeof text, "median %.0f ms, p99 %.0f ms, largest %.0f ms",
                      delays[count / 2], p99, delays.back());
        row.ours = text;
        row.met = p99 <= 150;
    }
    rows.push_back(row);
}
