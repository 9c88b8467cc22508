#include "program/command_line.h"

#include <arpa/inet.h>

#include <cstring>

#include "console/log.h"

std::string endpoint_text(const Endpoint& endpoint) {
    return endpoint.address + ":" + std::to_string(endpoint.port);
}

namespace {

// "--check RECORD_FILE", or "--confirm" for a flag.
std::string named_option(const OptionWords& option) {
    return option.value[0] == '\0' ? option.name : std::string(option.name) + " " + option.value;
}

bool has_server(const FormWords& words) {
    return words.default_address[0] != '\0';
}

}  // namespace

std::string usage_text(const FormWords& words) {
    const std::string program = words.program;
    std::string text = "usage: " + program;
    const bool one_word = words.options_word[0] != '\0';
    if (one_word) text += std::string(" [") + words.options_word + "]";
    for (const OptionWords& option : words.options) {
        if (option.alone == Alone::NO && !one_word) text += " [" + named_option(option) + "]";
    }
    if (has_server(words)) text += " [SERVER PORT]";
    for (const ArgumentWords& argument : words.arguments) text += std::string(" ") + argument.name;
    text += "\n";
    for (const OptionWords& option : words.options) {
        if (option.alone != Alone::NO)
            text += "       " + program + " " + named_option(option) + "\n";
    }
    text += words.about;
    if (has_server(words)) {
        text += std::string("  SERVER  controller address, dotted-decimal IPv4 (default ") +
                words.default_address + ")\n" + "  PORT    TCP port, 1-65535 (default " +
                std::to_string(words.default_port) + ")\n";
    }
    for (const ArgumentWords& argument : words.arguments) {
        text += std::string("  ") + argument.name + "  " + argument.meaning + "\n";
    }
    for (const OptionWords& option : words.options) {
        if (option.meaning[0] != '\0') {
            text += "  " + named_option(option) + "  " + option.meaning + "\n";
        }
    }
    return text + "  --version  print the program's name and version\n";
}

bool parse_whole_number(const char* text, long low, long high, long& value) {
    if (*text == '\0') return false;
    long number = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || number > high) return false;
        number = number * 10 + (*c - '0');
    }
    if (number < low || number > high) return false;
    value = number;
    return true;
}

bool is_ipv4_address(const char* text) {
    in_addr address = {};
    return inet_pton(AF_INET, text, &address) == 1;
}

CommandLine refuse_command_line(const FormWords& words, const std::string& why) {
    log_error("%s\n", why.c_str());
    write_console(usage_text(words));
    CommandLine line;
    line.outcome = end_with(STATUS_BAD_ARGUMENTS);
    return line;
}

namespace {

bool is_option(const char* argument) {
    return argument[0] == '-';
}

bool is_help(const char* argument) {
    return std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0;
}

const OptionWords* known_option(const FormWords& words, const char* name, size_t& index) {
    for (index = 0; index < words.options.size(); ++index) {
        if (std::strcmp(words.options[index].name, name) == 0) return &words.options[index];
    }
    return nullptr;
}

// A number may be written with a "-" (to be refused by its rule, named).
bool takes_dashed_value(const FormWords& words, const OptionWords& option, const char* value) {
    size_t index = 0;
    return option.kind == ValueKind::NUMBER && known_option(words, value, index) == nullptr;
}

std::string missing_value(const FormWords& words, const OptionWords& option) {
    if (words.wording == Wording::SIMULATOR) {
        return std::string("missing value after ") + option.name;
    }
    if (option.kind == ValueKind::TEXT) {
        return std::string(option.name) + " needs a " + option.value +
               " (a text cannot begin with -)";
    }
    return std::string(option.name) + " needs a " + option.value +
           " (a name that starts with - is given as ./-name)";
}

// SERVER PORT (when given) and the named arguments; "" when they fit.
std::string read_positional(const FormWords& words, const std::vector<const char*>& given,
                            CommandLine& line, std::vector<std::string>& arguments) {
    const size_t named = words.arguments.size();
    if (given.size() != named && !(has_server(words) && given.size() == named + 2)) {
        return "err arg input";
    }
    line.server = {words.default_address, words.default_port};
    if (given.size() == named + 2) {
        line.server.address = given[0];
        if (!is_ipv4_address(given[0])) {
            return std::string("bad server address: ") + given[0] +
                   " (a dotted-decimal IPv4 address is needed)";
        }
        long port = 0;
        if (!parse_whole_number(given[1], 1, 65535, port)) {
            return std::string("bad port: ") + given[1] +
                   " (a decimal number from 1 to 65535 is needed)";
        }
        line.server.port = static_cast<int32_t>(port);
    }
    arguments.assign(given.end() - static_cast<long>(named), given.end());
    return "";
}

}  // namespace

CommandLine read_command_line(int argc, const char* const* argv, const FormWords& words,
                              const std::function<bool(size_t option, const char* value)>& take,
                              std::vector<std::string>& arguments) {
    if (argc == 2 && is_help(argv[1])) {
        write_console(usage_text(words));
        CommandLine help;
        help.outcome = end_with(STATUS_OK);
        return help;
    }
    const bool tool = words.wording == Wording::TOOL;
    CommandLine line;
    std::vector<const char*> positional;
    std::vector<bool> given(words.options.size(), false);
    size_t options_given = 0;
    const OptionWords* alone = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!is_option(argv[i])) {
            if (!tool)
                return refuse_command_line(words, std::string("unexpected argument: ") + argv[i]);
            positional.push_back(argv[i]);
            continue;
        }
        size_t index = 0;
        const OptionWords* option = known_option(words, argv[i], index);
        if (option == nullptr) {
            if (tool && (is_help(argv[i]) || std::strcmp(argv[i], "--version") == 0)) {
                return refuse_command_line(words, std::string(argv[i]) + " takes nothing else");
            }
            return refuse_command_line(words, std::string("unknown option: ") + argv[i]);
        }
        const bool flag = option->kind == ValueKind::FLAG;
        if (!flag && (i + 1 >= argc || (is_option(argv[i + 1]) &&
                                        !takes_dashed_value(words, *option, argv[i + 1])))) {
            return refuse_command_line(words, missing_value(words, *option));
        }
        if (tool && given[index]) {
            return refuse_command_line(words, std::string(option->name) + " given twice");
        }
        if (!given[index] && !option->shapes_output) ++options_given;
        given[index] = true;
        const char* value = flag ? "" : argv[++i];
        if (!take(index, value)) {
            return refuse_command_line(words, std::string(option->refusal) + value + option->hint);
        }
        line.options += (line.options.empty() ? "" : " ") + std::string(option->name) +
                        (flag ? "" : std::string(" ") + value);
        if (option->alone != Alone::NO) alone = option;
    }
    if (alone != nullptr) {
        if (!positional.empty() || options_given > 1) {
            return refuse_command_line(words, named_option(*alone) + " takes nothing else");
        }
        return line;
    }
    if (tool) {
        std::string wrong = read_positional(words, positional, line, arguments);
        if (!wrong.empty()) return refuse_command_line(words, wrong);
    }
    return line;
}
