#include "console/menu.h"

bool read_choice(size_t count, int32_t& number) {
    std::istream& in = *console_input().stream;
    bool is_number = static_cast<bool>(in >> number);
    if (!is_number && skip_bad_input()) return false;
    if (!is_number || number < 0 || static_cast<size_t>(number) >= count) {
        log_error("%s\n", "无效的选择");
        return false;
    }
    return true;
}

void write_entries(const std::vector<std::string>& labels) {
    std::string text;
    for (size_t i = 0; i < labels.size(); ++i) {
        text += std::to_string(i) + ". " + labels[i] + "\n";
    }
    if (!text.empty()) write_console(text);
}
