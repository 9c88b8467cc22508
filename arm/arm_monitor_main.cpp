#include <unistd.h>

#include "arm/arm_monitor.h"
#include "runtime/interrupt.h"
#include "runtime/server_link.h"

int main(int argc, char** argv) {
    const CommandLineForm form{"arm_monitor", ARM_DEFAULT_ADDRESS, 8006, false};
    ignore_broken_pipe();
    print_banner(__DATE__);
    CommandLine command_line = parse_command_line(argc, argv, form);
    if (!command_line.proceed) return command_line.status;
    int link = connect_to_server(command_line);
    if (link < 0) return STATUS_LINK_FAILED;
    int status = run_arm_monitor(link);
    close(link);
    return status;
}
