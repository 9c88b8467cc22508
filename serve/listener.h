// What a controller on this machine listens with: its command line options
// and its sockets.
#pragma once

#include <string>

#include "files/file_writing.h"
#include "program/command_line.h"

// The options of a simulator's command line (worded as Wording::SIMULATOR):
// "--listen ADDR", and a port "--port N" from 0 (any free port) to 65535.
template <typename Options>
OptionForm<Options> listen_option(std::string Options::*field) {
    return address_option("--listen", "ADDR", field, "bad listen address: ", "");
}
template <typename Options>
OptionForm<Options> port_option(const char* name, long Options::*field) {
    return number_option(name, "N", field, 0, 65535, "bad port: ", " (0 to 65535)", "");
}

// Listen on `where`, non-blocking; where.port becomes the port bound (port 0:
// any free port). Closed, with the reason in `why`, when it cannot be (the
// port in use, an address not of this machine).
OwnedFd listen_at(Endpoint& where, std::string& why);

// listen_at() address:port and log "listening on ADDR:PORT" with the port
// actually bound. Returns the socket, or -1 after logging why not.
int open_listener(const std::string& address, int port, const char* what);

// "ADDR:PORT" of the peer of a connected socket, as the simulators name their clients.
std::string peer_address(int socket);

// Accept one connection, logging "client ADDR:PORT connected"; -1 on failure.
int accept_client(int listener, const char* what);
