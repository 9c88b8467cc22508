#include "board/board_console.h"

#include "board/board_tree.h"

namespace {

using PlainRequest = PlainRecord<CleaningComponentRequest>;

const std::vector<MessageKind> BOARD_KINDS = {
    {"--decode", "show the request whose frame (or payload) is HEX, and connect to nothing",
     CleaningComponentRequest_fields, show_as<PlainRequest>, describe_as<PlainRequest>},
    {"--decode-answer", "show the answer whose frame (or payload) is HEX, and connect to nothing",
     CleaningComponentResponse_fields, show_as<BoardReply>, describe_as<BoardReply>}};

}  // namespace

const OneShotConsole<CleaningComponentRequest, BoardReply> BOARD_CONSOLE{
    console_form("board_console", BOARD_DEFAULT_ADDRESS, 8080, BOARD_KINDS),
    &board_root_menu,
    CleaningComponentRequest_fields,
    BOARD_FRAME,
    unpack_board_reply,
    print_board_reply,
    board_reply_reports_error,
    CleaningComponentResponse_fields,
    BOARD_KINDS};
