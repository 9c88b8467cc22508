// The report link of a watch, and with --reconnect how it is made again.
//
// Without --reconnect the link's ends (closed, silent, failed, its framing
// lost) end the watch, as they always have. With it, a lost link is logged
// with why, and made again every second until it comes back or a signal
// comes; each try waits at most a second for its connection, in the watch's
// own wait, so the outputs go on meanwhile. When it is back, the all-zero
// request goes out again and the return is logged with the gap's length:
//
//     [ERROR] the link is lost: the arm closed the link; trying again every second
//     [INFO] the link is back after 3.0 s (3 tries)
//
// A link that cannot be made at the start is tried again the same way.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "files/file_writing.h"
#include "link/frame.h"
#include "link/link_timeout.h"
#include "program/command_line.h"
#include "report/report_output.h"

struct WatchLink {
    enum State { UP, DOWN, CONNECTING };
    Endpoint server;
    bool reconnect = false;                      // --reconnect
    int timeout_seconds = LINK_TIMEOUT_SECONDS;  // the link's send and receive time-outs
    OwnedFd fd;  // UP: the link; CONNECTING: the connection under way
    State state = UP;
    Deadline next_step = Deadline::max();  // DOWN: the next try; CONNECTING: its end
    std::chrono::steady_clock::time_point lost_at{};
    size_t tries = 0;  // since the link was lost
};

// The link was lost (or could not be made at the start): log why into
// `held` and try again in a second.
void lose_link(WatchLink& link, WatchEnd::Reason why, std::string& held);

// While the link is not up: the connection under way to wait on (POLLOUT),
// or {-1}.
pollfd link_wait(const WatchLink& link);

// While it is not up: a try begun when one is due, a connection made or
// given up once `woken` (link_wait(), after the wait) or its time says so.
// True when the link is up again: the request has gone out on it and the
// return is logged into `held`.
bool tend_link(WatchLink& link, const pollfd& woken, std::string& held);
