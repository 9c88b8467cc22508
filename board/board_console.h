// board_console: one signal-board command per run, its answer decoded and
// printed (see one_shot/one_shot_console.h). Exit statuses: 0 when the answer
// was printed; 2 when encoding, the write or the read failed or the answer
// did not pass the size check or decode; 4 when standard input ended before
// the command was complete (nothing sent); 255 for a refused command line or
// typed request.
#pragma once

#include "board.pb.h"
#include "board/board_reply.h"
#include "one_shot/one_shot_console.h"

extern const OneShotConsole<CleaningComponentRequest, BoardReply> BOARD_CONSOLE;
