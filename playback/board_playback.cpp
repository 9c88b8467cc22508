#include "playback/board_playback.h"

#include <pb_encode.h>

#include <algorithm>

#include "board.pb.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame.h"
#include "link/frame_words.h"
#include "proto/text_buffer.h"
#include "record/record_load.h"

namespace {

constexpr int32_t CODE_DIFFERS = 10;
constexpr int32_t CODE_ENDED = 11;

// An answer frame that carries only an error.
std::string error_answer(int32_t resp_id, int32_t code, const std::string& message) {
    text_buffer text;
    set_text(text, message.c_str());
    CleaningComponentResponse response{};
    response.resp_id = resp_id;
    response.has_error_info = true;
    response.error_info.code = code;
    bind_text_to_send(response.error_info.message, text);
    FrameBuffer frame{};
    const FrameResult encoded =
        encode_frame(CleaningComponentResponse_fields, &response, BOARD_FRAME, frame);
    return std::string(reinterpret_cast<const char*>(frame.data()), encoded.length);
}

}  // namespace

bool load_board_recording(const std::string& path, BoardPlayback& playback) {
    if (!load_record_file(path, playback.steps)) return false;
    for (size_t i = 0; i < playback.steps.size(); ++i) {
        if (playback.steps[i].has_answer) continue;
        log_error(
            "cannot play %s: step %zu has no answer (record with board_recorder "
            "--keep-answers)\n",
            printable_text(path).c_str(), i + 1);
        return false;
    }
    log_info("playing %s: %zu steps\n", printable_text(path).c_str(), playback.steps.size());
    return true;
}

size_t BoardStandIn::step_of(const uint8_t* frame, size_t length) const {
    const std::vector<Action>& steps = playback_.steps;
    for (size_t ahead = 0; ahead < steps.size(); ++ahead) {
        const size_t at = (next_ + ahead) % steps.size();
        const std::vector<uint8_t>& data = steps[at].data;
        if (data.size() == length && std::equal(data.begin(), data.end(), frame)) return at;
    }
    return steps.size();
}

std::string BoardStandIn::answer(const uint8_t* frame, size_t length) {
    ++requests_;
    const int32_t resp_id = static_cast<int32_t>(requests_);
    const std::vector<Action>& steps = playback_.steps;
    const size_t at = step_of(frame, length);
    if (at < steps.size()) {
        if (at > next_) {
            ++jumps_ahead_;
            log_info("jumped from step %zu to step %zu: the request is step %zu's\n", next_ + 1,
                     at + 1, at + 1);
        } else if (at < next_) {
            ++new_passes_;
            log_info("pass %zu begins: from step %zu back to step %zu\n", new_passes_ + 1, next_,
                     at + 1);
        }
        next_ = at + 1;
        ++recorded_;
        return std::string(steps[at].answer.begin(), steps[at].answer.end());
    }
    const std::string got = printable_text(board_frame_words(frame, length));
    if (next_ >= steps.size()) {
        log_error("the recording has ended after step %zu: got %s, which is no step of it\n",
                  steps.size(), got.c_str());
        return error_answer(resp_id, CODE_ENDED, "the recording has ended");
    }
    const Action& step = steps[next_++];
    ++differed_;
    const std::string head = "step " + std::to_string(next_);
    log_error("%s: the request differs from the recording: expected %s, got %s\n", head.c_str(),
              printable_text(board_frame_words(step.data.data(), step.data.size())).c_str(),
              got.c_str());
    return error_answer(resp_id, CODE_DIFFERS, head + ": the request differs from the recording");
}

std::string BoardStandIn::summary(const std::string& client) const {
    std::string line = "client " + client + ": " + std::to_string(requests_) + " requests, " +
                       std::to_string(recorded_) + " as recorded, " + std::to_string(differed_) +
                       " differed";
    const size_t jumps = jumps_ahead_ + new_passes_;
    if (jumps == 0) return line;
    return line + ", " + std::to_string(jumps) + (jumps == 1 ? " jump (" : " jumps (") +
           std::to_string(jumps_ahead_) + " ahead, " + std::to_string(new_passes_) +
           " to a new pass)";
}
