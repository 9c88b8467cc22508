// Any reply frame, decoded as each tool decodes it: the size check, the text
// buffers and the arm's id text must hold whatever the bytes are.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "arm/arm_reply.h"
#include "board/board_reply.h"
#include "report/arm_report.h"

namespace {

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
    switch (data[0] % 3) {
        case 0: {
            BoardReply reply;
            unpack_board_reply(reply, frame, count);
            check_terminated(reply.version);
            check_terminated(reply.error);
            break;
        }
        case 1: {
            ArmReply reply;
            const MainArmResponseMsg& response = reply.record;
            bool decoded = unpack_arm_reply(reply, frame, count);
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
            check_terminated(reply.error);
            break;
        }
        default: {
            ArmReport report;
            if (decode_report(report, frame, count) == Unpacked::DECODED &&
                (report.record.poses_count > 6 || report.record.angles.angle_count > 6)) {
                __builtin_trap();
            }
            check_terminated(report.error);
            break;
        }
    }
    return 0;
}
