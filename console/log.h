// Log lines: the one-line records every program writes to standard output.
//
// A line is "[" local time "] [" level "] " followed by the message:
//
//     [2026-07-21 09:05:03] [INFO] packing protobuf msg
//
// The time is "%Y-%m-%d %H:%M:%S" in the process's local time zone; the level is
// one of the words INFO, ERROR and DEBUG. Each message format carries its own
// line ending ("\n", "\n\n", " \n" or "\r\n\n") and it is printed as it stands.
// Lines are formed in a 1024-byte buffer; a longer one (the hex text of a long
// frame, a long version text) is formed on the heap instead and written whole.
//
// Every line is written at once, one write per line, so it reaches a pipe or a
// file as it is made and a prompt is on screen before its answer is read. A
// program that prints lines by the thousand (arm_monitor, board_replay) may
// hold them instead: after hold_output() they gather in memory and go out
// before every wait that may block (wait_until_ready() calls flush_output()),
// when 256 KiB have gathered, and when the process exits. Such a program
// catches the signals that end it, so that it can put out what it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#define VOSTREL_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))

// Write one line at INFO, ERROR or DEBUG. `format` is the message without the
// "[time] [level] " prefix, in printf form. A failed write is ignored.
void log_info(const char* format, ...) VOSTREL_PRINTF_FORMAT;
void log_error(const char* format, ...) VOSTREL_PRINTF_FORMAT;
void log_debug(const char* format, ...) VOSTREL_PRINTF_FORMAT;

// The text in which bytes are shown in log lines and record files: two
// lower-case hex digits per byte, no separator ({0x00, 0x1a, 0xff} -> "001aff").
std::string to_hex_text(const uint8_t* bytes, size_t count);

// Write text to standard output as it stands (menus, prompts, plain lines) and
// flush it, so that it is in order with the log lines around it.
void write_console(const std::string& text);

// True once a write to standard output has failed (its reader gone, a full
// disk): what is written after that is lost. Programs whose only product is
// their output stop then; the others carry on (a recording is still saved).
bool standard_output_failed();

// From now on, gather the lines in memory until flush_output(), which then
// runs before every blocking wait and at exit.
void hold_output();

// Write out what is held (nothing when output is not held). False when the
// write failed.
bool flush_output();

// Lines built piece by piece, for the lines written by the thousand: the
// "[time] [LEVEL] " prefix of a line made now, then the message appended by the
// caller; write_lines() writes one or more whole lines as log_info() would.
void append_line_prefix(std::string& text, const char* level);
void write_lines(const std::string& text);
