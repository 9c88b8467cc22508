// The run of a one-shot console (board_console, arm_console): one request,
// typed with --request or walked through the menu, one answer, decoded and
// printed.
//
//     --describe       the fields of each message printed, and nothing connected (status 0)
//     --encode TEXT    its frame printed, and nothing connected (status 0)
//     --decode HEX     a message shown from its bytes (message_kinds.h), nothing connected
//     then the connection, the menu walk (standard input ending before the
//     command is complete: nothing sent, status 4), the request sent, one
//     answer frame taken and decoded (status 2 when any of that fails, each
//     failure logged where it happened), the answer printed (status 0; with
//     --fail-on-error 7 when the answer reports an error).
//
// With --json the console (the banner, the log lines, the menus) is standard
// error, and standard output carries one JSON object: the answer in the
// protobuf JSON mapping (protojson/json_writer.h); nothing when it does not
// decode, its status kept.
#pragma once

#include <pb.h>

#include "console/interrupt.h"
#include "console/line_editing.h"
#include "console/menu.h"
#include "link/frame.h"
#include "program/connection.h"
#include "one_shot/message_kinds.h"
#include "one_shot/typed_request.h"
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
    const pb_msgdesc_t* answer_fields;            // the answer's record, for --json
    std::vector<MessageKind> kinds;               // the request first, then what it reads
};

// Send `request` and take one answer frame into `answer_frame` within
// `timeout_seconds`: FRAME, FRAMING_LOST (a header that declares more than
// the largest payload), or the failure (logged).
FrameResult exchange_once(int link, const pb_msgdesc_t* fields, const void* request,
                          FrameFormat format, FrameBuffer& answer_frame, int timeout_seconds);

// The answer record as one JSON object on standard output; the status.
int print_answer_json(const pb_msgdesc_t* fields, const void* record);

// The whole run; returns the exit status.
template <typename Request, typename Answer>
int run_one_shot_console(Start& start, const ConsoleOptions& options,
                         const OneShotConsole<Request, Answer>& console) {
    Request request{};
    if (options.describe) {
        write_console(describe_kinds(console.kinds));
        return STATUS_OK;
    }
    if (options.decode) {
        return decode_hex(console.kinds[options.decode_kind], console.format, *options.decode,
                          options.json);
    }
    TypedRequest typed =
        read_typed_request(options, console.request_fields, &request, console.format);
    if (!typed.outcome.goes_on) return typed.outcome.status;
    Outcome connected = connect_to_controller(start, options.timeout_seconds);
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
    FrameResult received = exchange_once(start.link.get(), console.request_fields, &request,
                                         console.format, frame, options.timeout_seconds);
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
    const int printed =
        options.json ? print_answer_json(console.answer_fields, &answer.record) : STATUS_OK;
    if (printed != STATUS_OK) return printed;
    return options.fail_on_error && console.reports_error(answer) ? STATUS_ANSWER_ERROR : STATUS_OK;
}
