#include <unistd.h>

#include "console/interrupt.h"
#include "console/program_start.h"
#include "sim/board_sim.h"
#include "sim/listener.h"

int main(int argc, char** argv) {
    const CommandLineForm form = simulator_form(
        "board_sim",
        "usage: board_sim [--listen ADDR] [--port N]\n"
        "  a signal board on this machine; ADDR default 127.0.0.1, N default 8080 (0: any free "
        "port)\n"
        "  --version  print the program's name and version\n",
        {port_option("--port")});
    CommandLine command_line = begin_program(argc, argv, form, __DATE__);
    if (!command_line.proceed) return command_line.status;
    catch_interrupt();
    int listener =
        open_listener(command_line.value("--listen", "127.0.0.1"),
                      static_cast<int>(command_line.number("--port", 8080)), "board_sim");
    if (listener < 0) return STATUS_LINK_FAILED;
    int status = run_board_sim(listener);
    close(listener);
    return status;
}
