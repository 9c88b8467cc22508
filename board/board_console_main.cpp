#include <unistd.h>

#include "board.pb.h"
#include "board/board_console.h"
#include "link/connection.h"
#include "link/typed_request.h"

int main(int argc, char** argv) {
    CleaningComponentRequest request{};
    ConsoleStart start = start_console(
        argc, argv,
        {"board_console", BOARD_DEFAULT_ADDRESS, 8080, {}, {REQUEST_OPTION, ENCODE_OPTION}},
        __DATE__, CleaningComponentRequest_fields, &request, BOARD_FRAME);
    if (start.link < 0) return start.status;
    int status = run_board_console(start.link, start.typed ? &request : nullptr);
    close(start.link);
    return status;
}
