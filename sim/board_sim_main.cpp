#include "sim/board_sim.h"

int main(int argc, char** argv) {
    BoardSimOptions options;
    Start start = start_program(argc, argv, BOARD_SIM_FORM, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_board_sim(options);
}
