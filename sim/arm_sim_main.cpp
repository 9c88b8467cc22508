#include <unistd.h>

#include "console/interrupt.h"
#include "console/program_start.h"
#include "sim/arm_sim.h"
#include "sim/listener.h"

int main(int argc, char** argv) {
    const CommandLineForm form = simulator_form(
        "arm_sim",
        "usage: arm_sim [--listen ADDR] [--command-port N] [--report-port N] [--rate HZ]\n"
        "  a main-arm controller on this machine; defaults 127.0.0.1, 8007, 8006 and 100 Hz\n"
        "  (port 0: any free port)\n"
        "  --version  print the program's name and version\n",
        {port_option("--command-port"),
         port_option("--report-port"),
         {"--rate",
          "HZ",
          "",
          false,
          {ValueRule::WHOLE_NUMBER, 1, 10000, "bad rate: ", " (1 to 10000 Hz)"}}});
    CommandLine command_line = begin_program(argc, argv, form, __DATE__);
    if (!command_line.proceed) return command_line.status;
    catch_interrupt();
    const std::string address = command_line.value("--listen", "127.0.0.1");
    int commands =
        open_listener(address, static_cast<int>(command_line.number("--command-port", 8007)),
                      "arm_sim command port");
    if (commands < 0) return STATUS_LINK_FAILED;
    int reports =
        open_listener(address, static_cast<int>(command_line.number("--report-port", 8006)),
                      "arm_sim report port");
    if (reports < 0) return STATUS_LINK_FAILED;
    int status =
        run_arm_sim(commands, reports, static_cast<int>(command_line.number("--rate", 100)));
    close(commands);
    close(reports);
    return status;
}
