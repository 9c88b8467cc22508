#include "program/play_rate.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

bool read_play_rate(const char* text, PlayRate& rate) {
    if (std::strcmp(text, "max") == 0) {
        rate = {1, true};
        return true;
    }
    const size_t digits = std::strspn(text, "0123456789");
    size_t length = digits;
    size_t decimals = 0;
    if (text[length] == '.') {
        decimals = std::strspn(text + length + 1, "0123456789");
        length += 1 + decimals;
    }
    if (text[length] != '\0' || digits + decimals == 0) return false;
    const double factor = std::strtod(text, nullptr);
    if (!std::isfinite(factor) || factor <= 0) return false;
    rate = {factor, false};
    return true;
}
