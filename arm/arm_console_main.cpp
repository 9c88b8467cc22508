#include "arm/arm_console.h"

int main(int argc, char** argv) {
    Start start = start_program(argc, argv, ARM_CONSOLE.form, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    int status = run_one_shot_console(start, ARM_CONSOLE);
    return end_program(start, status);
}
