// Bytes as hex text, both ways: how log lines show frames and how record
// files hold them.
//
// Written: two lower-case hex digits per byte, no separator:
//     {0x00, 0x1a, 0xff} -> "001aff"
// Read: slice by slice, each exactly two hex digits, upper case accepted
// ("0300AAbb" -> 03 00 aa bb). Anything else is refused where it stands: a
// lone last digit ("0300aabbc"), a character that is no hex digit ("0g",
// "-1", "+f", " f", "0x").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::string to_hex_text(const uint8_t* bytes, size_t count);

// Read `text` into `bytes`; false, with no bytes, when a slice is not two
// hex digits, `position` then naming where it starts.
bool hex_to_bytes(const std::string& text, std::vector<uint8_t>& bytes, size_t& position);
