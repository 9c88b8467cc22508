// Loading a record file (see record_format.h): a regular file within the
// limits, opened without blocking, read by yaml-cpp, every entry checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/record_format.h"

struct LoadedActions {
    bool ok = false;
    std::vector<Action> actions;
    std::string error;  // what is wrong, with the line where one is known
};

// Read a whole record file. Never throws.
LoadedActions load_actions(const std::string& path);

// Read record text (what load_actions does after reading the file).
LoadedActions parse_actions(const std::string& text);

// Convert hex text to bytes slice by slice; false when a slice has no digit
// (`position` then names it).
bool hex_to_bytes(const std::string& text, std::vector<uint8_t>& bytes, size_t& position);
