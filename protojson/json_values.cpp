#include "protojson/json_values.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>

#include "prototext/text_values.h"

using Json = nlohmann::json;

namespace {

template <typename Number>
void append_number(std::string& out, const void* where, bool quoted) {
    Number value;
    std::memcpy(&value, where, sizeof value);
    char digits[24];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
    if (quoted) out += '"';
    out.append(digits, static_cast<size_t>(written.ptr - digits));
    if (quoted) out += '"';
}

}  // namespace

void append_value_json(std::string& out, const FieldName& field, const void* where) {
    switch (field.kind) {
        case FieldKind::INT32:
            return append_number<int32_t>(out, where, false);
        case FieldKind::UINT32:
            return append_number<uint32_t>(out, where, false);
        case FieldKind::INT64:
            return append_number<int64_t>(out, where, true);
        case FieldKind::UINT64:
            return append_number<uint64_t>(out, where, true);
        case FieldKind::DOUBLE: {
            double v;
            std::memcpy(&v, where, sizeof v);
            if (std::isnan(v)) out += "\"NaN\"";
            if (std::isinf(v)) out += v < 0 ? "\"-Infinity\"" : "\"Infinity\"";
            if (!std::isfinite(v)) return;
            char digits[32];
            const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, v);
            const size_t length = static_cast<size_t>(written.ptr - digits);
            out.append(digits, length);
            if (std::string::traits_type::find(digits, length, '.') == nullptr &&
                std::string::traits_type::find(digits, length, 'e') == nullptr) {
                out += ".0";
            }
            return;
        }
        case FieldKind::BOOL:
            out += *static_cast<const bool*>(where) ? "true" : "false";
            return;
        default:
            out += "null";
            return;
    }
}

namespace {

constexpr char REPLACEMENT[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

size_t count_replacements(const std::string& text) {
    size_t count = 0;
    for (size_t at = text.find(REPLACEMENT); at != std::string::npos;
         at = text.find(REPLACEMENT, at + 3)) {
        ++count;
    }
    return count;
}

}  // namespace

void append_string_json(std::string& out, const std::string& text, size_t& replaced) {
    const std::string quoted = nlohmann::ordered_json(text).dump(
        -1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    out += quoted;
    const size_t before = count_replacements(text);
    const size_t added = count_replacements(quoted) - before;
    if (added == 0) return;
    // Every valid byte is kept; each bad sequence became the 3 bytes of U+FFFD.
    const std::string fixed = nlohmann::ordered_json::parse(quoted).get<std::string>();
    replaced += text.size() + 3 * added - fixed.size();
}

bool parse_json_text(const std::string& text, nlohmann::ordered_json& value, std::string& error) {
    try {
        value = nlohmann::ordered_json::parse(text);
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory reading JSON";
    } catch (const nlohmann::ordered_json::exception& e) {
        error = e.what();
    }
    return false;
}

std::string expected_json(const FieldName& field) {
    switch (field.kind) {
        case FieldKind::INT32:
        case FieldKind::UINT32:
        case FieldKind::INT64:
        case FieldKind::UINT64:
            return "an integer";
        case FieldKind::DOUBLE:
            return "a number";
        case FieldKind::BOOL:
            return "true or false";
        case FieldKind::STRING:
            return "a string";
        default:
            return "an object";
    }
}

std::string shown_json(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

namespace {

bool refuse(std::string& why, const std::string& what) {
    why = what;
    return false;
}

// The number a string holds, written as a JSON number; null for any other text.
Json number_in(const std::string& text) {
    if (text.empty() || text.find_first_of(" \t\r\n") != std::string::npos) return nullptr;
    Json number = Json::parse(text, nullptr, false);
    return number.is_number() ? number : Json();
}

// The digits of an integral number, and its sign; false for a fraction.
bool integer_digits(const Json& number, bool& negative, std::string& digits) {
    negative = false;
    if (number.is_number_unsigned()) {
        digits = std::to_string(number.get<uint64_t>());
    } else if (number.is_number_integer()) {
        const int64_t v = number.get<int64_t>();
        negative = v < 0;
        digits = std::to_string(negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v));
    } else {
        const double v = number.get<double>();
        if (std::trunc(v) != v) return false;
        negative = v < 0;
        char text[400];  // the widest double, 1.8e308, has 309 digits
        digits.assign(
            text,
            std::to_chars(text, text + sizeof text, std::fabs(v), std::chars_format::fixed, 0).ptr);
    }
    return true;
}

// An integer is stored as the text format stores it (prototext/text_values.h),
// within its field's range: its digits, or an enumerator's name, as a token.
bool store_integer(const FieldName& field, const Json& value, size_t data_size, void* where,
                   std::string& why) {
    TextToken token;
    bool negative = false;
    const Json number = value.is_string() ? number_in(value.get<std::string>()) : value;
    if (value.is_string() && number.is_null() && field.enumerators != nullptr) {
        token.kind = TextToken::NAME;
        token.text = value.get<std::string>();
    } else if (number.is_number() && integer_digits(number, negative, token.text)) {
        token.kind = TextToken::NUMBER;
    } else {
        return refuse(why, "expected an integer, found " + shown_json(value));
    }
    return store_scalar(field, token, negative, data_size, where, why);
}

bool store_double(const Json& value, void* where, std::string& why) {
    double v = 0;
    const std::string text = value.is_string() ? value.get<std::string>() : "";
    if (value.is_number()) {
        v = value.get<double>();
    } else if (text == "NaN") {
        v = std::numeric_limits<double>::quiet_NaN();
    } else if (text == "Infinity" || text == "-Infinity") {
        v = text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    } else if (number_in(text).is_number()) {
        v = number_in(text).get<double>();
    } else {
        return refuse(why, "expected a number, found " + shown_json(value));
    }
    std::memcpy(where, &v, sizeof v);
    return true;
}

}  // namespace

bool store_json_value(const FieldName& field, const Json& value, size_t data_size, void* where,
                      std::string& why) {
    switch (field.kind) {
        case FieldKind::INT32:
        case FieldKind::UINT32:
        case FieldKind::INT64:
        case FieldKind::UINT64:
            return store_integer(field, value, data_size, where, why);
        case FieldKind::DOUBLE:
            return store_double(value, where, why);
        case FieldKind::BOOL:
            if (!value.is_boolean()) {
                return refuse(why, "expected true or false, found " + shown_json(value));
            }
            *static_cast<bool*>(where) = value.get<bool>();
            return true;
        case FieldKind::STRING: {
            if (!value.is_string())
                return refuse(why, "expected a string, found " + shown_json(value));
            TextToken token;
            token.kind = TextToken::STRING;
            token.text = value.get<std::string>();
            if (token.text.find('\0') != std::string::npos) {
                return refuse(why, "a zero byte in a string");
            }
            return store_scalar(field, token, false, data_size, where, why);
        }
        default:
            return refuse(why, "cannot be given in JSON");
    }
}
