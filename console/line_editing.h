// Line editing at the prompts, through libedit, for an operator at a
// terminal: the arrow keys move within the line, Backspace and Ctrl-W edit
// it, Up and Down recall the lines typed earlier in this run (kept in memory
// only: nothing is written between runs).
//
// It is used only when standard input and standard output are both
// terminals; input from a pipe or a file, or output to a pipe (as in
// `board_recorder | tee session.log`), is read as it always was, so no
// editing byte ever reaches a log. The prompt stays the program's own: the
// text written since the last line break is given to libedit as its prompt
// and redrawn in place, so each prompt shows the same text in the same
// order. Every key is read through wait_until_ready(), so a caught Ctrl-C,
// SIGTERM or SIGHUP ends a read at once, as it does without editing; the
// terminal's settings are given back after every line and at the end.
#pragma once

#include <iostream>

// True when standard input and standard output are both terminals.
bool at_a_terminal();

// Standard input as a stream of edited lines (each with its line break);
// end of input at Ctrl-D on an empty line or when a caught signal arrives.
std::istream& edited_stdin();

// What an operator types into: edited_stdin() at a terminal, else
// interruptible_stdin() (console_input.h).
std::istream& operator_stdin();
