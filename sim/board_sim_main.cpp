#include <unistd.h>

#include "runtime/command_line.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"
#include "runtime/server_link.h"
#include "sim/board_sim.h"
#include "sim/listener.h"

int main(int argc, char** argv) {
    int port = 8080;
    const std::string usage =
        "usage: board_sim [--listen ADDR] [--port N]\n"
        "  a signal board on this machine; ADDR default 127.0.0.1, N default 8080 (0: any free "
        "port)\n"
        "  --version  print the program's name and version\n";
    fail_writes_gently();
    if (answered_version(argc, argv, "board_sim")) return STATUS_OK;
    print_banner(__DATE__);
    SimCommandLine command_line = parse_sim_command_line(argc, argv, usage, {{"--port", &port}});
    if (!command_line.proceed) return command_line.status;
    catch_interrupt();
    int listener = open_listener(command_line.listen_address, port, "board_sim");
    if (listener < 0) return STATUS_LINK_FAILED;
    int status = run_board_sim(listener);
    close(listener);
    return status;
}
