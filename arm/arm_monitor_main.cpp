#include <unistd.h>

#include "arm/arm_monitor.h"
#include "runtime/interrupt.h"
#include "runtime/server_link.h"

int main(int argc, char** argv) {
    ToolStart start =
        start_tool(argc, argv, {"arm_monitor", ARM_DEFAULT_ADDRESS, 8006, false, {}}, __DATE__);
    if (start.link < 0) return start.status;
    catch_interrupt();  // so that what is held goes out before the watch ends
    int status = run_arm_monitor(start.link);
    close(start.link);
    return status;
}
