#include "runtime/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Exact products of a 53-bit mantissa and 10^6, shifted (a GCC and Clang type).
__extension__ typedef unsigned __int128 uint128;

// "00" to "99": two digits at a time halve the divisions.
constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The digits of `value` backwards from `end`; returns where they start.
char* digits_before(char* end, unsigned long long value) {
    while (value >= 100) {
        unsigned long long next = value / 100;
        end -= 2;
        std::memcpy(end, DIGIT_PAIRS + 2 * (value - next * 100), 2);
        value = next;
    }
    if (value >= 10) {
        end -= 2;
        std::memcpy(end, DIGIT_PAIRS + 2 * value, 2);
        return end;
    }
    *--end = static_cast<char>('0' + value);
    return end;
}

size_t copy_text(char* out, const char* text) {
    size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return length;
}

}  // namespace

size_t write_unsigned(char* out, unsigned long long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* start = digits_before(end, value);
    size_t length = static_cast<size_t>(end - start);
    std::memcpy(out, start, length);
    return length;
}

size_t write_decimal(char* out, long long value) {
    if (value >= 0) return write_unsigned(out, static_cast<unsigned long long>(value));
    out[0] = '-';
    // The magnitude of the most negative value does not fit a long long.
    return 1 + write_unsigned(out + 1, 0ull - static_cast<unsigned long long>(value));
}

size_t write_fixed6(char* out, double value) {
    bool negative = std::signbit(value);
    if (std::isnan(value)) return copy_text(out, negative ? "-nan" : "nan");
    if (std::isinf(value)) return copy_text(out, negative ? "-inf" : "inf");
    double magnitude = std::fabs(value);
    if (magnitude >= 1e15) {
        return static_cast<size_t>(std::snprintf(out, NUMBER_TEXT_SIZE, "%lf", value));
    }
    // magnitude = mantissa * 2^exponent exactly; scaled = magnitude * 10^6,
    // rounded to nearest with ties to even, in exact 128-bit arithmetic.
    uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    int biased = static_cast<int>(bits >> 52);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased != 0) mantissa |= uint64_t{1} << 52;  // not subnormal: the hidden bit
    int exponent = (biased != 0 ? biased : 1) - 1075;
    uint128 scaled = static_cast<uint128>(mantissa) * 1000000u;
    if (exponent >= 0) {
        scaled <<= exponent;  // below 1e21: no overflow
    } else if (-exponent >= 100) {
        scaled = 0;  // far below half a millionth
    } else {
        int shift = -exponent;
        uint128 whole = scaled >> shift;
        uint128 rest = scaled - (whole << shift);
        uint128 half = static_cast<uint128>(1) << (shift - 1);
        if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
        scaled = whole;
    }
    unsigned long long units = 0;
    unsigned long long millionths = 0;
    if (scaled >> 64 == 0) {  // the usual case: plain 64-bit division by a constant
        auto narrow = static_cast<uint64_t>(scaled);
        units = narrow / 1000000u;
        millionths = narrow % 1000000u;
    } else {
        units = static_cast<unsigned long long>(scaled / 1000000u);
        millionths = static_cast<unsigned long long>(scaled % 1000000u);
    }
    size_t length = 0;
    if (negative) out[length++] = '-';
    length += write_unsigned(out + length, units);
    out[length++] = '.';
    for (int place = 4; place >= 0; place -= 2) {  // six digits, two at a time
        std::memcpy(out + length + static_cast<size_t>(place), DIGIT_PAIRS + 2 * (millionths % 100),
                    2);
        millionths /= 100;
    }
    return length + 6;
}

void append_fixed6(std::string& text, double value) {
    char number[NUMBER_TEXT_SIZE];
    text.append(number, write_fixed6(number, value));
}

void append_decimal(std::string& text, long long value) {
    char number[NUMBER_TEXT_SIZE];
    text.append(number, write_decimal(number, value));
}
