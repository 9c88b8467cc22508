// The signal board's answer as board_console shows it.
//
// Both string fields arrive through the text callback into static
// text_buffers: `version` of version_info and `message` of error_info.
#pragma once

#include "board.pb.h"

// Clear `response` and bind its two strings to their text_buffers.
void prepare_board_reply(CleaningComponentResponse& response);

// Log "resp_id:%d \n", then "version: %s\n\n" when version_info is present and
// "error: %s\n" (at INFO) when error_info is present.
void print_board_reply(const CleaningComponentResponse& response);
