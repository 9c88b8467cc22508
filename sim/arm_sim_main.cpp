#include <unistd.h>

#include "runtime/command_line.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"
#include "runtime/server_link.h"
#include "sim/arm_sim.h"
#include "sim/listener.h"

int main(int argc, char** argv) {
    int command_port = 8007;
    int report_port = 8006;
    int rate = 100;
    const std::string usage =
        "usage: arm_sim [--listen ADDR] [--command-port N] [--report-port N] [--rate HZ]\n"
        "  a main-arm controller on this machine; defaults 127.0.0.1, 8007, 8006 and 100 Hz\n"
        "  (port 0: any free port)\n"
        "  --version  print the program's name and version\n";
    fail_writes_gently();
    if (answered_version(argc, argv, "arm_sim")) return STATUS_OK;
    print_banner(__DATE__);
    SimCommandLine command_line = parse_sim_command_line(
        argc, argv, usage, {{"--command-port", &command_port}, {"--report-port", &report_port}},
        &rate);
    if (!command_line.proceed) return command_line.status;
    catch_interrupt();
    int commands = open_listener(command_line.listen_address, command_port, "arm_sim command port");
    if (commands < 0) return STATUS_LINK_FAILED;
    int reports = open_listener(command_line.listen_address, report_port, "arm_sim report port");
    if (reports < 0) return STATUS_LINK_FAILED;
    int status = run_arm_sim(commands, reports, rate);
    close(commands);
    close(reports);
    return status;
}
