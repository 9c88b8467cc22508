#include "sim/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/log.h"
#include "runtime/server_link.h"

namespace {

bool read_whole_number(const char* text, long low, long high, int& value) {
    if (*text == '\0') return false;
    long number = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || number > high) return false;
        number = number * 10 + (*c - '0');
    }
    if (number < low || number > high) return false;
    value = static_cast<int>(number);
    return true;
}

SimCommandLine refuse(const std::string& usage, const std::string& why) {
    log_error("%s\n", why.c_str());
    write_console(usage);
    SimCommandLine line;
    line.status = STATUS_BAD_ARGUMENTS;
    return line;
}

}  // namespace

SimCommandLine parse_sim_command_line(int argc, const char* const* argv, const std::string& usage,
                                      const std::vector<SimPort>& ports, int* rate) {
    SimCommandLine line;
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        write_console(usage);
        return line;
    }
    for (int i = 1; i < argc; i += 2) {
        std::string flag = argv[i];
        if (i + 1 >= argc) return refuse(usage, "missing value after " + flag);
        const char* value = argv[i + 1];
        bool known = false;
        if (flag == "--listen") {
            in_addr address = {};
            if (inet_pton(AF_INET, value, &address) != 1) {
                return refuse(usage, std::string("bad listen address: ") + value);
            }
            line.listen_address = value;
            known = true;
        }
        for (const SimPort& port : ports) {
            if (flag != port.flag) continue;
            if (!read_whole_number(value, 0, 65535, *port.value)) {
                return refuse(usage, "bad port: " + std::string(value) + " (0 to 65535)");
            }
            known = true;
        }
        if (rate != nullptr && flag == "--rate") {
            if (!read_whole_number(value, 1, 10000, *rate)) {
                return refuse(usage, "bad rate: " + std::string(value) + " (1 to 10000 Hz)");
            }
            known = true;
        }
        if (!known) return refuse(usage, "unknown option: " + flag);
    }
    line.proceed = true;
    return line;
}

int open_listener(const std::string& address, int port, const char* what) {
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        log_error("%s: socket: %s\n", what, std::strerror(errno));
        return -1;
    }
    int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in bound = {};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &bound.sin_addr);
    if (bind(listener, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0 ||
        listen(listener, SOMAXCONN) != 0) {
        log_error("%s: cannot listen on %s:%d: %s\n", what, address.c_str(), port,
                  std::strerror(errno));
        close(listener);
        return -1;
    }
    socklen_t length = sizeof bound;
    getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &length);
    log_info("%s listening on %s:%d\n", what, address.c_str(), ntohs(bound.sin_port));
    return listener;
}

int accept_client(int listener, const char* what) {
    sockaddr_in peer = {};
    socklen_t length = sizeof peer;
    int client = accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (client < 0) return -1;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    log_info("%s: client %s:%d connected\n", what, text, ntohs(peer.sin_port));
    return client;
}
