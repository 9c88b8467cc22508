// How board_replay plays its record file: its command line.
//
//   board_replay [OPTIONS] [SERVER PORT] RECORD_FILE
//     --rate X     each positive delay lasts delay / X seconds from the answer
//                  before it; X a positive decimal (2, 0.5), or max: no delays
//     --loop N     the steps N times, each pass headed "pass K of N"; 0: until
//                  Ctrl-C, SIGTERM or SIGHUP ("pass K")
//     --steps A-B  only steps A to B, numbered as --check numbers them; "A-"
//                  to the last step, "A" alone one step
//     --confirm    each step shown as --check shows it, and sent, skipped or
//                  the replay ended as the operator answers
//     --answers    each answer decoded and logged with its round trip, and a
//                  summary at the end (replay_answers.h)
//     --expect     --answers, and each answer compared with the recorded one
//   board_replay --check RECORD_FILE
//
// The options combine. A rate, loop count or range that is not one is
// refused before any socket is made (status 255).
#pragma once

#include <cstddef>

#include "program/command_line.h"

extern const CommandLineForm BOARD_REPLAY_FORM;

struct ReplayOptions {
    double rate = 1;         // delays are divided by it
    bool no_delays = false;  // --rate max
    bool looped = false;     // --loop given: each pass is headed
    long passes = 1;         // 0: until a signal
    bool ranged = false;     // --steps given
    size_t first = 1;        // the steps played, from 1
    size_t last = static_cast<size_t>(-1);
    bool confirm = false;
    bool answers = false;
    bool expect = false;
};

// The options of a command line that BOARD_REPLAY_FORM has taken.
ReplayOptions replay_options(const CommandLine& command_line);

// "2", "0.5", ".5": a positive finite decimal, or "max".
bool read_rate(const char* text, double& rate, bool& no_delays);

// "A", "A-" or "A-B" with 1 <= A <= B.
bool read_steps(const char* text, size_t& first, size_t& last);
