#include "board/board_recorder.h"

int main(int argc, char** argv) {
    Start start = start_program(argc, argv, BOARD_RECORDER_FORM, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    int status = run_board_recorder(start);
    return end_program(start, status);
}
