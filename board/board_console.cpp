#include "board/board_console.h"

#include "board/board_tree.h"

const OneShotConsole<CleaningComponentRequest, BoardReply> BOARD_CONSOLE{
    {"board_console", BOARD_DEFAULT_ADDRESS, 8080, {}, {REQUEST_OPTION, ENCODE_OPTION}},
    &board_root_menu,
    CleaningComponentRequest_fields,
    BOARD_FRAME,
    unpack_board_reply,
    print_board_reply};
