#include "console/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

size_t copy_text(char* out, const char* text) {
    size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return length;
}

size_t length_to(const char* out, std::to_chars_result result) {
    return static_cast<size_t>(result.ptr - out);
}

}  // namespace

size_t write_unsigned(char* out, unsigned long long value) {
    return length_to(out, std::to_chars(out, out + NUMBER_TEXT_SIZE, value));
}

size_t write_decimal(char* out, long long value) {
    return length_to(out, std::to_chars(out, out + NUMBER_TEXT_SIZE, value));
}

size_t write_fixed6(char* out, double value) {
    // printf spells the special values its own way, the sign of a NaN included.
    bool negative = std::signbit(value);
    if (std::isnan(value)) return copy_text(out, negative ? "-nan" : "nan");
    if (std::isinf(value)) return copy_text(out, negative ? "-inf" : "inf");
    return length_to(
        out, std::to_chars(out, out + NUMBER_TEXT_SIZE, value, std::chars_format::fixed, 6));
}

void append_fixed6(std::string& text, double value) {
    char number[NUMBER_TEXT_SIZE];
    text.append(number, write_fixed6(number, value));
}

void append_decimal(std::string& text, long long value) {
    char number[NUMBER_TEXT_SIZE];
    text.append(number, write_decimal(number, value));
}
