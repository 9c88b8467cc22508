#include "board/board_reply.h"

#include "console/log.h"
#include "console/printable_text.h"
#include "prototext/text_writer.h"

BoardReply::BoardReply() {
    bind_text(record.version_info.version, version);
    bind_text(record.error_info.message, error);
}

bool unpack_board_reply(BoardReply& reply, const FrameBuffer& frame, size_t length) {
    clear_text(reply.version);
    clear_text(reply.error);
    return unpack_reply(frame, length, CleaningComponentResponse_fields, &reply.record,
                        BOARD_FRAME);
}

bool decode_board_reply(BoardReply& reply, const FrameBuffer& frame, size_t length) {
    clear_text(reply.version);
    clear_text(reply.error);
    return decode_reply(frame, length, CleaningComponentResponse_fields, &reply.record,
                        BOARD_FRAME) == Unpacked::DECODED;
}

std::string board_reply_text(const BoardReply& reply) {
    std::string text = message_text(CleaningComponentResponse_fields, &reply.record);
    return text.empty() ? "(empty answer)" : text;
}

bool board_reply_reports_error(const BoardReply& reply) {
    const CleaningComponentResponse& response = reply.record;
    return response.has_error_info &&
           (response.error_info.code != 0 || reply.error.text[0] != '\0');
}

void print_board_reply(const BoardReply& reply) {
    const CleaningComponentResponse& response = reply.record;
    log_info("resp_id:%d \n", response.resp_id);
    if (response.has_version_info) {
        log_info("version: %s\n\n", printable_text(reply.version.text).c_str());
    }
    if (response.has_error_info) log_info("error: %s\n", printable_text(reply.error.text).c_str());
}
