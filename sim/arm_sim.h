// arm_sim: a main-arm controller on this machine, with its command port (one
// request per connection, one MainArmResponseMsg answer) and its report port
// (after the client's request, MainArmStateMsg reports at a steady rate until
// the client goes away). Both ports share one arm (see arm_model.h) and serve
// their clients side by side: a client that stays silent waits out its own
// 15-second time-out without holding up the others.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "program/play_rate.h"
#include "program/program_start.h"
#include "sim/arm_model.h"

struct ArmSimOptions {
    std::string listen = "127.0.0.1";
    long command_port = 8007;  // 0: any free port
    long report_port = 8006;
    long rate_hz = 100;
    bool wave = false;
    std::optional<std::string> play;  // --play FILE: the reports of an MCAP recording
    // --rate is read both ways, as it stands: reports a second (1 to 10000),
    // or with --play how fast the recording plays (X or max).
    bool rate_given = false, rate_is_hz = true, rate_plays = true;
    std::string rate_text;
    PlayRate play_rate;
    bool looped = false;                            // --loop given
    long passes = 1;                                // --loop N with --play; 0: until a signal
    std::optional<uint64_t> start_ns, duration_ns;  // --start S, --duration D with --play
};

extern const CommandLineForm<ArmSimOptions> ARM_SIM_FORM;

// Listen on both ports where the options say, then serve them until
// Ctrl-C; each report client is logged with the number of reports sent to it
// when it goes. With --play the report port plays that recording
// (playback/arm_playback.h) and the command port answers as always. Returns
// the exit status: 0; 1 when it cannot listen; 3 when the recording cannot
// be played (before any socket).
int run_arm_sim(const ArmSimOptions& options);
