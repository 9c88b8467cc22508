#include "board/board_recorder.h"

int main(int argc, char** argv) {
    RecorderOptions options;
    Start start = start_program(argc, argv, BOARD_RECORDER_FORM, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_board_recorder(start, options);
}
