// Bytes as hex text, both ways: how log lines show frames and how record
// files hold them.
//
// Written: two lower-case hex digits per byte, no separator:
//     {0x00, 0x1a, 0xff} -> "001aff"
// Read: slice by slice of two characters, each read as strtoul(base 16)
// reads it: upper case is accepted, an odd last digit is a byte of its own
// ("0300aabbc" -> 03 00 aa bb 0c), a slice whose second character is no digit
// keeps its first ("0g" -> 00), and a slice without a digit at its start
// ("g0", "zz") is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::string to_hex_text(const uint8_t* bytes, size_t count);

// Read `text` into `bytes`; false when a slice has no digit, `position` then
// naming where it starts.
bool hex_to_bytes(const std::string& text, std::vector<uint8_t>& bytes, size_t& position);
