#include <unistd.h>

#include "replay/board_replay.h"
#include "replay/record_check.h"
#include "runtime/interrupt.h"
#include "runtime/server_link.h"

int main(int argc, char** argv) {
    const CommandLineForm form{
        "board_replay",
        BOARD_DEFAULT_ADDRESS,
        8080,
        true,
        {{"--check", "RECORD_FILE", "show and check each step of the file; connects to nothing",
          true}}};
    CommandLine command_line = begin_tool(argc, argv, form, __DATE__);
    if (!command_line.proceed) return command_line.status;
    if (command_line.has("--check")) return check_record_file(command_line.options["--check"]);
    int link = connect_to_server(command_line);
    if (link < 0) return STATUS_LINK_FAILED;
    catch_interrupt();
    int status = run_board_replay(link, command_line.record_path);
    close(link);
    return status;
}
