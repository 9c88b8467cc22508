// Ctrl-C as something a program can act on instead of dying of it.
//
// After catch_interrupt(), SIGINT only sets a flag, and it is blocked except
// while the program waits in wait_until_ready(): a wait can therefore never
// miss it (no gap between testing the flag and starting to wait). Every
// blocking wait of such a program (console, link, listener) goes through
// wait_until_ready(); the waiting code then reports the interruption to its
// caller, who checks interrupted() and ends the run with status 130 once it
// has saved what must not be lost.
#pragma once

#include <istream>

// Install the SIGINT handler and block SIGINT outside wait_until_ready().
void catch_interrupt();

// True once SIGINT has arrived after catch_interrupt().
bool interrupted();

// Wait until `fd` is ready for `events` (poll's POLLIN, POLLOUT) or
// `timeout_ms` has passed (-1: no limit; fd -1: just wait). Returns poll's
// result: > 0 ready, 0 time-out, -1 with errno EINTR when interrupted.
int wait_until_ready(int fd, short events, int timeout_ms);

// Standard input as a stream whose reads wait in wait_until_ready(), so that
// Ctrl-C ends a read at a prompt (the stream then reports end of input).
std::istream& interruptible_stdin();
