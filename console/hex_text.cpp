#include "console/hex_text.h"

#include <charconv>

std::string to_hex_text(const uint8_t* bytes, size_t count) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text.push_back(DIGITS[bytes[i] >> 4]);
        text.push_back(DIGITS[bytes[i] & 0x0f]);
    }
    return text;
}

bool hex_to_bytes(const std::string& text, std::vector<uint8_t>& bytes, size_t& position) {
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (position = 0; position < text.size(); position += 2) {
        const char* slice = text.data() + position;
        const char* end = position + 2 <= text.size() ? slice + 2 : slice + 1;
        uint8_t byte = 0;
        const std::from_chars_result read = std::from_chars(slice, end, byte, 16);
        if (end != slice + 2 || read.ec != std::errc() || read.ptr != end) {
            bytes.clear();
            return false;
        }
        bytes.push_back(byte);
    }
    return true;
}
