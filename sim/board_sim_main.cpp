#include "sim/board_sim.h"

int main(int argc, char** argv) {
    Start start = start_program(argc, argv, BOARD_SIM_FORM, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    int status = run_board_sim(start.command_line);
    return end_program(start, status);
}
