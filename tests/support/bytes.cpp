#include "tests/support/bytes.h"

#include <cstdlib>

std::string bytes_of(const std::string& hex) {
    std::string bytes;
    std::string digits;
    for (char c : hex) {
        if (c == ' ') continue;
        digits.push_back(c);
        if (digits.size() == 2) {
            bytes.push_back(static_cast<char>(std::strtoul(digits.c_str(), nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

std::string hex_of(const std::string& bytes) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text.push_back(DIGITS[c >> 4]);
        text.push_back(DIGITS[c & 0x0f]);
    }
    return text;
}

std::string board_frame_bytes(const std::string& payload) {
    return std::string{static_cast<char>(payload.size() & 0xff),
                       static_cast<char>((payload.size() >> 8) & 0xff)} +
           payload;
}

std::string arm_frame_bytes(const std::string& payload) {
    size_t n = payload.size();
    return std::string{static_cast<char>((n >> 24) & 0xff), static_cast<char>((n >> 16) & 0xff),
                       static_cast<char>((n >> 8) & 0xff), static_cast<char>(n & 0xff)} +
           payload;
}

std::string board_frame_of(const std::string& payload_hex) {
    return board_frame_bytes(bytes_of(payload_hex));
}

std::string arm_frame_of(const std::string& payload_hex) {
    return arm_frame_bytes(bytes_of(payload_hex));
}

size_t count_of(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}
