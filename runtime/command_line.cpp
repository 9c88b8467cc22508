#include "runtime/command_line.h"

#include <arpa/inet.h>

#include <cstring>

#include "runtime/log.h"

std::string usage_text(const CommandLineForm& form) {
    std::string file = form.takes_record_path ? " RECORD_FILE" : "";
    return std::string("usage: ") + form.program + " [SERVER PORT]" + file + "\n" +
           "  SERVER  controller address, dotted-decimal IPv4 (default " + form.default_address +
           ")\n" + "  PORT    TCP port, 1-65535 (default " + std::to_string(form.default_port) +
           ")\n" +
           (form.takes_record_path ? "  RECORD_FILE  record file written by board_recorder\n" : "");
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

CommandLine refuse(const CommandLineForm& form) {
    write_console(usage_text(form));
    CommandLine line;
    line.status = STATUS_BAD_ARGUMENTS;
    return line;
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineForm& form) {
    int given = argc - 1;
    if (given == 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        write_console(usage_text(form));
        return CommandLine{};
    }
    int path_count = form.takes_record_path ? 1 : 0;
    if (given != path_count && given != path_count + 2) {
        log_error("%s\n", "err arg input");
        return refuse(form);
    }
    CommandLine line;
    line.server_address = form.default_address;
    line.server_port = form.default_port;
    if (given == path_count + 2) {
        line.server_address = argv[1];
        if (!is_ipv4_address(argv[1])) {
            log_error("bad server address: %s (a dotted-decimal IPv4 address is needed)\n",
                      argv[1]);
            return refuse(form);
        }
        long port = 0;
        if (!parse_whole_number(argv[2], 1, 65535, port)) {
            log_error("bad port: %s (a decimal number from 1 to 65535 is needed)\n", argv[2]);
            return refuse(form);
        }
        line.server_port = static_cast<int32_t>(port);
    }
    if (form.takes_record_path) line.record_path = argv[argc - 1];
    line.proceed = true;
    return line;
}
