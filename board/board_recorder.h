// board_recorder: signal-board commands one after another, each frame sent
// kept with the delay the operator types after its answer, and saved to a
// record file when the recording ends.
#pragma once

#include "link/link_timeout.h"
#include "program/program_start.h"

struct RecorderOptions {
    bool keep_answers = false;  // each entry with its answer's frame
    bool answers = false;       // each answer shown decoded before the delay prompt
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // --timeout
};

extern const CommandLineForm<RecorderOptions> BOARD_RECORDER_FORM;

// Connect, then run passes until the operator types a negative delay; save
// the recording (with --keep-answers, each entry with its answer's frame). A recording is never
// lost: each answered entry is kept on disk at once (see unfinished_recording.h), and when a pass
// fails (write or read), input ends or a signal arrives (Ctrl-C, SIGTERM, SIGHUP), the entries
// answered so far are saved first. A recording that reaches the most board_replay loads ends there
// and is saved. Returns the exit status: 1 when the connection failed; 0 saved after a negative
// delay, at the end of input or at the limit; 2 after a failed exchange; 3 when the file could not
// be written; 4 when input ended with nothing recorded; 128 + the signal after one (130 Ctrl-C, 143
// SIGTERM, 129 SIGHUP).
int run_board_recorder(Start& start, const RecorderOptions& options);
