// Where a WebSocket server of this machine (arm_monitor --serve) listens,
// and how a peer is taken in. Its address is the loopback one unless
// another is named: a protocol without authentication is for this machine
// (or an ssh tunnel to it) unless its user says otherwise.
#pragma once

#include <string>

#include "files/file_writing.h"
#include "program/command_line.h"

constexpr char LISTEN_DEFAULT_ADDRESS[] = "127.0.0.1";

// Read "[ADDR:]PORT": "8765" (on 127.0.0.1), "0.0.0.0:8765"; ADDR a
// dotted-decimal IPv4 address, PORT from 0 (any free port) to 65535. False
// for anything else, `where` untouched.
bool read_listen_address(const char* text, Endpoint& where);

// A peer waiting on `listener`, non-blocking, its small writes sent at once
// (no Nagle delay), its socket's send buffer SEND_BUFFER_BYTES: what a peer
// that stops reading holds in the kernel stays small (the kernel's own
// growth of the buffer would reach megabytes). Closed when none waits.
constexpr int SEND_BUFFER_BYTES = 256 * 1024;
OwnedFd accept_waiting(int listener);
