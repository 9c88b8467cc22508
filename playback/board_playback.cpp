#include "playback/board_playback.h"

#include <pb_decode.h>
#include <pb_encode.h>

#include "board.pb.h"
#include "console/hex_text.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame.h"
#include "proto/text_buffer.h"
#include "prototext/board_request_text.h"
#include "record/record_load.h"

namespace {

constexpr int32_t CODE_DIFFERS = 10;
constexpr int32_t CODE_ENDED = 11;

// A request frame in words, or its hex when it does not decode.
std::string request_words(const uint8_t* frame, size_t length) {
    CleaningComponentRequest request{};
    if (length >= BOARD_FRAME.header_size &&
        read_header(frame, BOARD_FRAME) == length - BOARD_FRAME.header_size) {
        pb_istream_t stream = pb_istream_from_buffer(frame + BOARD_FRAME.header_size,
                                                     length - BOARD_FRAME.header_size);
        if (pb_decode(&stream, CleaningComponentRequest_fields, &request)) {
            return describe_request(request);
        }
    }
    return "hex " + to_hex_text(frame, length);
}

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

std::string BoardStandIn::answer(const uint8_t* frame, size_t length) {
    ++requests_;
    const int32_t resp_id = static_cast<int32_t>(requests_);
    if (next_ >= playback_.steps.size()) {
        return error_answer(resp_id, CODE_ENDED, "the recording has ended");
    }
    const Action& step = playback_.steps[next_++];
    if (step.data.size() == length && std::equal(step.data.begin(), step.data.end(), frame)) {
        ++recorded_;
        return std::string(step.answer.begin(), step.answer.end());
    }
    ++differed_;
    const std::string head = "step " + std::to_string(next_);
    log_error("%s: the request differs from the recording: expected %s, got %s\n", head.c_str(),
              printable_text(request_words(step.data.data(), step.data.size())).c_str(),
              printable_text(request_words(frame, length)).c_str());
    return error_answer(resp_id, CODE_DIFFERS, head + ": the request differs from the recording");
}

std::string BoardStandIn::summary(const std::string& client) const {
    return "client " + client + ": " + std::to_string(requests_) + " requests, " +
           std::to_string(recorded_) + " as recorded, " + std::to_string(differed_) + " differed";
}
