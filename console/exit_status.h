// Exit statuses of every program, and the one result of each step of a run.
#pragma once

constexpr int STATUS_OK = 0;
constexpr int STATUS_LINK_FAILED = 1;      // socket, time-out options or connection
constexpr int STATUS_EXCHANGE_FAILED = 2;  // encoding, write, no reply, link closed, bad reply
constexpr int STATUS_RECORD_FILE_FAILED = 3;
constexpr int STATUS_INPUT_ENDED = 4;    // standard input ended before a command was complete
constexpr int STATUS_OUTPUT_FAILED = 5;  // standard output could not be written (a watch)
constexpr int STATUS_ANSWERS_DIFFER =
    6;  // board_replay --expect: an answer differed or did not decode
constexpr int STATUS_ANSWER_ERROR = 7;  // --fail-on-error: an answer reported an error
constexpr int STATUS_SERVE_FAILED = 8;  // arm_monitor --serve: the address could not be listened on
constexpr int STATUS_BAD_ARGUMENTS = 255;

// How a step of a run ended (reading the command line, a typed request, the
// connection, loading a file): the run goes on to its next step, or the
// program ends now with `status`, which may be 0 (--help, --encode).
//
//     Outcome connected = connect_to_controller(start);
//     if (!connected.goes_on) return connected.status;
struct Outcome {
    bool goes_on = true;
    int status = STATUS_OK;
};

inline Outcome go_on() {
    return {};
}

inline Outcome end_with(int status) {
    return {false, status};
}
