#include "arm/arm_reply.h"

#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "proto/text_buffer.h"

namespace {

text_buffer error_text;

}  // namespace

void prepare_arm_reply(MainArmResponseMsg& response) {
    response = MainArmResponseMsg{};
    bind_text(response.error, error_text);
    clear_text(error_text);
}

void print_arm_reply(const MainArmResponseMsg& response) {
    log_info("req type: %u\n\n", response.req_type);
    if (response.which_result == MainArmResponseMsg_id_tag) {
        const char* id = response.result.id;
        log_info("id: %s\n\n", printable_text(id, strnlen(id, sizeof response.result.id)).c_str());
    } else if (response.which_result == MainArmResponseMsg_success_tag) {
        log_info("success: %d\n\n", response.result.success ? 1 : 0);
    }
    if (error_text.text[0] != '\0')
        log_info("error: %s\n\n", printable_text(error_text.text).c_str());
}
