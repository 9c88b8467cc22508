#include "sim/arm_sim.h"

int main(int argc, char** argv) {
    ArmSimOptions options;
    Start start = start_program(argc, argv, ARM_SIM_FORM, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_arm_sim(options);
}
