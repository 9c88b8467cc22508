#include "arm/arm_reply.h"

#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"

ArmReply::ArmReply() {
    bind_text(record.error, error);
}

bool unpack_arm_reply(ArmReply& reply, const FrameBuffer& frame, size_t length) {
    clear_text(reply.error);
    return unpack_reply(frame, length, MainArmResponseMsg_fields, &reply.record, ARM_FRAME);
}

bool arm_reply_reports_error(const ArmReply& reply) {
    const MainArmResponseMsg& response = reply.record;
    return reply.error.text[0] != '\0' ||
           (response.which_result == MainArmResponseMsg_success_tag && !response.result.success);
}

void print_arm_reply(const ArmReply& reply) {
    const MainArmResponseMsg& response = reply.record;
    log_info("req type: %u\n\n", response.req_type);
    if (response.which_result == MainArmResponseMsg_id_tag) {
        const char* id = response.result.id;
        log_info("id: %s\n\n", printable_text(id, strnlen(id, sizeof response.result.id)).c_str());
    } else if (response.which_result == MainArmResponseMsg_success_tag) {
        log_info("success: %d\n\n", response.result.success ? 1 : 0);
    }
    if (reply.error.text[0] != '\0') {
        log_info("error: %s\n\n", printable_text(reply.error.text).c_str());
    }
}
