#include "replay/board_replay.h"

int main(int argc, char** argv) {
    ReplayOptions options;
    Start start = start_program(argc, argv, BOARD_REPLAY_FORM, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_board_replay(start, options);
}
