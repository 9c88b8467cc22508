// What both substitute controllers share: their command-line options and
// their listening sockets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SimPort {
    const char* flag;  // "--port"
    int* value;        // 0 = any free port
};

struct SimCommandLine {
    std::string listen_address = "127.0.0.1";
    bool proceed = false;
    int status = 0;
};

// Read "--listen ADDR" and "--<port flag> N" pairs (and "--rate HZ" when `rate`
// is given). -h/--help prints `usage`; anything else is refused with status 255.
SimCommandLine parse_sim_command_line(int argc, const char* const* argv, const std::string& usage,
                                      const std::vector<SimPort>& ports, int* rate = nullptr);

// Listen on address:port (port 0: any free port) and log "listening on ADDR:PORT"
// with the port actually bound. Returns the socket, or -1 after logging why not.
int open_listener(const std::string& address, int port, const char* what);

// Accept one connection, logging "client ADDR:PORT connected"; -1 on failure.
int accept_client(int listener, const char* what);
