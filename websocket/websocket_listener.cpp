#include "websocket/websocket_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

bool read_listen_address(const char* text, Endpoint& where) {
    const char* colon = std::strrchr(text, ':');
    const std::string address =
        colon != nullptr ? std::string(text, colon) : LISTEN_DEFAULT_ADDRESS;
    long port = 0;
    if (!is_ipv4_address(address.c_str()) ||
        !parse_whole_number(colon != nullptr ? colon + 1 : text, 0, 65535, port)) {
        return false;
    }
    where = {address, static_cast<int32_t>(port)};
    return true;
}

OwnedFd listen_at(Endpoint& where, std::string& why) {
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

OwnedFd accept_waiting(int listener) {
    OwnedFd peer(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!peer.is_open()) return peer;
    int yes = 1;
    setsockopt(peer.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    setsockopt(peer.get(), SOL_SOCKET, SO_SNDBUF, &SEND_BUFFER_BYTES, sizeof SEND_BUFFER_BYTES);
    return peer;
}
