#include "board/board_recorder.h"

#include "board.pb.h"
#include "board/command_tree.h"
#include "replay/record_file.h"
#include "runtime/frame.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"
#include "runtime/server_link.h"

namespace {

// Save what was recorded (if anything) and give the status the run ends with.
int finish(const std::vector<Action>& actions, int status) {
    if (!actions.empty() && !save_actions(actions)) return STATUS_RECORD_FILE_FAILED;
    return interrupted() ? STATUS_INTERRUPTED : status;
}

}  // namespace

int run_board_recorder(int link) {
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    ReplyStream replies = reply_stream(link, BOARD_FRAME);
    std::vector<Action> actions;

    for (;;) {
        CleaningComponentRequest request{};
        board_root_menu.run(request);
        if (input_ended()) {
            // The pass in progress is abandoned; nothing is sent for it.
            return finish(actions, actions.empty() ? STATUS_INPUT_ENDED : STATUS_OK);
        }
        int frame_length = send_request(link, CleaningComponentRequest_fields, &request,
                                        BOARD_FRAME, frame_buffer);
        if (frame_length < 0) continue;  // nothing fit to send: on to the next pass
        if (frame_length == 0) return finish(actions, STATUS_EXCHANGE_FAILED);
        size_t length = static_cast<size_t>(frame_length);

        if (receive_reply(replies, reply_buffer) <= 0) {
            if (!interrupted()) log_error("%s\n", "tcp read failed.");
            return finish(actions, STATUS_EXCHANGE_FAILED);
        }
        if (replies.lost_step) {
            log_error("%s\n", "reply frame too long: the link has lost its framing.");
            return finish(actions, STATUS_EXCHANGE_FAILED);
        }

        int32_t delay = read_number<int32_t>("等待时间(s)");
        // Input ending (or Ctrl-C) at the delay prompt ends the recording here.
        if (input_ended()) delay = -1;
        Action action;
        action.data.assign(frame_buffer.begin(), frame_buffer.begin() + frame_length);
        action.delay = delay;
        actions.push_back(std::move(action));
        log_info("hex data:%s\r\n\n", to_hex_text(actions.back().data.data(), length).c_str());
        if (delay < 0) return finish(actions, STATUS_OK);
    }
}
