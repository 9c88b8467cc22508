#include "program/connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "console/log.h"
#include "link/link_timeout.h"

const char* const BOARD_DEFAULT_ADDRESS = "192.168.1.10";
const char* const ARM_DEFAULT_ADDRESS = "192.168.1.20";

Outcome connect_to_controller(Start& start, int timeout_seconds) {
    const Endpoint& server = start.server;
    log_info("server: %s port: %d\n", server.address.c_str(), server.port);
    OwnedFd link(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!link.is_open()) {
        log_error("%s\n", "socket creation failed...");
        return end_with(STATUS_LINK_FAILED);
    }
    log_info("%s\n", "Socket successfully created..");
    timeval timeout = {timeout_seconds, 0};
    if (setsockopt(link.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) {
        std::perror("setsockopt failed for SO_RCVTIMEO");
        return end_with(STATUS_LINK_FAILED);
    }
    if (setsockopt(link.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        std::perror("setsockopt failed for SO_SNDTIMEO");
        return end_with(STATUS_LINK_FAILED);
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.port));
    address.sin_addr.s_addr = inet_addr(server.address.c_str());
    if (connect(link.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        write_console("connection with the server failed...\n");
        return end_with(STATUS_LINK_FAILED);
    }
    write_console("connected to the server..\n");
    // Every wait goes through wait_until_ready(): a read or write that does
    // not fails at once (EAGAIN) instead of blocking where no signal reaches.
    fcntl(link.get(), F_SETFL, fcntl(link.get(), F_GETFL) | O_NONBLOCK);
    start.link = std::move(link);
    return go_on();
}

OwnedFd begin_connection(const Endpoint& server, int timeout_seconds) {
    OwnedFd link(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!link.is_open()) return link;
    timeval timeout = {timeout_seconds, 0};
    setsockopt(link.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(link.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server.port));
    address.sin_addr.s_addr = inet_addr(server.address.c_str());
    if (connect(link.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS) {
        const int error = errno;
        link.reset();
        errno = error;
    }
    return link;
}

int connection_error(int link) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(link, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
    return error;
}
