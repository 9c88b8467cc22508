// Ctrl-C as something a program can act on instead of dying of it.
//
// After catch_interrupt(), SIGINT only sets a flag; a blocking read of the
// console or the link then returns early (EINTR, no automatic restart) and the
// reader reports it to its caller, who checks interrupted() and ends the run
// with status 130 once it has saved what must not be lost.
#pragma once

// Install the SIGINT handler (without SA_RESTART).
void catch_interrupt();

// True once SIGINT has arrived after catch_interrupt().
bool interrupted();
