#include "board/board_console.h"

#include "board.pb.h"
#include "board/board_reply.h"
#include "board/command_tree.h"
#include "runtime/frame.h"
#include "runtime/server_link.h"

int run_board_console(int link) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    CleaningComponentRequest request{};
    board_root_menu.run(request);
    if (input_ended()) return STATUS_INPUT_ENDED;

    if (send_request(link, CleaningComponentRequest_fields, &request, BOARD_FRAME, frame_buffer) <=
        0) {
        return STATUS_EXCHANGE_FAILED;
    }
    ReplyStream replies = reply_stream(link, BOARD_FRAME);
    int count = receive_reply(replies, reply_buffer);
    if (count <= 0) return STATUS_EXCHANGE_FAILED;

    CleaningComponentResponse response;
    prepare_board_reply(response);
    if (!unpack_reply(reply_buffer, count, CleaningComponentResponse_fields, &response,
                      BOARD_FRAME)) {
        return STATUS_EXCHANGE_FAILED;
    }
    print_board_reply(response);
    return STATUS_OK;
}
