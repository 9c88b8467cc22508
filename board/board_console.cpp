#include "board/board_console.h"

#include "board.pb.h"
#include "board/board_reply.h"
#include "board/command_tree.h"
#include "runtime/frame.h"
#include "runtime/log.h"
#include "runtime/server_link.h"

int run_board_console(int link) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    CleaningComponentRequest request{};
    board_root_menu.run(request);
    if (input_ended()) return STATUS_INPUT_ENDED;

    int frame_length = pack_request(CleaningComponentRequest_fields, &request, BOARD_FRAME,
                                    frame_buffer);
    if (frame_length < 0) return STATUS_EXCHANGE_FAILED;
    if (send_frame(link, frame_buffer.data(), static_cast<size_t>(frame_length)) <= 0) {
        log_error("%s\n", "tcp write failed.");
        return STATUS_EXCHANGE_FAILED;
    }
    ReplyStream replies;
    replies.link = link;
    replies.format = BOARD_FRAME;
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
