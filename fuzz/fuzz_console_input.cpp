// Any bytes on standard input drive one walk of the signal-board command tree
// and one of the main-arm tree: each walk must end, and what it leaves in the
// record must encode into a frame.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "arm.pb.h"
#include "arm/arm_tree.h"
#include "board.pb.h"
#include "board/board_tree.h"
#include "console/console_input.h"
#include "link/frame.h"

// The menus write to standard output; keep the fuzzer's own output readable.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return std::freopen("/dev/null", "w", stdout) != nullptr ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    FrameBuffer frame{};

    std::istringstream board_input(text);
    use_console_input(board_input);
    CleaningComponentRequest board_request{};
    board_root_menu.run(board_request);
    if (!encode_frame(CleaningComponentRequest_fields, &board_request, BOARD_FRAME, frame)
             .is_frame()) {
        __builtin_trap();
    }

    std::istringstream arm_input(text);
    use_console_input(arm_input);
    MainArmRequestMsg arm_request{};
    rootMenu.run(arm_request);
    if (!encode_frame(MainArmRequestMsg_fields, &arm_request, ARM_FRAME, frame).is_frame()) {
        __builtin_trap();
    }
    return 0;
}
