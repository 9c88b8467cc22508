// The one TCP connection of a tool to its controller, with 15-second receive
// and send time-outs (link_timeout.h), made after the program's start. It is
// non-blocking, so every wait on it goes through wait_until_ready().
#pragma once

#include "console/exit_status.h"
#include "link/link_timeout.h"
#include "program/program_start.h"

// Fixed addresses of the two controllers on the robot's network.
extern const char* const BOARD_DEFAULT_ADDRESS;
extern const char* const ARM_DEFAULT_ADDRESS;

// Log the server line of the start's command line, create the socket with
// its receive and send time-outs (15 s, or --timeout) and connect:
// start.link. Ends with STATUS_LINK_FAILED after the failure has been
// reported.
Outcome connect_to_controller(Start& start, int timeout_seconds = LINK_TIMEOUT_SECONDS);

// A connection begun without waiting, for a link made again while a loop
// goes on: a non-blocking socket with its 15-second time-outs whose connect
// is under way (wait for POLLOUT, then connection_error()), or closed, errno
// set, when it could not even begin.
OwnedFd begin_connection(const Endpoint& server, int timeout_seconds = LINK_TIMEOUT_SECONDS);

// Once a connection begun so is writable: 0 when it is made, else why not
// (an errno value).
int connection_error(int link);

// "--timeout SECONDS": the link's send and receive time-outs, 1 to 3600 s.
template <typename Options>
OptionForm<Options> timeout_option(int Options::*field) {
    return number_option("--timeout", "SECONDS", field, 1, 3600,
                         "bad timeout: ", " (a whole number of seconds, 1 to 3600)",
                         "wait at most SECONDS for a reply or a write (default 15)");
}
