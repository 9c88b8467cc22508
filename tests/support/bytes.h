// Bytes, frames and texts as the tests write and check them.
#pragma once

#include <cstddef>
#include <string>

// Bytes from hex text with optional blanks: "02 00 10 01".
std::string bytes_of(const std::string& hex);

// Hex text of a byte string, as the programs show frames: "02001001".
std::string hex_of(const std::string& bytes);

// A signal-board frame (2-byte little-endian header) or a main-arm frame
// (4-byte big-endian header) around raw payload bytes, or payload hex.
std::string board_frame_bytes(const std::string& payload);
std::string arm_frame_bytes(const std::string& payload);
std::string board_frame_of(const std::string& payload_hex);
std::string arm_frame_of(const std::string& payload_hex);

// How many times `part` stands in `text` (overlaps included).
size_t count_of(const std::string& text, const std::string& part);
