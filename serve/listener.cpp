#include "serve/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/log.h"

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

std::string peer_address(int socket) {
    sockaddr_in peer = {};
    socklen_t length = sizeof peer;
    getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &length);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return endpoint_text({text, ntohs(peer.sin_port)});
}

int accept_client(int listener, const char* what) {
    int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return -1;
    log_info("%s: client %s connected\n", what, peer_address(client).c_str());
    return client;
}
