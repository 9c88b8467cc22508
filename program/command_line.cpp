#include "program/command_line.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>

#include "console/log.h"

std::string CommandLine::value(const std::string& name, const std::string& fallback) const {
    auto found = values.find(name);
    return found != values.end() ? found->second : fallback;
}

long CommandLine::number(const std::string& name, long fallback) const {
    auto found = values.find(name);
    return found != values.end() ? std::strtol(found->second.c_str(), nullptr, 10) : fallback;
}

namespace {

// "--check RECORD_FILE", or "--confirm" for a flag.
std::string named_option(const OptionForm& option) {
    return option.value[0] == '\0' ? option.name : std::string(option.name) + " " + option.value;
}

}  // namespace

std::string usage_text(const CommandLineForm& form) {
    if (form.usage != nullptr) return form.usage;
    const std::string program = form.program;
    std::string text = "usage: " + program;
    if (form.options_word != nullptr) text += std::string(" [") + form.options_word + "]";
    for (const OptionForm& option : form.options) {
        if (!option.stands_alone && form.options_word == nullptr) {
            text += " [" + named_option(option) + "]";
        }
    }
    if (form.default_address[0] != '\0') text += " [SERVER PORT]";
    for (const ArgumentForm& argument : form.arguments) text += std::string(" ") + argument.name;
    text += "\n";
    for (const OptionForm& option : form.options) {
        if (option.stands_alone) {
            text += "       " + program + " " + named_option(option) + "\n";
        }
    }
    if (form.default_address[0] != '\0') {
        text += std::string("  SERVER  controller address, dotted-decimal IPv4 (default ") +
                form.default_address + ")\n" + "  PORT    TCP port, 1-65535 (default " +
                std::to_string(form.default_port) + ")\n";
    }
    for (const ArgumentForm& argument : form.arguments) {
        text += std::string("  ") + argument.name + "  " + argument.meaning + "\n";
    }
    for (const OptionForm& option : form.options) {
        text += "  " + named_option(option) + "  " + option.meaning + "\n";
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

namespace {

bool is_option(const char* argument) {
    return argument[0] == '-';
}

bool is_help(const char* argument) {
    return std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0;
}

// Log `why`, print the usage and give the refusal.
CommandLine refuse(const CommandLineForm& form, const std::string& why) {
    log_error("%s\n", why.c_str());
    write_console(usage_text(form));
    CommandLine line;
    line.outcome = end_with(STATUS_BAD_ARGUMENTS);
    return line;
}

const OptionForm* known_option(const CommandLineForm& form, const char* name) {
    for (const OptionForm& option : form.options) {
        if (std::strcmp(option.name, name) == 0) return &option;
    }
    return nullptr;
}

bool value_fits(const ValueRule& rule, const char* value) {
    long number = 0;
    switch (rule.kind) {
        case ValueRule::IPV4_ADDRESS:
            return is_ipv4_address(value);
        case ValueRule::WHOLE_NUMBER:
            return parse_whole_number(value, rule.low, rule.high, number);
        case ValueRule::CHECKED:
            return rule.check(value);
        case ValueRule::NAME:
        case ValueRule::TEXT:
            return true;
    }
    return true;
}

// A tool's number may be written with a "-" (to be refused by its rule, named).
bool takes_dashed_value(const CommandLineForm& form, const OptionForm& option, const char* value) {
    const ValueRule::Kind kind = option.rule.kind;
    return form.wording == Wording::TOOL &&
           (kind == ValueRule::WHOLE_NUMBER || kind == ValueRule::CHECKED) &&
           known_option(form, value) == nullptr;
}

std::string missing_value(const CommandLineForm& form, const OptionForm& option) {
    if (form.wording == Wording::SIMULATOR)
        return std::string("missing value after ") + option.name;
    if (option.rule.kind == ValueRule::TEXT) {
        return std::string(option.name) + " needs a " + option.value +
               " (a text cannot begin with -)";
    }
    return std::string(option.name) + " needs a " + option.value +
           " (a name that starts with - is given as ./-name)";
}

// SERVER PORT (when given) and the named arguments, into `line`; "" when they fit.
std::string read_positional(const CommandLineForm& form, const std::vector<const char*>& given,
                            CommandLine& line) {
    const size_t named = form.arguments.size();
    const bool has_server = form.default_address[0] != '\0';
    if (given.size() != named && !(has_server && given.size() == named + 2)) {
        return "err arg input";
    }
    line.server_address = form.default_address;
    line.server_port = form.default_port;
    if (given.size() == named + 2) {
        line.server_address = given[0];
        if (!is_ipv4_address(given[0])) {
            return std::string("bad server address: ") + given[0] +
                   " (a dotted-decimal IPv4 address is needed)";
        }
        long port = 0;
        if (!parse_whole_number(given[1], 1, 65535, port)) {
            return std::string("bad port: ") + given[1] +
                   " (a decimal number from 1 to 65535 is needed)";
        }
        line.server_port = static_cast<int32_t>(port);
    }
    for (size_t i = 0; i < named; ++i) {
        line.values[form.arguments[i].name] = given[given.size() - named + i];
    }
    return "";
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form) {
    if (argc == 2 && is_help(argv[1])) {
        write_console(usage_text(form));
        CommandLine help;
        help.outcome = end_with(STATUS_OK);
        return help;
    }
    const bool tool = form.wording == Wording::TOOL;
    CommandLine line;
    std::vector<const char*> positional;
    const OptionForm* alone = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!is_option(argv[i])) {
            if (!tool) return refuse(form, std::string("unexpected argument: ") + argv[i]);
            positional.push_back(argv[i]);
            continue;
        }
        const OptionForm* option = known_option(form, argv[i]);
        if (option == nullptr) {
            if (tool && (is_help(argv[i]) || std::strcmp(argv[i], "--version") == 0)) {
                return refuse(form, std::string(argv[i]) + " takes nothing else");
            }
            return refuse(form, std::string("unknown option: ") + argv[i]);
        }
        const bool flag = option->value[0] == '\0';
        if (!flag && (i + 1 >= argc || (is_option(argv[i + 1]) &&
                                        !takes_dashed_value(form, *option, argv[i + 1])))) {
            return refuse(form, missing_value(form, *option));
        }
        if (tool && line.has(option->name)) {
            return refuse(form, std::string(option->name) + " given twice");
        }
        if (flag) {
            line.values[option->name] = "";
            continue;
        }
        const char* value = argv[++i];
        if (!value_fits(option->rule, value)) {
            return refuse(form, std::string(option->rule.refusal) + value + option->rule.hint);
        }
        line.values[option->name] = value;
        if (option->stands_alone) alone = option;
    }
    if (alone != nullptr) {
        if (!positional.empty() || line.values.size() > 1) {
            return refuse(form, named_option(*alone) + " takes nothing else");
        }
        return line;
    }
    if (tool) {
        std::string wrong = read_positional(form, positional, line);
        if (!wrong.empty()) return refuse(form, wrong);
    }
    return line;
}
