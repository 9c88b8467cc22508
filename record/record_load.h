// Loading a record file (see record_format.h): a regular file within the
// limits, opened without blocking, read by yaml-cpp, every entry checked.
#pragma once

#include <string>
#include <vector>

#include "record/record_format.h"

// Read a whole record file into `actions`. False, with what is wrong (and the
// line where one is known) in `error` and no action, when it cannot be
// loaded. Never throws.
bool load_actions(const std::string& path, std::vector<Action>& actions, std::string& error);

// load_actions(), logging "cannot load record file PATH: WHY" (both made
// safe to print) when it fails.
bool load_record_file(const std::string& path, std::vector<Action>& actions);

// Read record text (what load_actions does after reading the file).
bool parse_actions(const std::string& text, std::vector<Action>& actions, std::string& error);
