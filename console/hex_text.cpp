#include "console/hex_text.h"

#include <cstdlib>

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
    bytes.reserve((text.size() + 1) / 2);
    for (position = 0; position < text.size(); position += 2) {
        std::string slice = text.substr(position, 2);
        char* end = nullptr;
        unsigned long value = std::strtoul(slice.c_str(), &end, 16);
        if (end == slice.c_str()) return false;
        bytes.push_back(static_cast<uint8_t>(value & 0xff));
    }
    return true;
}
