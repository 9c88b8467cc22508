// Any text as a record file: load_actions must answer, never crash or hang,
// every step it gives must be checked as `board_replay --check` does, and
// what it loads, written again as the recorder writes it, must load the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "record/record_check.h"
#include "record/record_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    LoadedActions loaded = parse_actions(text);
    if (loaded.ok) {
        LoadedActions again = parse_actions(record_text(loaded.actions));
        if (!again.ok || again.actions.size() != loaded.actions.size()) __builtin_trap();
        for (size_t i = 0; i < again.actions.size(); ++i) {
            if (again.actions[i].data != loaded.actions[i].data ||
                again.actions[i].delay != loaded.actions[i].delay) {
                __builtin_trap();
            }
        }
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
