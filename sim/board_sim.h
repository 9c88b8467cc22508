// board_sim: a signal board on this machine. It serves one connection after
// another until Ctrl-C; each request frame is logged in readable form and
// answered with one CleaningComponentResponse frame (see board_model.h).
#pragma once

#include "sim/board_model.h"

// Serve one client until it goes away. An undecodable request is answered
// with error code 9; a header declaring more than 1022 bytes, or a client
// leaving in the middle of a frame, is logged and ends the connection.
void serve_board_client(int client, BoardState& state);

// Accept and serve clients until Ctrl-C. Returns the exit status.
int run_board_sim(int listener);
