// A night in one run: the monitor with --record fed ten million reports flat
// out, its peak memory watched.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "tests/support/fake_peer.h"

namespace {

const char RECORDING[] = "/tmp/vostrel-bench-soak.mcap";

// Serve one monitor: take its request, send `block` `times` times, close.
void serve_repeated(int listener, const std::string& block, size_t times) {
    pollfd ready = {listener, POLLIN, 0};
    if (poll(&ready, 1, 10000) <= 0) return;
    const int link = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    char request[4];
    if (link < 0 || recv(link, request, sizeof request, MSG_WAITALL) != 4) return;
    for (size_t i = 0; i < times; ++i) {
        for (size_t sent = 0; sent < block.size();) {
            const ssize_t n = send(link, block.data() + sent, block.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                close(link);
                return;
            }
            sent += static_cast<size_t>(n);
        }
    }
    close(link);
}

}  // namespace

void measure_soak(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const size_t reports = options.smoke ? 50000 : 10000000;
    size_t length = 0;
    const std::string block = report_stream(10000, length);
    uint16_t port = 0;
    const int listener = listen_on_loopback(port);
    std::thread peer(serve_repeated, listener, std::cref(block), reports / 10000);
    unlink(RECORDING);
    Child child;
    start_child(
        {options.bin + "/arm_monitor", "--record", RECORDING, "127.0.0.1", std::to_string(port)},
        Output::DEV_NULL, child);
    PeakMemory memory(child.pid);
    wait_child(child);
    peer.join();
    close(listener);
    const long peak = memory.finish_kib();
    unlink(RECORDING);
    rows.push_back(
        {"arm_monitor --record peak memory over " + std::to_string(reports) + " reports flat out",
         std::to_string(peak) + " KiB", "", "", "<= 8192 KiB", true,
         child.status == 0 && peak <= 8192});
}
