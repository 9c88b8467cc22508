#include "runtime/server_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "runtime/frame.h"
#include "runtime/log.h"

const char* const BOARD_DEFAULT_ADDRESS = "192.168.1.10";
const char* const ARM_DEFAULT_ADDRESS = "192.168.1.20";

void print_banner(const char* build_date) {
    log_info("Vostrel. Build date: %s\n", build_date);
}

std::string usage_text(const CommandLineForm& form) {
    std::string file = form.takes_record_path ? " RECORD_FILE" : "";
    return std::string("usage: ") + form.program + " [SERVER PORT]" + file + "\n" +
           "  SERVER  controller address, dotted-decimal IPv4 (default " + form.default_address +
           ")\n" + "  PORT    TCP port, 1-65535 (default " + std::to_string(form.default_port) +
           ")\n" +
           (form.takes_record_path ? "  RECORD_FILE  record file written by board_recorder\n" : "");
}

namespace {

// A plain decimal number from 1 to 65535: digits only, no sign, no blanks.
bool parse_port(const std::string& text, int32_t& port) {
    if (text.empty() || text.size() > 5) return false;
    int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

bool is_ipv4_address(const std::string& text) {
    in_addr address = {};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

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
        if (!is_ipv4_address(line.server_address)) {
            log_error("bad server address: %s (a dotted-decimal IPv4 address is needed)\n",
                      argv[1]);
            return refuse(form);
        }
        if (!parse_port(argv[2], line.server_port)) {
            log_error("bad port: %s (a decimal number from 1 to 65535 is needed)\n", argv[2]);
            return refuse(form);
        }
    }
    if (form.takes_record_path) line.record_path = argv[argc - 1];
    line.proceed = true;
    return line;
}

int connect_to_server(const CommandLine& command_line) {
    log_info("server: %s port: %d\n", command_line.server_address.c_str(),
             command_line.server_port);
    int link = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (link < 0) {
        log_error("%s\n", "socket creation failed...");
        return -1;
    }
    log_info("%s\n", "Socket successfully created..");
    timeval timeout = {LINK_TIMEOUT_SECONDS, 0};
    if (setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) {
        std::perror("setsockopt failed for SO_RCVTIMEO");
        close(link);
        return -1;
    }
    if (setsockopt(link, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        std::perror("setsockopt failed for SO_SNDTIMEO");
        close(link);
        return -1;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(command_line.server_port));
    address.sin_addr.s_addr = inet_addr(command_line.server_address.c_str());
    if (connect(link, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        write_console("connection with the server failed...\n");
        close(link);
        return -1;
    }
    write_console("connected to the server..\n");
    return link;
}
