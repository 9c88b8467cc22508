#include "board/board_reply.h"

#include "console/log.h"
#include "console/printable_text.h"
#include "proto/text_buffer.h"

namespace {

text_buffer version_text;
text_buffer error_text;

}  // namespace

void prepare_board_reply(CleaningComponentResponse& response) {
    response = CleaningComponentResponse{};
    bind_text(response.version_info.version, version_text);
    bind_text(response.error_info.message, error_text);
}

void print_board_reply(const CleaningComponentResponse& response) {
    log_info("resp_id:%d \n", response.resp_id);
    if (response.has_version_info)
        log_info("version: %s\n\n", printable_text(version_text.text).c_str());
    if (response.has_error_info) log_info("error: %s\n", printable_text(error_text.text).c_str());
}
