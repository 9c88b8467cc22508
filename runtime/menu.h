// Numbered console menus and the two input tools their actions use.
//
// A walk of a menu tree fills a request record: each level lists its entries
// numbered from 0, runs its action, reads one choice and runs that child on the
// same record. There is no loop and no way back: one choice per level.
//
// Input is read with the stream's formatted extraction, one number per read, so
// "2 5" typed on one line answers two reads. The tools read console_input():
// standard input unless a test hands them another stream. Once the input has
// ended (or Ctrl-C arrived while reading) console_input().ended is set and every
// later tool returns at once without output; the caller tests input_ended()
// after the walk and sends nothing for an incomplete command.
#pragma once

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/log.h"

struct ConsoleInput {
    std::istream* stream = &std::cin;
    bool ended = false;
};

// The input of the three tools (process-wide: the actions are closures over nothing).
ConsoleInput& console_input();

// Read from `stream` from now on, with a fresh (not ended) state.
void use_console_input(std::istream& stream);

// True once the input has ended or Ctrl-C has arrived.
bool input_ended();

enum class Choice { VALID, INVALID, ENDED };

// Read one choice among `count` entries into `number`. An out-of-range number
// or input that is not a number logs "无效的选择" and gives INVALID; input that
// is not a number is discarded up to the end of its line.
Choice read_choice(size_t count, int32_t& number);

// Write the entries of a list, "0. first\n1. second\n...".
void write_entries(const std::vector<std::string>& labels);

template <typename T>
struct Menu {
    std::string title;
    std::function<void(T&)> action;
    std::vector<Menu<T>> children;

    Menu(std::string title_, std::function<void(T&)> action_)
        : title(std::move(title_)), action(std::move(action_)) {}
    Menu(std::string title_, std::vector<Menu<T>> children_)
        : title(std::move(title_)), children(std::move(children_)) {}
    Menu(std::string title_, std::function<void(T&)> action_, std::vector<Menu<T>> children_)
        : title(std::move(title_)), action(std::move(action_)), children(std::move(children_)) {}

    // Show this menu, run its action, read one choice and run that child.
    void run(T& record) const {
        if (input_ended()) return;
        std::vector<std::string> labels;
        for (const Menu<T>& child : children) labels.push_back(child.title);
        write_console(title + "\n");
        write_entries(labels);
        if (action) {
            log_debug("call action: %s\n", title.c_str());
            action(record);
        }
        if (children.empty()) return;
        int32_t number = 0;
        if (read_choice(children.size(), number) != Choice::VALID) return;
        const Menu<T>& child = children[static_cast<size_t>(number)];
        log_info("select: %d. %s\n", number, child.title.c_str());
        child.run(record);
    }
};

template <typename V>
struct Option {
    std::string label;
    V value;
};

// Show the options and return the value of the one chosen. An invalid entry
// shows the list again and asks again; at the end of input it returns V{}.
template <typename V>
V select_option(const std::vector<Option<V>>& options) {
    std::vector<std::string> labels;
    for (const Option<V>& option : options) labels.push_back(option.label);
    while (!input_ended()) {
        write_entries(labels);
        int32_t number = 0;
        Choice choice = read_choice(options.size(), number);
        if (choice == Choice::VALID) {
            const Option<V>& chosen = options[static_cast<size_t>(number)];
            log_info("select: %d. %s\n", number, chosen.label.c_str());
            return chosen.value;
        }
    }
    return V{};
}

// After a failed extraction: true when the input is used up (or interrupted),
// otherwise the stream is cleared and the rest of the line discarded.
bool skip_bad_input();

// Show `prompt` and return the first number typed correctly. Input that is not
// a number of type T (out-of-range integers included) is discarded up to the
// end of its line, the prompt is shown again and "Invalid input. Please try
// again." logged. At the end of input it returns T{}.
template <typename T>
T read_number(const std::string& prompt) {
    if (input_ended()) return T{};
    write_console(prompt);
    std::istream& in = *console_input().stream;
    for (;;) {
        T value{};
        if (in >> value) return value;
        if (skip_bad_input()) return T{};
        write_console(prompt);
        log_error("%s\n", "Invalid input. Please try again.");
    }
}
