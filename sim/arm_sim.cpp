#include "sim/arm_sim.h"

#include <arpa/inet.h>
#include <pb_decode.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "arm.pb.h"
#include "runtime/frame.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"
#include "runtime/server_link.h"
#include "runtime/text_buffer.h"
#include "sim/client_threads.h"
#include "sim/listener.h"

namespace {

// Clients served at once on each port; more are turned away.
constexpr size_t MAX_COMMAND_CLIENTS = 16;
constexpr size_t MAX_REPORT_CLIENTS = 8;

struct Shared {
    std::mutex mutex;
    ArmState state;
    int rate_hz = 100;
};

int64_t now_ms() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool send_response(int client, const ArmAnswer& answer) {
    text_buffer id_text;
    text_buffer error_text;
    MainArmResponseMsg response = answer.response;
    set_text(id_text, answer.id.c_str());
    set_text(error_text, answer.error.c_str());
    if (response.which_result == MainArmResponseMsg_id_tag) response.result.id.buffer = &id_text;
    if (!answer.error.empty()) bind_text_to_send(response.error, error_text);
    FrameBuffer frame{};
    int length = encode_frame(MainArmResponseMsg_fields, &response, ARM_FRAME, frame);
    return length > 0 && send_frame(client, frame.data(), static_cast<size_t>(length)) == length;
}

// Take one request frame off a fresh connection and decode it.
bool receive_request(int client, MainArmRequestMsg& request) {
    ReplyStream stream = reply_stream(client, ARM_FRAME);
    FrameBuffer frame{};
    int count = receive_frame(stream, frame);
    if (count <= 0 || stream.lost_step) {
        log_error("%s\n", count > 0 ? "request header declares too long a frame"
                                    : "no whole request frame arrived");
        return false;
    }
    request = MainArmRequestMsg{};
    pb_istream_t in = pb_istream_from_buffer(frame.data() + ARM_FRAME.header_size,
                                             static_cast<size_t>(count) - ARM_FRAME.header_size);
    if (!pb_decode(&in, MainArmRequestMsg_fields, &request)) {
        log_error("undecodable request: %s\n", PB_GET_ERROR(&in));
        return false;
    }
    return true;
}

void serve_command(int client, Shared& shared) {
    MainArmRequestMsg request{};
    ArmAnswer answer;
    if (receive_request(client, request)) {
        std::lock_guard<std::mutex> lock(shared.mutex);
        answer = answer_command(shared.state, request, now_ms());
    } else {
        answer = answer_undecodable(now_ms());
    }
    if (!send_response(client, answer)) log_error("%s\n", "the answer could not be sent");
}

// True when the client has gone away (closed or reset) while we waited.
bool wait_or_gone(int client, Deadline until) {
    if (wait_until_ready(client, POLLIN | POLLRDHUP, until) <= 0) return false;
    char discard[256];
    ssize_t n = read(client, discard, sizeof discard);
    return n <= 0;
}

void serve_reports(int client, const std::string& who, Shared& shared) {
    MainArmRequestMsg request{};
    if (!receive_request(client, request)) return;
    const auto period = std::chrono::nanoseconds(1000000000LL / shared.rate_hz);
    log_info("%s: streaming reports at %d Hz\n", who.c_str(), shared.rate_hz);
    uint64_t sent = 0;
    Deadline due = std::chrono::steady_clock::now();
    while (!interrupted()) {
        if (wait_or_gone(client, due)) break;
        Deadline now = std::chrono::steady_clock::now();
        if (now < due) continue;
        MainArmStateMsg report;
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            report = make_report(shared.state, now_ms());
        }
        FrameBuffer frame{};
        int length = encode_frame(MainArmStateMsg_fields, &report, ARM_FRAME, frame);
        if (length <= 0 ||
            send_frame(client, frame.data(), static_cast<size_t>(length)) != length) {
            break;
        }
        ++sent;
        due += period;
        // After a stall, go on from now instead of sending a burst.
        if (now - due > 10 * period) due = now;
    }
    log_info("%s: gone after %llu reports sent\n", who.c_str(),
             static_cast<unsigned long long>(sent));
}

std::string peer_name(int client) {
    sockaddr_in peer = {};
    socklen_t length = sizeof peer;
    getpeername(client, reinterpret_cast<sockaddr*>(&peer), &length);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return std::string("report client ") + text + ":" + std::to_string(ntohs(peer.sin_port));
}

// Accept clients on `listener` until Ctrl-C, each served by `serve` on a
// thread of its own, at most `limit` at once.
void serve_port(int listener, const char* what, size_t limit,
                const std::function<void(int)>& serve) {
    ClientThreads clients(limit);
    while (!interrupted()) {
        if (wait_until_ready(listener, POLLIN, -1) <= 0) continue;
        int client = accept_client(listener, what);
        if (client < 0) continue;
        bool started = clients.start([client, serve] {
            serve(client);
            close(client);
        });
        if (!started) {
            log_error("%s: too many clients; turning this one away\n", what);
            close(client);
        }
    }
}

}  // namespace

int run_arm_sim(int command_listener, int report_listener, int rate_hz) {
    Shared shared;
    shared.rate_hz = rate_hz;
    std::thread commands(serve_port, command_listener, "arm_sim command port", MAX_COMMAND_CLIENTS,
                         [&shared](int client) { serve_command(client, shared); });
    serve_port(report_listener, "arm_sim report port", MAX_REPORT_CLIENTS,
               [&shared](int client) { serve_reports(client, peer_name(client), shared); });
    commands.join();
    log_info("%s\n", "arm_sim stopped");
    return STATUS_OK;
}
