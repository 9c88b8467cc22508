#include "program/play_rate.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

const char PLAY_RATE_HINT[] = " (a positive number such as 2 or 0.5, or max)";

namespace {

// "2", "0.5", ".5": digits, a point and digits (either side may be empty, not both).
bool is_plain_decimal(const char* text) {
    const size_t digits = std::strspn(text, "0123456789");
    size_t length = digits;
    size_t decimals = 0;
    if (text[length] == '.') {
        decimals = std::strspn(text + length + 1, "0123456789");
        length += 1 + decimals;
    }
    return text[length] == '\0' && digits + decimals > 0;
}

}  // namespace

bool read_play_rate(const char* text, PlayRate& rate) {
    if (std::strcmp(text, "max") == 0) {
        rate = {1, true};
        return true;
    }
    if (!is_plain_decimal(text)) return false;
    const double factor = std::strtod(text, nullptr);
    if (!std::isfinite(factor) || factor <= 0) return false;
    rate = {factor, false};
    return true;
}

bool read_play_seconds(const char* text, uint64_t& ns) {
    if (!is_plain_decimal(text)) return false;
    const double seconds = std::strtod(text, nullptr);
    if (!std::isfinite(seconds) || seconds > 1e9) return false;  // some thirty years
    ns = static_cast<uint64_t>(std::llround(seconds * 1e9));
    return true;
}
