// Numbered console menus and the two input tools their actions use.
//
// A walk of a menu tree fills a request record: each level lists its entries
// numbered from 0, runs its action, reads one choice and runs that child on the
// same record. There is no loop and no way back: one choice per level.
//
// Input comes from console_input() (see console_input.h); once it has ended
// every menu and prompt returns at once without output.
#pragma once

#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "console/console_input.h"
#include "console/log.h"

// Read one choice among `count` entries into `number`; true when it is one of
// them. An out-of-range number or input that is not a number logs "无效的选择";
// input that is not a number is discarded up to the end of its line. At the
// end of input it returns false without a line.
bool read_choice(size_t count, int32_t& number);

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
        if (!read_choice(children.size(), number)) return;
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
        if (read_choice(options.size(), number)) {
            const Option<V>& chosen = options[static_cast<size_t>(number)];
            log_info("select: %d. %s\n", number, chosen.label.c_str());
            return chosen.value;
        }
    }
    return V{};
}

// Show `prompt` and return the first number typed correctly. Input that is not
// a number of type T (out-of-range integers included) is discarded up to the
// end of its line, the prompt is shown again and "Invalid input. Please try
// again." logged. At the end of input it returns T{}.
template <typename T>
T read_number(const std::string& prompt) {
    if (input_ended()) return T{};
    ask(prompt);
    std::istream& in = *console_input().stream;
    for (;;) {
        T value{};
        const bool read = static_cast<bool>(in >> value);
        answered();  // a number typed ahead answers it without a line read
        if (read) return value;
        if (skip_bad_input()) return T{};
        write_console(prompt);
        log_error("%s\n", "Invalid input. Please try again.");
    }
}
