#include "sim/board_sim.h"

#include <pb_decode.h>
#include <poll.h>
#include <unistd.h>

#include "runtime/frame.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"
#include "runtime/server_link.h"
#include "runtime/text_buffer.h"
#include "sim/client_threads.h"
#include "sim/listener.h"

namespace {

bool send_answer(int client, const BoardAnswer& answer) {
    text_buffer version_text;
    text_buffer message_text;
    CleaningComponentResponse response{};
    response.resp_id = answer.resp_id;
    if (answer.has_version) {
        response.has_version_info = true;
        set_text(version_text, answer.version.c_str());
        bind_text_to_send(response.version_info.version, version_text);
    }
    if (answer.has_error) {
        response.has_error_info = true;
        response.error_info.code = answer.code;
        set_text(message_text, answer.message.c_str());
        bind_text_to_send(response.error_info.message, message_text);
    }
    FrameBuffer frame{};
    int length = encode_frame(CleaningComponentResponse_fields, &response, BOARD_FRAME, frame);
    if (length < 0) return false;
    log_info("answer: %s\n", to_hex_text(frame.data(), static_cast<size_t>(length)).c_str());
    return send_frame(client, frame.data(), static_cast<size_t>(length)) == length;
}

// Wait for the first byte of the next frame, for as long as the client likes
// (Ctrl-C ends the wait). False when the wait was interrupted.
bool wait_for_next_frame(const ReplyStream& requests) {
    if (requests.end > requests.begin) return true;  // part of it is here already
    for (;;) {
        int ready = wait_until_ready(requests.link, POLLIN, -1);
        if (ready > 0) return true;
        if (interrupted()) return false;
    }
}

void report_end(const ReplyStream& requests, int count) {
    size_t held = requests.end - requests.begin;
    if (held == 0 || interrupted()) return;
    if (count == 0) {
        log_error("client left in the middle of a frame (%zu bytes held)\n", held);
    } else {
        log_error("client held half a frame for %d s (%zu bytes): closing the connection\n",
                  requests.timeout_seconds, held);
    }
}

}  // namespace

void serve_board_client(int client, SharedBoard& board) {
    ReplyStream requests = reply_stream(client, BOARD_FRAME);
    FrameBuffer frame{};
    for (;;) {
        if (!wait_for_next_frame(requests)) break;
        int count = receive_frame(requests, frame);
        if (count <= 0) {
            report_end(requests, count);
            break;
        }
        if (requests.lost_step) {
            log_error("frame header declares %u bytes, more than %zu: closing the connection\n",
                      read_header(frame.data(), BOARD_FRAME), BOARD_FRAME.max_payload);
            break;
        }
        log_info("request frame: %s\n",
                 to_hex_text(frame.data(), static_cast<size_t>(count)).c_str());
        CleaningComponentRequest request{};
        pb_istream_t stream =
            pb_istream_from_buffer(frame.data() + BOARD_FRAME.header_size,
                                   static_cast<size_t>(count) - BOARD_FRAME.header_size);
        BoardAnswer answer;
        {
            std::lock_guard<std::mutex> lock(board.mutex);
            if (pb_decode(&stream, CleaningComponentRequest_fields, &request)) {
                log_info("request: %s\n", describe_request(request).c_str());
                answer = answer_request(board.state, request);
            } else {
                log_error("undecodable request: %s\n", PB_GET_ERROR(&stream));
                answer = answer_undecodable(board.state);
            }
        }
        if (!send_answer(client, answer)) {
            log_error("%s\n", "the answer could not be sent");
            break;
        }
    }
    log_info("%s\n", "client gone");
}

int run_board_sim(int listener) {
    SharedBoard board;
    ClientThreads clients(MAX_BOARD_CLIENTS);
    while (!interrupted()) {
        if (wait_until_ready(listener, POLLIN, -1) <= 0) continue;
        int client = accept_client(listener, "board_sim");
        if (client < 0) continue;
        bool started = clients.start([client, &board] {
            serve_board_client(client, board);
            close(client);
        });
        if (!started) {
            log_error("%s\n", "too many clients; turning this one away");
            close(client);
        }
    }
    clients.join_all();
    log_info("%s\n", "board_sim stopped");
    return STATUS_OK;
}
