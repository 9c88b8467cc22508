#include <unistd.h>

#include "board/board_recorder.h"
#include "console/console_input.h"
#include "console/interrupt.h"
#include "link/connection.h"

int main(int argc, char** argv) {
    ToolStart start =
        start_tool(argc, argv, {"board_recorder", BOARD_DEFAULT_ADDRESS, 8080, {}, {}}, __DATE__);
    if (start.link < 0) return start.status;
    catch_interrupt();
    use_console_input(interruptible_stdin());
    int status = run_board_recorder(start.link);
    close(start.link);
    return status;
}
