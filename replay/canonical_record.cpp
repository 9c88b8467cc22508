#include "replay/canonical_record.h"

#include <cstdint>

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Match `literal` at `at`, moving past it.
bool take(const std::string& text, size_t& at, const char* literal) {
    for (; *literal != '\0'; ++literal, ++at) {
        if (at >= text.size() || text[at] != *literal) return false;
    }
    return true;
}

// Lower-case hex digits up to the end of the line, as bytes (an odd last digit
// a byte of its own, as the reader takes it).
bool take_hex(const std::string& text, size_t& at, std::vector<uint8_t>& bytes) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos || end == at) return false;
    bytes.clear();
    bytes.reserve((end - at + 1) / 2);
    for (; at < end; at += 2) {
        int high = hex_value(text[at]);
        if (high < 0) return false;
        if (at + 1 == end) {
            bytes.push_back(static_cast<uint8_t>(high));
            continue;
        }
        int low = hex_value(text[at + 1]);
        if (low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    at = end;
    return true;
}

// "0" or an optional "-" and digits without a leading zero, within 32 bits,
// up to the end of the line or of the text.
bool take_delay(const std::string& text, size_t& at, int32_t& delay) {
    bool negative = at < text.size() && text[at] == '-';
    if (negative) ++at;
    size_t start = at;
    int64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        if (value > int64_t{INT32_MAX} + 1) return false;
        ++at;
    }
    size_t digits = at - start;
    if (digits == 0 || (text[start] == '0' && (digits > 1 || negative))) return false;
    if (at < text.size() && text[at] != '\n') return false;
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    delay = static_cast<int32_t>(value);
    return true;
}

}  // namespace

bool read_canonical(const std::string& text, std::vector<Action>& actions) {
    actions.clear();
    size_t frame_bytes = 0;
    size_t at = 0;
    while (at < text.size()) {
        Action action;
        if (!take(text, at, "- hexData: ") || !take_hex(text, at, action.data) ||
            !take(text, at, "\n  delay: ") || !take_delay(text, at, action.delay)) {
            return false;
        }
        frame_bytes += action.data.size();
        if (action.data.size() > MAX_ACTION_BYTES || frame_bytes > MAX_RECORDING_BYTES)
            return false;
        actions.push_back(std::move(action));
        if (at < text.size()) ++at;  // the line break after the delay
    }
    return !actions.empty();
}
