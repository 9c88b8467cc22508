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
// Every line is flushed at once, so it reaches a pipe or a file as it is made.
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
