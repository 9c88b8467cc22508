#include <unistd.h>

#include "board/board_replay.h"
#include "console/interrupt.h"
#include "console/program_start.h"
#include "link/connection.h"
#include "record/record_check.h"

int main(int argc, char** argv) {
    const CommandLineForm form{
        "board_replay",
        BOARD_DEFAULT_ADDRESS,
        8080,
        {{"RECORD_FILE", "record file written by board_recorder"}},
        {{"--check", "RECORD_FILE", "show and check each step of the file; connects to nothing",
          true}}};
    CommandLine command_line = begin_program(argc, argv, form, __DATE__);
    if (!command_line.proceed) return command_line.status;
    if (command_line.has("--check")) return check_record_file(command_line.value("--check"));
    int link = connect_to_server(command_line);
    if (link < 0) return STATUS_LINK_FAILED;
    catch_interrupt();
    int status = run_board_replay(link, command_line.value("RECORD_FILE"));
    close(link);
    return status;
}
