#include "arm/arm_monitor.h"

int main(int argc, char** argv) {
    Start start = start_program(argc, argv, ARM_MONITOR_FORM, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    int status = run_arm_monitor(start);
    return end_program(start, status);
}
