#include "serve/listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/log.h"

OwnedFd listen_at(Endpoint& where, std::string& why) {
    // Non-blocking: a peer gone between the wait and the accept never blocks it.
    OwnedFd listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    sockaddr_in bound = {};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(static_cast<uint16_t>(where.port));
    inet_pton(AF_INET, where.address.c_str(), &bound.sin_addr);
    int yes = 1;
    socklen_t length = sizeof bound;
    if (!listener.is_open() ||
        setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        bind(listener.get(), reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0 ||
        listen(listener.get(), SOMAXCONN) != 0 ||
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        why = std::strerror(errno);
        return OwnedFd();
    }
    where.port = ntohs(bound.sin_port);
    return listener;
}

int open_listener(const std::string& address, int port, const char* what) {
    Endpoint where{address, port};
    std::string why;
    OwnedFd listener = listen_at(where, why);
    if (!listener.is_open()) {
        log_error("%s: cannot listen on %s:%d: %s\n", what, address.c_str(), port, why.c_str());
        return -1;
    }
    log_info("%s listening on %s:%d\n", what, address.c_str(), where.port);
    return listener.release();
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
