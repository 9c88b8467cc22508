// arm_sim: a main-arm controller on this machine, with its command port (one
// request per connection, one MainArmResponseMsg answer) and its report port
// (after the client's request, MainArmStateMsg reports at a steady rate until
// the client goes away). Both ports share one arm (see arm_model.h) and serve
// their clients side by side: a client that stays silent waits out its own
// 15-second time-out without holding up the others.
#pragma once

#include "program/program_start.h"
#include "sim/arm_model.h"

extern const CommandLineForm ARM_SIM_FORM;

// Listen on both ports where the command line says, then serve them until
// Ctrl-C; each report client is logged with the number of reports sent to it
// when it goes. Returns the exit status: 0, or 1 when it cannot listen.
int run_arm_sim(const CommandLine& command_line);
