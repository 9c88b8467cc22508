#include "board/board_replay.h"

#include <chrono>

#include "board/record_check.h"
#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame_exchange.h"
#include "program/connection.h"
#include "record/record_load.h"

const CommandLineForm BOARD_REPLAY_FORM{
    "board_replay",
    BOARD_DEFAULT_ADDRESS,
    8080,
    {{"RECORD_FILE", "record file written by board_recorder"}},
    {{"--check", "RECORD_FILE", "show and check each step of the file; connects to nothing",
      true}}};

namespace {

Outcome load_recording(const std::string& path, std::vector<Action>& actions) {
    std::string error;
    if (load_actions(path, actions, error)) return go_on();
    log_error("cannot load record file %s: %s\n", printable_text(path).c_str(),
              printable_text(error).c_str());
    return end_with(STATUS_RECORD_FILE_FAILED);
}

// Sleep the step's delay (no wait at all for 0); false when a signal ended it.
bool sleep_seconds(int32_t seconds) {
    if (seconds <= 0) return true;
    const Deadline until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (wait_until_ready(-1, 0, until) != 0 && !interrupted()) {
    }
    return !interrupted();
}

// One step: its frame out, its answer in, its delay.
Outcome replay_step(int link, FrameStream& answers, FrameBuffer& answer, const Action& action) {
    log_info("send: %s\n", to_hex_text(action.data.data(), action.data.size()).c_str());
    if (!send_frame(link, action.data.data(), action.data.size()).is_frame()) {
        if (interrupted()) return end_with(interrupt_status());
        log_error("%s\n", "tcp write failed.");
        return end_with(STATUS_EXCHANGE_FAILED);
    }
    if (!take_answer(answers, answer).is_frame()) {
        return end_with(interrupted() ? interrupt_status() : STATUS_EXCHANGE_FAILED);
    }
    log_info("delay: %d s\n", action.delay);
    if (action.delay < 0) return end_with(STATUS_OK);
    if (!sleep_seconds(action.delay)) return end_with(interrupt_status());
    return go_on();
}

}  // namespace

int run_board_replay(Start& start) {
    const CommandLine& command_line = start.command_line;
    if (command_line.has("--check")) return check_record_file(command_line.value("--check"));
    Outcome connected = connect_to_controller(start);
    if (!connected.goes_on) return connected.status;
    catch_interrupt();
    std::vector<Action> actions;
    Outcome loaded = load_recording(command_line.value("RECORD_FILE"), actions);
    if (!loaded.goes_on) return loaded.status;
    FrameBuffer answer{};
    FrameStream answers(start.link.get(), BOARD_FRAME);
    for (const Action& action : actions) {
        Outcome step = replay_step(start.link.get(), answers, answer, action);
        if (!step.goes_on) return step.status;
    }
    return STATUS_OK;
}
