#include "arm/arm_console.h"

#include "arm.pb.h"
#include "arm/arm_tree.h"
#include "runtime/frame.h"
#include "runtime/log.h"
#include "runtime/printable_text.h"
#include "runtime/server_link.h"
#include "runtime/text_buffer.h"

namespace {

text_buffer id_text;
text_buffer error_text;

void prepare_reply(MainArmResponseMsg& response) {
    response = MainArmResponseMsg{};
    response.result.id.buffer = &id_text;
    bind_text(response.error, error_text);
}

void print_reply(const MainArmResponseMsg& response) {
    log_info("req type: %u\n\n", response.req_type);
    if (response.which_result == MainArmResponseMsg_id_tag) {
        log_info("id: %s\n\n", printable_text(id_text.text).c_str());
    } else if (response.which_result == MainArmResponseMsg_success_tag) {
        log_info("success: %d\n\n", response.result.success ? 1 : 0);
    }
    if (error_text.text[0] != '\0')
        log_info("error: %s\n\n", printable_text(error_text.text).c_str());
}

}  // namespace

int run_arm_console(int link) {
    MainArmRequestMsg request{};
    rootMenu.run(request);
    if (input_ended()) return STATUS_INPUT_ENDED;

    MainArmResponseMsg response;
    prepare_reply(response);
    if (!exchange_request(link, MainArmRequestMsg_fields, &request, MainArmResponseMsg_fields,
                          &response, ARM_FRAME)) {
        return STATUS_EXCHANGE_FAILED;
    }
    print_reply(response);
    return STATUS_OK;
}
