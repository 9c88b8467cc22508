#include "board/board_console.h"

#include "board.pb.h"
#include "board/board_reply.h"
#include "board/board_tree.h"
#include "console/exit_status.h"
#include "link/frame_exchange.h"

int run_board_console(int link, const CleaningComponentRequest* typed) {
    CleaningComponentRequest request{};
    if (typed != nullptr) {
        request = *typed;
    } else {
        board_root_menu.run(request);
        if (input_ended()) return STATUS_INPUT_ENDED;
    }

    CleaningComponentResponse response;
    prepare_board_reply(response);
    if (!exchange_request(link, CleaningComponentRequest_fields, &request,
                          CleaningComponentResponse_fields, &response, BOARD_FRAME)) {
        return STATUS_EXCHANGE_FAILED;
    }
    print_board_reply(response);
    return STATUS_OK;
}
