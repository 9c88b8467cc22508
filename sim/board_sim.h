// board_sim: a signal board on this machine. It serves up to
// MAX_BOARD_CLIENTS connections side by side until Ctrl-C; each request frame
// is logged in readable form and answered with one CleaningComponentResponse
// frame (see board_model.h). All clients share the one board.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include "program/program_start.h"
#include "sim/board_model.h"

constexpr size_t MAX_BOARD_CLIENTS = 16;

struct SharedBoard {
    std::mutex mutex;
    BoardState state = initial_board_state();
};

struct BoardSimOptions {
    std::string listen = "127.0.0.1";
    long port = 8080;                 // 0: any free port
    std::optional<std::string> play;  // --play RECORDING: answer as recorded
};

extern const CommandLineForm<BoardSimOptions> BOARD_SIM_FORM;

// Listen where the options say, then accept and serve clients until
// Ctrl-C; with --play, each client is answered from the recording
// (playback/board_playback.h). Returns the exit status: 0; 1 when it cannot
// listen; 3 when the recording cannot be played (before any socket).
int run_board_sim(const BoardSimOptions& options);
