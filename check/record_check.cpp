#include "check/record_check.h"

#include <pb_decode.h>

#include "board.pb.h"
#include "board/board_reply.h"
#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/log.h"
#include "link/frame.h"
#include "link/frame_words.h"
#include "proto/message_fields.h"
#include "record/record_load.h"

namespace {

void add_flag(StepCheck& check, const std::string& reason) {
    check.flagged += (check.flagged.empty() ? "" : "; ") + reason;
}

std::string seconds_text(int64_t seconds) {
    std::string text = std::to_string(seconds) + " s";
    if (seconds < 60) return text;
    char clock[48];
    std::snprintf(clock, sizeof clock, " (%lld h %02lld min %02lld s)",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return text + clock;
}

}  // namespace

std::string header_fault(const std::vector<uint8_t>& frame) {
    const size_t header = BOARD_FRAME.header_size;
    if (frame.empty()) return "";
    if (frame.size() < header) return "shorter than its 2-byte header";
    const uint32_t declared = read_header(frame.data(), BOARD_FRAME);
    const size_t follow = frame.size() - header;
    if (declared == follow) return "";
    return "the header declares " + std::to_string(declared) + " bytes where " +
           std::to_string(follow) + " follow";
}

StepCheck check_step(const Action& action) {
    StepCheck check;
    const std::vector<uint8_t>& frame = action.data;
    const size_t header = BOARD_FRAME.header_size;
    check.words = board_frame_words(frame.data(), frame.size());
    if (frame.size() < header) {
        add_flag(check, "shorter than its 2-byte header");
        return check;
    }
    const size_t follow = frame.size() - header;
    const std::string fault = header_fault(frame);
    if (!fault.empty()) add_flag(check, fault);
    if (frame.size() > FRAME_BUFFER_SIZE) {
        add_flag(check,
                 "longer than the board's " + std::to_string(FRAME_BUFFER_SIZE) + "-byte buffer");
    }
    CleaningComponentRequest request{};
    pb_istream_t stream = pb_istream_from_buffer(frame.data() + header, follow);
    if (!pb_decode(&stream, CleaningComponentRequest_fields, &request)) {
        add_flag(check, std::string("the payload does not decode as a CleaningComponentRequest (") +
                            PB_GET_ERROR(&stream) + ")");
        return check;
    }
    pb_istream_t again = pb_istream_from_buffer(frame.data() + header, follow);
    std::string unknown = unknown_field(&again, CleaningComponentRequest_fields, &request);
    if (!unknown.empty())
        add_flag(check, "carries field " + unknown + ", which the schema does not know");
    return check;
}

StepCheck check_answer(const Action& action) {
    StepCheck check;
    if (!action.answer_fault.empty()) {
        check.words = "(unreadable)";
        add_flag(check, "the recorded answer cannot be read: " + action.answer_fault);
        return check;
    }
    const std::vector<uint8_t>& frame = action.answer;
    const size_t header = BOARD_FRAME.header_size;
    const std::string hex = "hex " + to_hex_text(frame.data(), frame.size());
    if (frame.size() < header || frame.size() > FRAME_BUFFER_SIZE) {
        check.words = frame.empty() ? "(no bytes)" : hex;
        add_flag(check, frame.size() < header
                            ? "shorter than its 2-byte header"
                            : "longer than a " + std::to_string(FRAME_BUFFER_SIZE) + "-byte frame");
        return check;
    }
    const std::string fault = header_fault(frame);
    if (!fault.empty()) {
        check.words = hex;
        add_flag(check, fault);
        return check;
    }
    const size_t follow = frame.size() - header;
    BoardReply reply;
    pb_istream_t stream = pb_istream_from_buffer(frame.data() + header, follow);
    if (!pb_decode(&stream, CleaningComponentResponse_fields, &reply.record)) {
        check.words = hex;
        add_flag(check, std::string("it does not decode as a CleaningComponentResponse (") +
                            PB_GET_ERROR(&stream) + ")");
        return check;
    }
    check.words = board_reply_text(reply);
    return check;
}

std::string step_lines(const Action& action, size_t number, const std::string& suffix,
                       bool& flagged) {
    StepCheck check = check_step(action);
    std::string lines = "step " + std::to_string(number) + ": delay " +
                        std::to_string(action.delay) + " s, " + std::to_string(action.data.size()) +
                        " bytes: " + check.words;
    flagged = !check.flagged.empty();
    if (flagged) lines += " FLAGGED: " + check.flagged;
    lines += suffix + "\n";
    if (action.has_answer || !action.answer_fault.empty()) {
        StepCheck answer = check_answer(action);
        lines += "  answer: " + answer.words;
        if (!answer.flagged.empty()) {
            lines += " FLAGGED: " + answer.flagged;
            flagged = true;
        }
        lines += "\n";
    }
    return lines;
}

int check_record_file(const std::string& path) {
    std::vector<Action> actions;
    if (!load_record_file(path, actions)) return STATUS_RECORD_FILE_FAILED;
    size_t flagged = 0;
    size_t sent = 0;  // the steps a replay sends: up to the first negative delay
    bool ended = false;
    int64_t seconds = 0;
    size_t number = 0;
    for (const Action& action : actions) {
        std::string suffix =
            ended ? " (not sent: the replay ends at step " + std::to_string(sent) + ")" : "";
        bool step_flagged = false;
        write_console(step_lines(action, ++number, suffix, step_flagged));
        if (step_flagged) ++flagged;
        if (!ended) {
            ++sent;
            if (action.delay < 0) {
                ended = true;
            } else {
                seconds += action.delay;
            }
        }
    }
    std::string steps = "steps: " + std::to_string(actions.size());
    if (sent < actions.size()) steps += " (" + std::to_string(sent) + " sent)";
    write_console(steps + "\n");
    write_console("replay time: " + seconds_text(seconds) +
                  ", the sum of the delays up to the end\n");
    write_console("flagged: " + std::to_string(flagged) + "\n");
    return flagged == 0 ? STATUS_OK : STATUS_RECORD_FILE_FAILED;
}
