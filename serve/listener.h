// What a controller on this machine listens with: its command line options
// and its sockets.
#pragma once

#include <string>

#include "program/command_line.h"

// A simulator's command line: --listen ADDR, then its own options (ports,
// 0: any free port; a rate), worded as the simulators word refusals.
CommandLineForm simulator_form(const char* program, const char* usage,
                               std::vector<OptionForm> options);
OptionForm port_option(const char* name);

// Listen on address:port (port 0: any free port) and log "listening on ADDR:PORT"
// with the port actually bound. Returns the socket, or -1 after logging why not.
int open_listener(const std::string& address, int port, const char* what);

// "ADDR:PORT" of the peer of a connected socket, as the simulators name their clients.
std::string peer_address(int socket);

// Accept one connection, logging "client ADDR:PORT connected"; -1 on failure.
int accept_client(int listener, const char* what);
