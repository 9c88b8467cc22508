// The run of a one-shot console (board_console, arm_console): one request,
// typed with --request or walked through the menu, one answer, decoded and
// printed.
//
//     --describe       the request's fields printed, and nothing connected (status 0)
//     --encode TEXT    its frame printed, and nothing connected (status 0)
//     then the connection, the menu walk (standard input ending before the
//     command is complete: nothing sent, status 4), the request sent, one
//     answer frame taken and decoded (status 2 when any of that fails, each
//     failure logged where it happened), the answer printed (status 0; with
//     --fail-on-error 7 when the answer reports an error).
#pragma once

#include <pb.h>

#include "console/interrupt.h"
#include "console/line_editing.h"
#include "console/menu.h"
#include "link/frame.h"
#include "program/connection.h"
#include "program/typed_request.h"
#include "prototext/text_schema.h"

// What makes a console of this kind: its command line, its menu, its
// request's message and framing, and how its answer is decoded and printed.
// The answer type holds its record and text buffers, bound when it is made.
template <typename Request, typename Answer>
struct OneShotConsole {
    CommandLineForm<ConsoleOptions> form;
    const Menu<Request>* menu;
    const pb_msgdesc_t* request_fields;
    FrameFormat format;
    bool (*unpack)(Answer& answer, const FrameBuffer& frame, size_t length);
    void (*print)(const Answer& answer);
    bool (*reports_error)(const Answer& answer);  // for --fail-on-error
};

// Send `request` and take one answer frame into `answer_frame`: FRAME,
// FRAMING_LOST (a header that declares more than the largest payload), or
// the failure (logged).
FrameResult exchange_once(int link, const pb_msgdesc_t* fields, const void* request,
                          FrameFormat format, FrameBuffer& answer_frame);

// The whole run; returns the exit status.
template <typename Request, typename Answer>
int run_one_shot_console(Start& start, const ConsoleOptions& options,
                         const OneShotConsole<Request, Answer>& console) {
    Request request{};
    if (options.describe) {
        write_console(describe_message(console.request_fields, &request));
        return STATUS_OK;
    }
    TypedRequest typed =
        read_typed_request(options, console.request_fields, &request, console.format);
    if (!typed.outcome.goes_on) return typed.outcome.status;
    Outcome connected = connect_to_controller(start);
    if (!connected.goes_on) return connected.status;
    if (!typed.given) {
        if (at_a_terminal()) {
            // Edited lines; Ctrl-C ends the read (and the run, 128 + the signal)
            // with the terminal given back.
            catch_interrupt();
            use_console_input(edited_stdin());
        }
        console.menu->run(request);
        if (interrupted()) return interrupt_status();
        if (input_ended()) return STATUS_INPUT_ENDED;
    }
    FrameBuffer frame{};
    FrameResult received =
        exchange_once(start.link.get(), console.request_fields, &request, console.format, frame);
    if (received.kind == FrameResult::FRAMING_LOST) {
        // An impossible header: the bytes it came with fail the size check.
        log_undecoded(Unpacked::WRONG_SIZE, frame, received.length, console.format);
        return STATUS_EXCHANGE_FAILED;
    }
    if (interrupted()) return interrupt_status();
    Answer answer;
    if (!received.is_frame() || !console.unpack(answer, frame, received.length)) {
        return STATUS_EXCHANGE_FAILED;
    }
    console.print(answer);
    return options.fail_on_error && console.reports_error(answer) ? STATUS_ANSWER_ERROR : STATUS_OK;
}
