#include <unistd.h>

#include "board/board_console.h"
#include "runtime/interrupt.h"
#include "runtime/server_link.h"

int main(int argc, char** argv) {
    const CommandLineForm form{"board_console", BOARD_DEFAULT_ADDRESS, 8080, false};
    ignore_broken_pipe();
    print_banner(__DATE__);
    CommandLine command_line = parse_command_line(argc, argv, form);
    if (!command_line.proceed) return command_line.status;
    int link = connect_to_server(command_line);
    if (link < 0) return STATUS_LINK_FAILED;
    int status = run_board_console(link);
    close(link);
    return status;
}
