#include "runtime/menu.h"

#include <limits>

#include "runtime/interrupt.h"

ConsoleInput& console_input() {
    static ConsoleInput input;
    return input;
}

void use_console_input(std::istream& stream) {
    console_input() = ConsoleInput{&stream, false};
}

bool input_ended() {
    ConsoleInput& input = console_input();
    if (interrupted()) input.ended = true;
    return input.ended;
}

bool skip_bad_input() {
    ConsoleInput& input = console_input();
    std::istream& in = *input.stream;
    if (!in.eof() && !in.bad() && !interrupted()) {
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    // A read cut short by Ctrl-C looks like the end of input to the stream.
    if (in.eof() || in.bad() || interrupted()) {
        input.ended = true;
        return true;
    }
    return false;
}

Choice read_choice(size_t count, int32_t& number) {
    std::istream& in = *console_input().stream;
    bool is_number = static_cast<bool>(in >> number);
    if (!is_number && skip_bad_input()) return Choice::ENDED;
    if (!is_number || number < 0 || static_cast<size_t>(number) >= count) {
        log_error("%s\n", "无效的选择");
        return Choice::INVALID;
    }
    return Choice::VALID;
}

void write_entries(const std::vector<std::string>& labels) {
    std::string text;
    for (size_t i = 0; i < labels.size(); ++i) {
        text += std::to_string(i) + ". " + labels[i] + "\n";
    }
    if (!text.empty()) write_console(text);
}
