// The one TCP connection of a tool to its controller, with 15-second receive
// and send time-outs (link_timeout.h), made after the program's start. It is
// non-blocking, so every wait on it goes through wait_until_ready().
#pragma once

#include "console/exit_status.h"
#include "program/program_start.h"

// Fixed addresses of the two controllers on the robot's network.
extern const char* const BOARD_DEFAULT_ADDRESS;
extern const char* const ARM_DEFAULT_ADDRESS;

// Log the server line of the start's command line, create the socket with
// its 15-second receive and send time-outs and connect: start.link. Ends with
// STATUS_LINK_FAILED after the failure has been reported.
Outcome connect_to_controller(Start& start);

// A connection begun without waiting, for a link made again while a loop
// goes on: a non-blocking socket with its 15-second time-outs whose connect
// is under way (wait for POLLOUT, then connection_error()), or closed, errno
// set, when it could not even begin.
OwnedFd begin_connection(const Endpoint& server);

// Once a connection begun so is writable: 0 when it is made, else why not
// (an errno value).
int connection_error(int link);
