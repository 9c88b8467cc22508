#include "console/number_text.h"

#include <charconv>

namespace {

// Room for any double with six decimals: 309 digits, a sign, a point and six more.
constexpr size_t FIXED_ROOM = 330;

}  // namespace

void append_integer(std::string& out, long long value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void append_fixed(std::string& out, double value) {
    char digits[FIXED_ROOM];
    out.append(
        digits,
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6).ptr);
}

void append_shortest(std::string& out, double value) {
    char digits[32];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}
