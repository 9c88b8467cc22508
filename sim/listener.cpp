#include "sim/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/command_line.h"
#include "runtime/log.h"

namespace {

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
        if (flag.empty() || flag[0] != '-') return refuse(usage, "unexpected argument: " + flag);
        bool is_port = false;
        for (const SimPort& port : ports) is_port = is_port || flag == port.flag;
        bool is_rate = rate != nullptr && flag == "--rate";
        if (flag != "--listen" && !is_port && !is_rate) {
            return refuse(usage, "unknown option: " + flag);
        }
        if (i + 1 >= argc || argv[i + 1][0] == '-') {
            return refuse(usage, "missing value after " + flag);
        }
        const char* value = argv[i + 1];
        long number = 0;
        if (flag == "--listen") {
            if (!is_ipv4_address(value)) {
                return refuse(usage, std::string("bad listen address: ") + value);
            }
            line.listen_address = value;
        } else if (is_rate) {
            if (!parse_whole_number(value, 1, 10000, number)) {
                return refuse(usage, "bad rate: " + std::string(value) + " (1 to 10000 Hz)");
            }
            *rate = static_cast<int>(number);
        } else {
            if (!parse_whole_number(value, 0, 65535, number)) {
                return refuse(usage, "bad port: " + std::string(value) + " (0 to 65535)");
            }
            for (const SimPort& port : ports) {
                if (flag == port.flag) *port.value = static_cast<int>(number);
            }
        }
    }
    line.proceed = true;
    return line;
}

int open_listener(const std::string& address, int port, const char* what) {
    // Non-blocking: a client gone between the wait and the accept never blocks it.
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
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
    int client = accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length,
                         SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return -1;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    log_info("%s: client %s:%d connected\n", what, text, ntohs(peer.sin_port));
    return client;
}
