#include "board/board_console.h"

#include "board/board_tree.h"

const OneShotConsole<CleaningComponentRequest, BoardReply> BOARD_CONSOLE{
    console_form("board_console", BOARD_DEFAULT_ADDRESS, 8080),
    &board_root_menu,
    CleaningComponentRequest_fields,
    BOARD_FRAME,
    unpack_board_reply,
    print_board_reply,
    board_reply_reports_error};
