// board_replay: a record file played back to the signal board, or with
// --check described and checked without connecting (check/record_check.h).
#pragma once

#include "program/program_start.h"
#include "replay/replay_options.h"

// Connect, load the record file, then for each entry: send its frame
// unchanged, take one answer frame (only its length is logged, unless
// --answers) and wait the entry's delay; a negative delay ends the pass after
// its answer. The options (replay_options.h) pace, loop, pick and confirm the
// steps and check the answers. Returns the exit status: 0 when the replay ran
// to its end (or the operator ended it at a --confirm prompt); 1 when the
// connection failed; 2 when a write or read failed; 3 when the file could not
// be loaded or its steps cannot be played as asked (nothing is then sent); 6
// with --expect when an answer differed from the recording or did not
// decode; 128 + the signal when Ctrl-C, SIGTERM or SIGHUP ended it.
int run_board_replay(Start& start, const ReplayOptions& options);
