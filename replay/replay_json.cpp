#include "replay/replay_json.h"

#include <pb_decode.h>

#include <nlohmann/json.hpp>

#include "board.pb.h"
#include "board/board_reply.h"
#include "console/hex_text.h"
#include "one_shot/message_kinds.h"

namespace {

// The message of `payload` as JSON into `value`; false when it does not decode.
template <typename Holder>
bool payload_json(const pb_msgdesc_t* fields, const uint8_t* payload, size_t size,
                  nlohmann::ordered_json& value) {
    Holder holder;
    pb_istream_t stream = pb_istream_from_buffer(payload, size);
    if (!pb_decode(&stream, fields, &holder.record)) return false;
    JsonNotes notes;
    std::string error;
    if (!message_value(fields, &holder.record, value, notes, error)) return false;
    note_replaced_bytes(notes);
    return true;
}

// `frame` of `length` bytes under `key`, or its hex under `key`Hex.
template <typename Holder>
void add_frame(nlohmann::ordered_json& step, const std::string& key, const pb_msgdesc_t* fields,
               const uint8_t* frame, size_t length) {
    const size_t header = BOARD_FRAME.header_size;
    nlohmann::ordered_json value;
    if (length >= header && read_header(frame, BOARD_FRAME) == length - header &&
        payload_json<Holder>(fields, frame + header, length - header, value)) {
        step[key] = std::move(value);
    } else {
        step[key + "Hex"] = to_hex_text(frame, length);
    }
}

}  // namespace

namespace {

// A step's object: "step", "pass", and its request.
nlohmann::ordered_json step_object(const Action& action, size_t number, long pass) {
    nlohmann::ordered_json step;
    step["step"] = number;
    step["pass"] = pass;
    add_frame<PlainRecord<CleaningComponentRequest>>(step, "request",
                                                     CleaningComponentRequest_fields,
                                                     action.data.data(), action.data.size());
    return step;
}

// One object on one line. Texts were made valid UTF-8 when they were added.
std::string line_of(const nlohmann::ordered_json& object) {
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string answered_step_json(const Action& action, size_t number, long pass,
                               const FrameBuffer& frame, size_t length, double round_trip_ms,
                               const AnswerVerdict& verdict, bool expect) {
    nlohmann::ordered_json step = step_object(action, number, pass);
    add_frame<BoardReply>(step, "answer", CleaningComponentResponse_fields, frame.data(), length);
    step["roundTripMs"] = round_trip_ms;
    if (expect) {
        step["verdict"] = !verdict.decoded                ? "undecodable"
                          : verdict.differences.empty() ? "same"
                                                        : "differs";
        if (!verdict.differences.empty()) step["differences"] = verdict.differences;
    }
    return line_of(step);
}

std::string unanswered_step_json(const Action& action, size_t number, long pass, bool skipped,
                                 const std::string& error) {
    nlohmann::ordered_json step = step_object(action, number, pass);
    if (skipped) {
        step["skipped"] = true;
    } else {
        step["error"] = error;
    }
    return line_of(step);
}

std::string summary_json(const AnswerTally& tally, int status) {
    nlohmann::ordered_json summary;
    summary["replayed"] = tally.replayed;
    summary["answered"] = tally.answered;
    summary["withError"] = tally.with_error;
    summary["differ"] = tally.differ;
    summary["skipped"] = tally.skipped;
    summary["status"] = status;
    nlohmann::ordered_json last;
    last["summary"] = std::move(summary);
    return line_of(last);
}
