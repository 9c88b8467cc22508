// Any text as a record file: load_actions must answer, never crash or hang,
// every step it gives must be checked as `board_replay --check` does, and a
// file read without YAML (the recorder's own form) must read as YAML reads it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "replay/canonical_record.h"
#include "replay/record_check.h"
#include "replay/record_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    LoadedActions loaded = parse_actions(text);
    // The recorder's own form, read without YAML, reads as YAML reads it.
    std::vector<Action> canonical;
    if (read_canonical(text, canonical)) {
        LoadedActions through_yaml = parse_actions(text + "\n# read by yaml-cpp\n");
        if (!through_yaml.ok || through_yaml.actions.size() != canonical.size()) __builtin_trap();
        for (size_t i = 0; i < canonical.size(); ++i) {
            if (through_yaml.actions[i].data != canonical[i].data ||
                through_yaml.actions[i].delay != canonical[i].delay) {
                __builtin_trap();
            }
        }
    }
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
