#include "board/board_console.h"

int main(int argc, char** argv) {
    ConsoleOptions options;
    Start start = start_program(argc, argv, BOARD_CONSOLE.form, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_one_shot_console(start, options, BOARD_CONSOLE);
}
