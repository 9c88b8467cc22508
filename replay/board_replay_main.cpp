#include <unistd.h>

#include "replay/board_replay.h"
#include "runtime/server_link.h"

int main(int argc, char** argv) {
    ToolStart start =
        start_tool(argc, argv, {"board_replay", BOARD_DEFAULT_ADDRESS, 8080, true}, __DATE__);
    if (start.link < 0) return start.status;
    int status = run_board_replay(start.link, start.command_line.record_path);
    close(start.link);
    return status;
}
