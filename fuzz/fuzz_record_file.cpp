// Any text as a record file: load_actions must answer, never crash or hang,
// and every step it gives must be checked as `board_replay --check` does.
#include <cstddef>
#include <cstdint>
#include <string>

#include "replay/record_check.h"
#include "replay/record_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadedActions loaded = parse_actions(std::string(reinterpret_cast<const char*>(data), size));
    if (loaded.ok) {
        for (const Action& action : loaded.actions) {
            if (action.data.size() > MAX_ACTION_BYTES) __builtin_trap();
            StepCheck check = check_step(action);
            if (check.words.empty()) __builtin_trap();  // every step is shown somehow
        }
    } else if (loaded.error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}
