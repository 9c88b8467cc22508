// Any reply frame, decoded as each tool decodes it: the size check, the text
// callbacks and the arm's id text must hold whatever the bytes are.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "arm.pb.h"
#include "board.pb.h"
#include "link/frame.h"
#include "proto/text_buffer.h"

namespace {

text_buffer first_text;
text_buffer second_text;

void check_terminated(const text_buffer& buffer) {
    if (strnlen(buffer.text, sizeof buffer.text) >= sizeof buffer.text) __builtin_trap();
}

}  // namespace

// The decode failures log to standard output; keep the fuzzer's own output readable.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FrameBuffer frame{};
    size_t count = size - 1 < FRAME_BUFFER_SIZE ? size - 1 : FRAME_BUFFER_SIZE;
    std::memcpy(frame.data(), data + 1, count);
    size_t received = count;
    switch (data[0] % 3) {
        case 0: {
            CleaningComponentResponse response{};
            bind_text(response.version_info.version, first_text);
            bind_text(response.error_info.message, second_text);
            unpack_reply(frame, received, CleaningComponentResponse_fields, &response, BOARD_FRAME);
            break;
        }
        case 1: {
            MainArmResponseMsg response{};
            bind_text(response.error, second_text);
            bool decoded =
                unpack_reply(frame, received, MainArmResponseMsg_fields, &response, ARM_FRAME);
            if (decoded && response.which_result != 0 &&
                response.which_result != MainArmResponseMsg_id_tag &&
                response.which_result != MainArmResponseMsg_success_tag) {
                __builtin_trap();
            }
            if (decoded && response.which_result == MainArmResponseMsg_id_tag &&
                strnlen(response.result.id, sizeof response.result.id) >=
                    sizeof response.result.id) {
                __builtin_trap();
            }
            break;
        }
        default: {
            MainArmStateMsg report{};
            bind_text(report.error, first_text);
            if (unpack_reply(frame, received, MainArmStateMsg_fields, &report, ARM_FRAME) &&
                (report.poses_count > 6 || report.angles.angle_count > 6)) {
                __builtin_trap();
            }
            break;
        }
    }
    check_terminated(first_text);
    check_terminated(second_text);
    return 0;
}
