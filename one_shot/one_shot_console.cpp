#include "one_shot/one_shot_console.h"

#include "link/frame_exchange.h"
#include "protojson/json_writer.h"

FrameResult exchange_once(int link, const pb_msgdesc_t* fields, const void* request,
                          FrameFormat format, FrameBuffer& answer_frame, int timeout_seconds) {
    FrameBuffer frame{};
    FrameResult sent = send_request(link, fields, request, format, frame, timeout_seconds);
    if (!sent.is_frame()) return sent;
    FrameStream answers(link, format);
    answers.timeout_seconds = timeout_seconds;
    return receive_reply(answers, answer_frame);
}

int print_answer_json(const pb_msgdesc_t* fields, const void* record) {
    std::string json, error;
    JsonNotes notes;
    if (!message_json(fields, record, json, notes, error)) {
        log_error("--json: %s\n", error.c_str());
        return STATUS_OUTPUT_FAILED;
    }
    note_replaced_bytes(notes);
    return put_out_data(json += "\n") ? STATUS_OK : STATUS_OUTPUT_FAILED;
}
