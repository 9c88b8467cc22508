#include "runtime/command_line.h"

#include <arpa/inet.h>

#include <cstring>

#include "runtime/log.h"

std::string usage_text(const CommandLineForm& form) {
    std::string file = form.takes_record_path ? " RECORD_FILE" : "";
    std::string text =
        std::string("usage: ") + form.program + " [SERVER PORT]" + file + "\n" +
        "  SERVER  controller address, dotted-decimal IPv4 (default " + form.default_address +
        ")\n" + "  PORT    TCP port, 1-65535 (default " + std::to_string(form.default_port) +
        ")\n" +
        (form.takes_record_path ? "  RECORD_FILE  record file written by board_recorder\n" : "");
    for (const OptionForm& option : form.options) {
        text += std::string("  ") + option.name + " " + option.value + "  " + option.meaning + "\n";
    }
    return text + "  --version  print the program's name and version\n";
}

extern const char VOSTREL_VERSION_TEXT[];  // written at build time (cmake/version.cmake)

std::string version_line(const char* program) {
    return std::string(program) + " " + VOSTREL_VERSION_TEXT + "\n";
}

bool answered_version(int argc, const char* const* argv, const char* program) {
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0) return false;
    write_console(version_line(program));
    return true;
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
    line.status = STATUS_BAD_ARGUMENTS;
    return line;
}

const OptionForm* known_option(const CommandLineForm& form, const char* name) {
    for (const OptionForm& option : form.options) {
        if (std::strcmp(option.name, name) == 0) return &option;
    }
    return nullptr;
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form) {
    if (argc == 2 && is_help(argv[1])) {
        write_console(usage_text(form));
        return CommandLine{};
    }
    CommandLine line;
    std::vector<const char*> positional;
    const OptionForm* alone = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!is_option(argv[i])) {
            positional.push_back(argv[i]);
            continue;
        }
        const OptionForm* option = known_option(form, argv[i]);
        if (option == nullptr) {
            if (is_help(argv[i]) || std::strcmp(argv[i], "--version") == 0) {
                return refuse(form, std::string(argv[i]) + " takes nothing else");
            }
            return refuse(form, std::string("unknown option: ") + argv[i]);
        }
        if (i + 1 >= argc || is_option(argv[i + 1])) {
            return refuse(form, std::string(option->name) + " needs a " + option->value +
                                    " (a name that starts with - is given as ./-name)");
        }
        if (line.has(option->name)) return refuse(form, std::string(option->name) + " given twice");
        line.options[option->name] = argv[++i];
        if (option->stands_alone) alone = option;
    }
    if (alone != nullptr) {
        if (!positional.empty() || line.options.size() > 1) {
            return refuse(form,
                          std::string(alone->name) + " " + alone->value + " takes nothing else");
        }
        line.proceed = true;
        return line;
    }
    size_t path_count = form.takes_record_path ? 1 : 0;
    if (positional.size() != path_count && positional.size() != path_count + 2) {
        return refuse(form, "err arg input");
    }
    line.server_address = form.default_address;
    line.server_port = form.default_port;
    if (positional.size() == path_count + 2) {
        line.server_address = positional[0];
        if (!is_ipv4_address(positional[0])) {
            return refuse(form, std::string("bad server address: ") + positional[0] +
                                    " (a dotted-decimal IPv4 address is needed)");
        }
        long port = 0;
        if (!parse_whole_number(positional[1], 1, 65535, port)) {
            return refuse(form, std::string("bad port: ") + positional[1] +
                                    " (a decimal number from 1 to 65535 is needed)");
        }
        line.server_port = static_cast<int32_t>(port);
    }
    if (form.takes_record_path) line.record_path = positional.back();
    line.proceed = true;
    return line;
}
