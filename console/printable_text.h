// Texts that come from a controller (version, id and error texts) or from a
// file (its name, what the YAML reader says of it), made safe to print on the
// operator's terminal.
//
// A faulty or hostile controller could otherwise drive the terminal with
// control sequences: clear the screen, erase the line above, retitle the
// window or write the clipboard. So every control character is shown as a
// visible escape, one "\xNN" (two lower-case hex digits) per byte:
//   - C0 controls U+0000-U+001F and DEL U+007F (ESC shows as \x1b);
//   - C1 controls U+0080-U+009F, UTF-8 encoded (\xc2\x9b) or as raw bytes (\x9b);
//   - every other byte that is not part of a valid UTF-8 sequence.
// Valid UTF-8 otherwise prints unchanged, Chinese included; a backslash stays
// as it is.
#pragma once

#include <cstddef>
#include <string>

std::string printable_text(const char* text, size_t length);

// The same for a zero-terminated text (a text_buffer's), and for a string
// (a file's name, an error read from a file).
std::string printable_text(const char* text);
std::string printable_text(const std::string& text);
