#include "replay/board_replay.h"

#include <time.h>

#include <cerrno>

#include "replay/record_file.h"
#include "runtime/frame.h"
#include "runtime/log.h"
#include "runtime/server_link.h"

namespace {

void sleep_seconds(int32_t seconds) {
    timespec left = {seconds, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace

int run_board_replay(int link, const std::string& record_path) {
    LoadedActions loaded = load_actions(record_path);
    if (!loaded.ok) {
        log_error("cannot load record file %s: %s\n", record_path.c_str(), loaded.error.c_str());
        return STATUS_RECORD_FILE_FAILED;
    }
    FrameBuffer reply_buffer{};
    ReplyStream replies = reply_stream(link, BOARD_FRAME);

    for (const Action& action : loaded.actions) {
        log_info("send: %s\n", to_hex_text(action.data.data(), action.data.size()).c_str());
        if (send_frame(link, action.data.data(), action.data.size()) <= 0) {
            log_error("%s\n", "tcp write failed.");
            return STATUS_EXCHANGE_FAILED;
        }
        if (receive_reply(replies, reply_buffer) <= 0) {
            log_error("%s\n", "tcp read failed.");
            return STATUS_EXCHANGE_FAILED;
        }
        if (replies.lost_step) {
            log_error("%s\n", "reply frame too long: the link has lost its framing.");
            return STATUS_EXCHANGE_FAILED;
        }
        log_info("delay: %d s\n", action.delay);
        if (action.delay < 0) break;
        sleep_seconds(action.delay);
    }
    return STATUS_OK;
}
