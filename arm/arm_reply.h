// The main arm's answer as arm_console shows it.
//
// `id` arrives in the record itself (a text of at most 1023 bytes); `error`
// arrives through the text callback into a static text_buffer.
#pragma once

#include "arm.pb.h"

// Clear `response` and bind its error text to its text_buffer (emptied).
void prepare_arm_reply(MainArmResponseMsg& response);

// Log "req type: %u\n\n", then "id: %s\n\n" or "success: %d\n\n" (whichever
// came last) and "error: %s\n\n" when the error text is not empty.
void print_arm_reply(const MainArmResponseMsg& response);
