#include <unistd.h>

#include "arm/arm_console.h"
#include "link/connection.h"

int main(int argc, char** argv) {
    ToolStart start =
        start_tool(argc, argv, {"arm_console", ARM_DEFAULT_ADDRESS, 8007, {}, {}}, __DATE__);
    if (start.link < 0) return start.status;
    int status = run_arm_console(start.link);
    close(start.link);
    return status;
}
