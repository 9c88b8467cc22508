#include "board/board_replay.h"

#include <chrono>

#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame_exchange.h"
#include "record/record_load.h"

namespace {

// Sleep the step's delay (no wait at all for 0).
void sleep_seconds(int32_t seconds) {
    if (seconds <= 0) return;
    const Deadline until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (wait_until_ready(-1, 0, until) != 0 && !interrupted()) {
    }
}

}  // namespace

int run_board_replay(int link, const std::string& record_path) {
    LoadedActions loaded = load_actions(record_path);
    if (!loaded.ok) {
        log_error("cannot load record file %s: %s\n", printable_text(record_path).c_str(),
                  printable_text(loaded.error).c_str());
        return STATUS_RECORD_FILE_FAILED;
    }
    FrameBuffer reply_buffer{};
    FrameStream replies(link, BOARD_FRAME);
    // A step's lines go out together before it waits for its answer or its delay.
    hold_output();

    for (const Action& action : loaded.actions) {
        log_info("send: %s\n", to_hex_text(action.data.data(), action.data.size()).c_str());
        if (!send_frame(link, action.data.data(), action.data.size()).is_frame()) {
            if (interrupted()) return interrupt_status();
            log_error("%s\n", "tcp write failed.");
            return STATUS_EXCHANGE_FAILED;
        }
        if (!take_answer(replies, reply_buffer)) {
            return interrupted() ? interrupt_status() : STATUS_EXCHANGE_FAILED;
        }
        log_info("delay: %d s\n", action.delay);
        if (action.delay < 0) break;
        sleep_seconds(action.delay);
        if (interrupted()) return interrupt_status();
    }
    return STATUS_OK;
}
