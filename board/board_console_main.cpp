#include <unistd.h>

#include "board/board_console.h"
#include "link/connection.h"

int main(int argc, char** argv) {
    ToolStart start =
        start_tool(argc, argv, {"board_console", BOARD_DEFAULT_ADDRESS, 8080, {}, {}}, __DATE__);
    if (start.link < 0) return start.status;
    int status = run_board_console(start.link);
    close(start.link);
    return status;
}
