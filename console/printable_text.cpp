#include "console/printable_text.h"

#include <cstdint>
#include <cstring>

namespace {

bool is_continuation(uint8_t byte) {
    return (byte & 0xc0) == 0x80;
}

// The length of the valid UTF-8 sequence at `text` (0 when it is not one):
// shortest form only, no surrogates, nothing above U+10FFFF.
size_t sequence_length(const uint8_t* text, size_t left) {
    uint8_t lead = text[0];
    if (lead < 0x80) return 1;
    size_t length = 0;
    uint8_t low = 0x80, high = 0xbf;  // the range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return 0;
    }
    if (left < length || text[1] < low || text[1] > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (!is_continuation(text[i])) return 0;
    }
    return length;
}

bool is_control(const uint8_t* text, size_t length) {
    if (length == 1) return text[0] < 0x20 || text[0] == 0x7f;
    return length == 2 && text[0] == 0xc2 && text[1] < 0xa0;  // U+0080-U+009F
}

void append_escape(std::string& out, uint8_t byte) {
    static const char DIGITS[] = "0123456789abcdef";
    out += "\\x";
    out += DIGITS[byte >> 4];
    out += DIGITS[byte & 0x0f];
}

}  // namespace

std::string printable_text(const char* text, size_t length) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    std::string out;
    out.reserve(length);
    for (size_t at = 0; at < length;) {
        size_t n = sequence_length(bytes + at, length - at);
        if (n == 0 || is_control(bytes + at, n)) {
            size_t escaped = n == 0 ? 1 : n;
            for (size_t i = 0; i < escaped; ++i) append_escape(out, bytes[at + i]);
            at += escaped;
        } else {
            out.append(text + at, n);
            at += n;
        }
    }
    return out;
}

std::string printable_text(const char* text) {
    return printable_text(text, std::strlen(text));
}

std::string printable_text(const std::string& text) {
    return printable_text(text.data(), text.size());
}
