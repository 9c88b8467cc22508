#include "sim/arm_sim.h"

#include <arpa/inet.h>
#include <pb_decode.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <list>
#include <mutex>
#include <thread>

#include "arm.pb.h"
#include "runtime/frame.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"
#include "runtime/server_link.h"
#include "runtime/text_buffer.h"
#include "sim/listener.h"

namespace {

// Report clients served at once; more are turned away.
constexpr size_t MAX_REPORT_CLIENTS = 8;
constexpr int POLL_MS = 100;

struct Shared {
    std::mutex mutex;
    ArmState state;
    int rate_hz = 100;
    std::atomic<size_t> report_clients{0};
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
bool wait_or_gone(int client, const timespec& until) {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    int64_t left_ns = (until.tv_sec - now.tv_sec) * 1000000000LL + (until.tv_nsec - now.tv_nsec);
    if (left_ns <= 0) return false;
    timespec wait = {static_cast<time_t>(left_ns / 1000000000LL),
                     static_cast<long>(left_ns % 1000000000LL)};
    pollfd ready = {client, POLLIN | POLLRDHUP, 0};
    if (ppoll(&ready, 1, &wait, nullptr) <= 0) return false;
    char discard[256];
    ssize_t n = read(client, discard, sizeof discard);
    return n <= 0;
}

void advance(timespec& t, int64_t ns) {
    t.tv_nsec += static_cast<long>(ns);
    while (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
}

void serve_reports(int client, std::string who, Shared& shared) {
    MainArmRequestMsg request{};
    if (receive_request(client, request)) {
        const int64_t period_ns = 1000000000LL / shared.rate_hz;
        log_info("%s: streaming reports at %d Hz\n", who.c_str(), shared.rate_hz);
        uint64_t sent = 0;
        timespec due = {};
        clock_gettime(CLOCK_MONOTONIC, &due);
        while (!interrupted()) {
            if (wait_or_gone(client, due)) break;
            timespec now = {};
            clock_gettime(CLOCK_MONOTONIC, &now);
            if (now.tv_sec < due.tv_sec ||
                (now.tv_sec == due.tv_sec && now.tv_nsec < due.tv_nsec)) {
                continue;
            }
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
            advance(due, period_ns);
            // After a stall, go on from now instead of sending a burst.
            int64_t behind_ns =
                (now.tv_sec - due.tv_sec) * 1000000000LL + (now.tv_nsec - due.tv_nsec);
            if (behind_ns > 10 * period_ns) due = now;
        }
        log_info("%s: gone after %llu reports sent\n", who.c_str(),
                 static_cast<unsigned long long>(sent));
    }
    close(client);
    --shared.report_clients;
}

std::string peer_name(int client) {
    sockaddr_in peer = {};
    socklen_t length = sizeof peer;
    getpeername(client, reinterpret_cast<sockaddr*>(&peer), &length);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return std::string("report client ") + text + ":" + std::to_string(ntohs(peer.sin_port));
}

bool wait_readable(int fd) {
    return wait_until_ready(fd, POLLIN, POLL_MS) > 0;
}

void command_port(int listener, Shared& shared) {
    while (!interrupted()) {
        if (!wait_readable(listener)) continue;
        int client = accept_client(listener, "arm_sim command port");
        if (client < 0) continue;
        serve_command(client, shared);
        close(client);
    }
}

void report_port(int listener, Shared& shared) {
    std::list<std::thread> clients;
    while (!interrupted()) {
        if (!wait_readable(listener)) continue;
        int client = accept_client(listener, "arm_sim report port");
        if (client < 0) continue;
        if (shared.report_clients >= MAX_REPORT_CLIENTS) {
            log_error("%s\n", "too many report clients; turning this one away");
            close(client);
            continue;
        }
        ++shared.report_clients;
        clients.emplace_back(serve_reports, client, peer_name(client), std::ref(shared));
    }
    for (std::thread& t : clients) t.join();
}

}  // namespace

int run_arm_sim(int command_listener, int report_listener, int rate_hz) {
    Shared shared;
    shared.rate_hz = rate_hz;
    // Every thread notices Ctrl-C within POLL_MS, whichever of them takes it.
    std::thread commands(command_port, command_listener, std::ref(shared));
    std::thread reports(report_port, report_listener, std::ref(shared));
    while (!interrupted()) wait_until_ready(-1, 0, POLL_MS);
    commands.join();
    reports.join();
    log_info("%s\n", "arm_sim stopped");
    return STATUS_OK;
}
