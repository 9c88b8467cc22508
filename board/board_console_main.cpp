#include "board/board_console.h"

int main(int argc, char** argv) {
    Start start = start_program(argc, argv, BOARD_CONSOLE.form, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    int status = run_one_shot_console(start, BOARD_CONSOLE);
    return end_program(start, status);
}
