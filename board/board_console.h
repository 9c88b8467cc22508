// board_console: one signal-board command per run, its answer decoded and printed.
#pragma once

#include "board.pb.h"

// Walk the command tree once (or take `typed`, a request typed with
// --request, without showing the menu), send the request and print the
// answer. Returns
// the exit status: 0 when the answer was printed; 2 when encoding, the write
// or the read failed or the answer did not pass the size check or decode; 4
// when standard input ended before the command was complete (nothing sent).
int run_board_console(int link, const CleaningComponentRequest* typed);
