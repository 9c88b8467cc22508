// How two records of one message differ, field by field, each field named by
// its path as the text format names it (text_writer.h writes the values):
//
//     error_info.message: expected "", got "duty 150 of end spray is outside 0-100"
//     version_info: expected absent, got { version: "1.0" }
//     poses[2]: expected 0.5, got 0.75
//     poses[6]: expected absent, got 1
//
// A proto3 scalar that is not set reads as its zero ("", 0, false, the
// enumerator of 0); a sub-message, a oneof member or an element of a
// repeated field that one side lacks reads "absent". Sub-messages present
// on both sides are compared field by field.
#pragma once

#include <pb.h>

#include <string>
#include <vector>

// One line for each field of `expected` and `got` (records of the message
// `descriptor`) that differs, in the schema's order; the field named `ignored`
// at the top level (a counter, say) is left out. Empty when they are alike.
std::vector<std::string> field_differences(const pb_msgdesc_t* descriptor, const void* expected,
                                           const void* got, const std::string& ignored = "");
