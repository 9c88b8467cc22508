// board_recorder: signal-board commands one after another, each frame sent
// kept with the delay the operator types after its answer, and saved to a
// record file when the recording ends.
#pragma once

// Run passes until the operator types a negative delay; save the recording.
// A recording is never lost: when a pass fails (write or read), input ends or
// Ctrl-C arrives, the entries answered so far are saved first. Returns the
// exit status: 0 saved after a negative delay or at the end of input; 2 after
// a failed exchange; 3 when the file could not be written; 4 when input ended
// with nothing recorded; 130 after Ctrl-C.
int run_board_recorder(int link);
