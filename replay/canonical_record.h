// The record file as board_recorder writes it, read without a YAML parser.
//
// A file in exactly the recorder's own form, entry after entry
//
//     - hexData: 02001001
//       delay: 2
//
// (lower-case hex digits, a plain decimal delay without a leading zero or a
// plus sign, "\n" line ends, an optional final one) reads the same through
// yaml-cpp, only some twenty times slower. read_canonical() takes such a file
// in one pass; anything else, and anything over the reading limits, is left to
// the YAML parser, which then also gives the reason for a refusal.
#pragma once

#include <string>
#include <vector>

#include "replay/record_file.h"

// True, with the recording in `actions`, when `text` is in the recorder's own
// form and within the limits; false (`actions` then meaningless) otherwise.
bool read_canonical(const std::string& text, std::vector<Action>& actions);
