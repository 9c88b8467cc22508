#include "prototext/text_values.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

bool refuse(std::string& why, const std::string& what) {
    why = what;
    return false;
}

}  // namespace

std::string shown(const TextToken& token) {
    switch (token.kind) {
        case TextToken::END:
            return "the end of the text";
        case TextToken::STRING:
            return "a string";
        default:
            return "\"" + token.text + "\"";
    }
}

namespace {

// An integer kind (INT32 ... UINT64, the first four) as a refusal names it.
const char* integer_name(FieldKind kind) {
    const char* const NAMES[] = {"an int32", "a uint32", "an int64", "a uint64"};
    return NAMES[static_cast<int>(kind)];
}

// The magnitude of an integer written in decimal, 0x hex or leading-0 octal.
bool integer_magnitude(const std::string& text, uint64_t& magnitude) {
    size_t at = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        at = 2;
    } else if (text.size() > 1 && text[0] == '0') {
        base = 8;
        at = 1;
    }
    magnitude = 0;
    for (; at < text.size(); ++at) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
        unsigned digit = c >= '0' && c <= '9'   ? static_cast<unsigned>(c - '0')
                         : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
                                                : 99;
        if (digit >= base) return false;
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / base) {
            magnitude = std::numeric_limits<uint64_t>::max();  // beyond every range
            for (++at; at < text.size(); ++at) {
                if (!std::isxdigit(static_cast<unsigned char>(text[at]))) return false;
            }
            return true;
        }
        magnitude = magnitude * base + digit;
    }
    return true;
}

// A double as written: digits with a point and an exponent, inf, infinity or
// nan, each with an optional "f"; `negative` for a "-" before it.
bool read_double(const std::string& text, bool negative, double& value) {
    std::string body = text;
    std::string lower;
    for (char c : body) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "inf" || lower == "inff" || lower == "infinity" || lower == "infinityf") {
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    if (lower == "nan" || lower == "nanf") {
        value = std::copysign(std::nan(""), negative ? -1.0 : 1.0);
        return true;
    }
    if (!lower.empty() && lower.back() == 'f') body.pop_back();
    size_t at = 0, digits = 0;
    while (at < body.size() && std::isdigit(static_cast<unsigned char>(body[at]))) ++at, ++digits;
    if (at < body.size() && body[at] == '.') {
        ++at;
        while (at < body.size() && std::isdigit(static_cast<unsigned char>(body[at])))
            ++at, ++digits;
    }
    if (digits == 0) return false;
    if (at < body.size() && (body[at] == 'e' || body[at] == 'E')) {
        ++at;
        if (at < body.size() && (body[at] == '+' || body[at] == '-')) ++at;
        size_t exponent = at;
        while (at < body.size() && std::isdigit(static_cast<unsigned char>(body[at]))) ++at;
        if (at == exponent) return false;
    }
    if (at != body.size()) return false;
    value = std::strtod(((negative ? "-" : "") + body).c_str(), nullptr);
    return true;
}

}  // namespace

bool store_scalar(const FieldName& field, const TextToken& token, bool negative, size_t data_size,
                  void* where, std::string& why) {
    const std::string& name = field.name;
    switch (field.kind) {
        case FieldKind::INT32:
        case FieldKind::UINT32:
        case FieldKind::INT64:
        case FieldKind::UINT64: {
            int64_t named = 0;
            uint64_t magnitude = 0;
            if (token.kind == TextToken::NAME && !negative && field.enumerators != nullptr &&
                enumerator_value(*field.enumerators, token.text, named)) {
                magnitude = static_cast<uint64_t>(named);
            } else if (token.kind == TextToken::NAME && field.enumerators != nullptr && !negative) {
                return refuse(why, "unknown name " + shown(token) + " for " + name +
                                       ", expected a number or one of " +
                                       enumerator_list(*field.enumerators));
            } else if (token.kind != TextToken::NUMBER ||
                       !integer_magnitude(token.text, magnitude)) {
                return refuse(why, std::string("expected an integer for ") + name + ", found " +
                                       shown(token));
            }
            const bool is_signed = field.kind == FieldKind::INT32 || field.kind == FieldKind::INT64;
            const bool wide = field.kind == FieldKind::INT64 || field.kind == FieldKind::UINT64;
            const uint64_t high =
                is_signed ? (wide ? INT64_MAX : INT32_MAX) : (wide ? UINT64_MAX : UINT32_MAX);
            const uint64_t limit = negative ? (is_signed ? high + 1 : 0) : high;
            if (magnitude > limit) {
                return refuse(why, std::string(negative ? "-" : "") + token.text +
                                       " is out of range for " + name + ", " +
                                       integer_name(field.kind));
            }
            uint64_t bits = negative ? 0 - magnitude : magnitude;
            if (data_size == 4) {
                uint32_t narrow = static_cast<uint32_t>(bits);
                std::memcpy(where, &narrow, 4);
            } else {
                std::memcpy(where, &bits, 8);
            }
            return true;
        }
        case FieldKind::DOUBLE: {
            double value = 0;
            if ((token.kind != TextToken::NUMBER && token.kind != TextToken::NAME) ||
                !read_double(token.text, negative, value)) {
                return refuse(why, "expected a number for " + name + ", found " + shown(token));
            }
            std::memcpy(where, &value, sizeof value);
            return true;
        }
        case FieldKind::BOOL: {
            const std::string& t = token.text;
            bool yes = t == "true" || t == "True" || t == "t" || t == "1";
            bool no = t == "false" || t == "False" || t == "f" || t == "0";
            if (negative || token.kind == TextToken::STRING || (!yes && !no)) {
                return refuse(why,
                              "expected true or false for " + name + ", found " + shown(token));
            }
            *static_cast<bool*>(where) = yes;
            return true;
        }
        case FieldKind::STRING: {
            if (negative || token.kind != TextToken::STRING) {
                return refuse(why,
                              "expected a quoted string for " + name + ", found " + shown(token));
            }
            const std::string& value = token.text;
            if (value.size() + 1 > data_size) {
                return refuse(why, name + " holds at most " + std::to_string(data_size - 1) +
                                       " bytes, not " + std::to_string(value.size()));
            }
            std::memcpy(where, value.c_str(), value.size() + 1);
            return true;
        }
        default:
            return refuse(why, name + " cannot be given in text");
    }
}
