// board_sim: a signal board on this machine. It serves up to
// MAX_BOARD_CLIENTS connections side by side until Ctrl-C; each request frame
// is logged in readable form and answered with one CleaningComponentResponse
// frame (see board_model.h). All clients share the one board.
#pragma once

#include <cstddef>
#include <mutex>

#include "program/program_start.h"
#include "sim/board_model.h"

constexpr size_t MAX_BOARD_CLIENTS = 16;

struct SharedBoard {
    std::mutex mutex;
    BoardState state = initial_board_state();
};

// Serve one client until it goes away. A client may wait as long as it likes
// between frames, but a frame once begun must be complete within the link
// time-out (15 s). An undecodable request is answered with error code 9; a
// header declaring more than 1022 bytes, a client leaving in the middle of a
// frame or holding half a frame too long is logged and ends the connection.
void serve_board_client(int client, SharedBoard& board);

extern const CommandLineForm BOARD_SIM_FORM;

// Listen where the command line says, then accept and serve clients until
// Ctrl-C. Returns the exit status: 0, or 1 when it cannot listen.
int run_board_sim(const CommandLine& command_line);
