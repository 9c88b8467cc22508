#include "websocket/websocket_listener.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

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

OwnedFd accept_waiting(int listener) {
    OwnedFd peer(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!peer.is_open()) return peer;
    int yes = 1;
    setsockopt(peer.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    setsockopt(peer.get(), SOL_SOCKET, SO_SNDBUF, &SEND_BUFFER_BYTES, sizeof SEND_BUFFER_BYTES);
    return peer;
}
