// Where the console tools read the operator's numbers from.
//
// Input is read with the stream's formatted extraction, one number per read, so
// "2 5" typed on one line answers two reads. The menus and prompts read
// console_input(): standard input unless a program or a test hands them
// another stream. Once the input has ended (or a caught signal arrived while
// reading) console_input().ended is set and every later menu and prompt
// returns at once without output; the caller tests input_ended() after the
// walk and sends nothing for an incomplete command.
#pragma once

#include <iostream>

struct ConsoleInput {
    std::istream* stream = &std::cin;
    bool ended = false;
    // The prompt on the screen's open line, asked for and not yet answered:
    // what a line editor redraws as it edits (line_editing.h); "" when the
    // line is empty.
    std::string prompt;
};

// The input of the menus and prompts (process-wide: the actions are closures over nothing).
ConsoleInput& console_input();

// Read from `stream` from now on, with a fresh (not ended) state.
void use_console_input(std::istream& stream);

// Write `prompt` and keep what it leaves on its last line as the prompt that
// the next line read answers.
void ask(const std::string& prompt);

// The prompt has been answered (or the line it stood on has ended): the
// next read has none.
void answered();

// True once the input has ended or a caught signal has arrived.
bool input_ended();

// After a failed extraction: true when the input is used up (or interrupted),
// otherwise the stream is cleared and the rest of the line discarded.
bool skip_bad_input();

// Standard input as a stream whose reads wait in wait_until_ready(), so that
// a caught signal ends a read at a prompt (the stream then reports end of input).
std::istream& interruptible_stdin();
