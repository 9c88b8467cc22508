// Any text as a record file: load_actions must answer, never crash or hang,
// every step it gives must be checked as `board_replay --check` does, and
// what it loads, written again as the recorder writes it, must load the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/record_check.h"
#include "record/record_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<Action> loaded;
    std::string error;
    if (parse_actions(text, loaded, error)) {
        std::vector<Action> again;
        if (!parse_actions(record_text(loaded), again, error) || again.size() != loaded.size()) {
            __builtin_trap();
        }
        for (size_t i = 0; i < again.size(); ++i) {
            if (again[i].data != loaded[i].data || again[i].delay != loaded[i].delay ||
                again[i].has_answer != loaded[i].has_answer ||
                again[i].answer != loaded[i].answer) {
                __builtin_trap();
            }
        }
        for (const Action& action : loaded) {
            if (action.data.size() > MAX_ACTION_BYTES) __builtin_trap();
            StepCheck check = check_step(action);
            if (check.words.empty()) __builtin_trap();  // every step is shown somehow
            if (action.has_answer && check_answer(action).words.empty()) __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}
