#include "arm/arm_console.h"

int main(int argc, char** argv) {
    ConsoleOptions options;
    Start start = start_program(argc, argv, ARM_CONSOLE.form, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_one_shot_console(start, options, ARM_CONSOLE);
}
