// board_replay: a record file played back to the signal board, or with
// --check described and checked without connecting (record_check.h).
#pragma once

#include "program/program_start.h"

extern const CommandLineForm BOARD_REPLAY_FORM;

// Connect, load the record file, then for each entry: send its frame
// unchanged, take one answer frame (only its length is logged) and sleep the
// entry's delay; a negative delay ends the replay after its answer. Returns
// the exit status: 0 when the replay ran to its end; 1 when the connection
// failed; 2 when a write or read failed; 3 when the file could not be loaded
// (nothing is then sent); 128 + the signal when Ctrl-C, SIGTERM or SIGHUP
// ended it.
int run_board_replay(Start& start);
