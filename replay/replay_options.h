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
//     --fail-on-error  status 7 when an answer reports an error (6 stands over it)
//     --junit FILE the replay as a JUnit XML report, replacing one there (replay_junit.h)
//     --json       each step as a JSON line on standard output, the log lines on
//                  standard error (replay_json.h)
//     --timeout S  the link's send and receive time-outs (default 15 s)
//   board_replay --check RECORD_FILE
//
// The options combine. A rate, loop count or range that is not one is
// refused before any socket is made (status 255).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "link/link_timeout.h"
#include "program/command_line.h"
#include "program/play_rate.h"

struct ReplayOptions {
    std::optional<std::string> check;  // --check RECORD_FILE: describe it, connect to nothing
    std::string record_file;
    PlayRate rate;
    bool looped = false;  // --loop given: each pass is headed
    long passes = 1;      // 0: until a signal
    bool ranged = false;  // --steps given
    size_t first = 1;     // the steps played, from 1
    size_t last = static_cast<size_t>(-1);
    bool confirm = false;
    bool answers = false;  // --answers, or --expect
    bool expect = false;
    bool fail_on_error = false;        // status 7 when an answer reports an error
    std::optional<std::string> junit;  // --junit FILE: the replay as a JUnit report
    bool json = false;                 // --json: a JSON line a step, the console on stderr
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // --timeout

    // Whether each answer is decoded and judged.
    bool judged() const { return answers || expect || fail_on_error || junit.has_value() || json; }
};

extern const CommandLineForm<ReplayOptions> BOARD_REPLAY_FORM;
