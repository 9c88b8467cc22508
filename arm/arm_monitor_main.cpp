#include "arm/arm_monitor.h"

int main(int argc, char** argv) {
    MonitorOptions options;
    Start start = start_program(argc, argv, ARM_MONITOR_FORM, options, __DATE__);
    if (!start.outcome.goes_on) return start.outcome.status;
    return run_arm_monitor(start, options);
}
