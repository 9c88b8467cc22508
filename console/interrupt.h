// The signals that end a run (Ctrl-C's SIGINT, SIGTERM from kill, a service
// stop or timeout, SIGHUP from a closed terminal) as something a program can
// act on instead of dying of them.
//
// After catch_interrupt(), these signals only set a flag, and they are blocked
// except while the program waits in wait_until_ready(): a wait can therefore
// never miss one (no gap between testing the flag and starting to wait), and
// nothing else (writing a record file, renaming it) can be cut short by one.
// Every blocking wait of such a program (console, link, listener) goes through
// wait_until_ready(); the waiting code then reports the interruption to its
// caller, who checks interrupted() and ends the run with interrupt_status()
// once it has saved what must not be lost. The links are non-blocking, so a
// read or write that does not wait here first fails at once (EAGAIN) instead
// of blocking where no signal can end it; the sources are checked for other
// blocking calls (tests/blocking_calls_test.cpp).
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>

// Install the handlers and block the three signals outside wait_until_ready().
// Threads started afterwards inherit the blocking.
void catch_interrupt();

// True once one of the signals has arrived after catch_interrupt().
bool interrupted();

// The status a run ends with after a signal: 128 + the first signal that
// arrived (130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP).
int interrupt_status();

// Writes that cannot be made fail instead of killing the process, so that the
// program can still finish its work and say what went wrong: to a pipe or a
// socket whose reader is gone (EPIPE, not SIGPIPE) and past the file size
// limit (EFBIG, not SIGXFSZ).
void fail_writes_gently();

// Wait until `fd` is ready for `events` (poll's POLLIN, POLLOUT) or
// `timeout_ms` has passed (-1: no limit; fd -1: just wait). Returns poll's
// result: > 0 ready, 0 time-out, -1 with errno EINTR when interrupted. Once a
// signal has arrived, every wait in every thread ends within a tenth of a
// second, whichever thread the signal was delivered to.
int wait_until_ready(int fd, short events, int timeout_ms);

// The same up to a point in time (Deadline::max(): no limit), to the nanosecond.
using Deadline = std::chrono::steady_clock::time_point;
int wait_until_ready(int fd, short events, Deadline deadline);

// Wait until `due` and nothing else; false when a caught signal ended the wait.
bool wait_until(Deadline due);

// The same for several descriptors at once (their revents set as poll sets
// them), for a wait that also watches the keyboard.
int wait_until_ready(pollfd* fds, size_t count, Deadline deadline);
