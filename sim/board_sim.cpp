#include "sim/board_sim.h"

#include <poll.h>
#include <unistd.h>

#include <functional>

#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "files/file_writing.h"
#include "link/frame_exchange.h"
#include "playback/board_playback.h"
#include "proto/text_buffer.h"
#include "prototext/board_request_text.h"
#include "serve/answer_exchange.h"
#include "serve/client_threads.h"
#include "serve/listener.h"

namespace {

bool send_board_answer(int client, const BoardAnswer& answer) {
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
    return send_answer(client, CleaningComponentResponse_fields, &response, BOARD_FRAME, true);
}

// Wait for the first byte of the next frame, for as long as the client likes
// (Ctrl-C ends the wait). False when the wait was interrupted.
bool wait_for_next_frame(const FrameStream& requests) {
    if (requests.end > requests.begin) return true;  // part of it is here already
    while (wait_until_ready(requests.link, POLLIN, -1) <= 0) {
        if (interrupted()) return false;
    }
    return true;
}

void report_end(const FrameStream& requests, const FrameResult& result) {
    size_t held = requests.end - requests.begin;
    if (held == 0 || interrupted()) return;
    if (result.kind == FrameResult::CLOSED) {
        log_error("client left in the middle of a frame (%zu bytes held)\n", held);
    } else {
        log_error("client held half a frame for %d s (%zu bytes): closing the connection\n",
                  requests.timeout_seconds, held);
    }
}

// Serve one client until it goes away, each request frame answered by
// `answer` (false: the connection ends). A client may wait as long as it
// likes between frames, but a frame once begun must be complete within the
// link time-out (15 s). A header declaring more than 1022 bytes, a client
// leaving in the middle of a frame or holding half a frame too long is
// logged and ends the connection.
void serve_frames(int client, const std::function<bool(const FrameBuffer&, size_t)>& answer) {
    FrameStream requests(client, BOARD_FRAME);
    FrameBuffer frame{};
    while (wait_for_next_frame(requests)) {
        FrameResult received = receive_frame(requests, frame);
        if (received.kind == FrameResult::FRAMING_LOST) {
            log_error("frame header declares %u bytes, more than %zu: closing the connection\n",
                      read_header(frame.data(), BOARD_FRAME), BOARD_FRAME.max_payload);
            break;
        }
        if (!received.is_frame()) {
            report_end(requests, received);
            break;
        }
        log_info("request frame: %s\n", to_hex_text(frame.data(), received.length).c_str());
        if (!answer(frame, received.length)) break;
    }
}

// The board's own model answers; an undecodable request gets error code 9.
void serve_board_client(int client, SharedBoard& board) {
    serve_frames(client, [client, &board](const FrameBuffer& frame, size_t length) {
        CleaningComponentRequest request{};
        BoardAnswer answer;
        {
            std::lock_guard<std::mutex> lock(board.mutex);
            if (decode_request(frame, length, BOARD_FRAME, CleaningComponentRequest_fields,
                               &request)) {
                log_info("request: %s\n", describe_request(request).c_str());
                answer = answer_request(board.state, request);
            } else {
                answer = answer_undecodable(board.state);
            }
        }
        return send_board_answer(client, answer);
    });
    log_info("%s\n", "client gone");
}

// The recording answers (playback/board_playback.h).
void serve_recorded_client(int client, const BoardPlayback& playback) {
    BoardStandIn stand_in(playback);
    serve_frames(client, [client, &stand_in](const FrameBuffer& frame, size_t length) {
        const std::string answer = stand_in.answer(frame.data(), length);
        log_info(
            "answer: %s\n",
            to_hex_text(reinterpret_cast<const uint8_t*>(answer.data()), answer.size()).c_str());
        return send_frame(client, reinterpret_cast<const uint8_t*>(answer.data()), answer.size())
            .is_frame();
    });
    log_info("%s\n", stand_in.summary(peer_address(client)).c_str());
}

}  // namespace

const CommandLineForm<BoardSimOptions> BOARD_SIM_FORM{
    "board_sim",
    "",
    0,
    {},
    {listen_option(&BoardSimOptions::listen), port_option("--port", &BoardSimOptions::port),
     named_option("--play", "RECORDING", &BoardSimOptions::play,
                  "answer as the board answered in RECORDING, a record file kept with "
                  "board_recorder --keep-answers")},
    Wording::SIMULATOR,
    "  a signal board on this machine; ADDR default 127.0.0.1, N default 8080 (0: any free "
    "port)\n"};

int run_board_sim(const BoardSimOptions& options) {
    BoardPlayback playback;
    if (options.play && !load_board_recording(*options.play, playback)) {
        return STATUS_RECORD_FILE_FAILED;
    }
    catch_interrupt();
    OwnedFd listener(open_listener(options.listen, static_cast<int>(options.port), "board_sim"));
    if (!listener.is_open()) return STATUS_LINK_FAILED;
    SharedBoard board;
    serve_clients(listener.get(), "board_sim", MAX_BOARD_CLIENTS,
                  "too many clients; turning this one away",
                  [&board, &options, &playback](int client) {
                      if (options.play) {
                          serve_recorded_client(client, playback);
                      } else {
                          serve_board_client(client, board);
                      }
                  });
    log_info("%s\n", "board_sim stopped");
    return STATUS_OK;
}
