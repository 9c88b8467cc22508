#include "board/board_replay.h"

int main(int argc, char** argv) {
    Start start = start_program(argc, argv, BOARD_REPLAY_FORM, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    int status = run_board_replay(start);
    return end_program(start, status);
}
