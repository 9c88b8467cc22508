#include "protojson/json_position.h"

#include <algorithm>

size_t token_start(const std::string& text, size_t from) {
    const size_t start = text.find_first_not_of(" \t\r\n,:", from);
    return start == std::string::npos ? text.size() : start;
}

std::string line_and_column(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    const size_t line =
        1 + static_cast<size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
    const size_t newline = offset == 0 ? std::string::npos : text.rfind('\n', offset - 1);
    const size_t column = newline == std::string::npos ? offset + 1 : offset - newline;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}
