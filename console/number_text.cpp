#include "console/number_text.h"

#include <charconv>

namespace {}  // namespace

namespace {

// The digits written, appended as one piece (append(first, last) would go
// through the general replace).
void append_digits(std::string& out, const char* digits, std::to_chars_result written) {
    out.append(digits, static_cast<size_t>(written.ptr - digits));
}

}  // namespace

void append_integer(std::string& out, long long value) {
    char digits[24];
    append_digits(out, digits, std::to_chars(digits, digits + sizeof digits, value));
}

void append_fixed(std::string& out, double value) {
    char digits[FIXED_ROOM];
    append_digits(
        out, digits,
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6));
}

void append_shortest(std::string& out, double value) {
    char digits[32];
    append_digits(out, digits, std::to_chars(digits, digits + sizeof digits, value));
}
