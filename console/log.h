// Log lines: the one-line records every program writes to standard output.
//
// A line is "[" local time "] [" level "] " followed by the message:
//
//     [2026-07-21 09:05:03] [INFO] packing protobuf msg
//
// The time is "%Y-%m-%d %H:%M:%S" in the process's local time zone; the level is
// one of the words INFO, ERROR and DEBUG. Each message format carries its own
// line ending ("\n", "\n\n", " \n" or "\r\n\n") and it is printed as it stands.
// A line is never cut, however long (the hex text of a long frame, a long
// version text).
//
// Every line is written at once, one write per line, so it reaches a pipe or a
// file as it is made and a prompt is on screen before its answer is read. A
// program that prints lines by the thousand (a watch of reports) gathers
// them in a text of its own instead, with log_to(), and puts them out with
// put_out() before it waits: the same lines, fewer writes.
#pragma once

#include <string>

#define VOSTREL_PRINTF_FORMAT(at, first) __attribute__((format(printf, at, first)))

// Write one line at INFO, ERROR or DEBUG. `format` is the message without the
// "[time] [level] " prefix, in printf form. A failed write is noted (see
// standard_output_failed()).
void log_info(const char* format, ...) VOSTREL_PRINTF_FORMAT(1, 2);
void log_error(const char* format, ...) VOSTREL_PRINTF_FORMAT(1, 2);
void log_debug(const char* format, ...) VOSTREL_PRINTF_FORMAT(1, 2);

// The one formatter of log lines: a line at `level` ("INFO", "ERROR",
// "DEBUG") appended to `*held` when it is given, written at once when it is
// nullptr.
void log_to(std::string* held, const char* level, const char* format, ...)
    VOSTREL_PRINTF_FORMAT(3, 4);

// The prefix of a line at `level` ("INFO", "ERROR", "DEBUG"), "[time]
// [LEVEL] ", for a line whose message is then assembled without a format
// (console/number_text.h): formed once a second, and valid until the next
// call on this thread.
const std::string& log_prefix(const char* level);

// Write text to the console (standard output unless console_to_stderr())
// as it stands (menus, prompts, plain lines), in order with the log lines
// around it.
void write_console(const std::string& text);

// Write out the lines gathered in `held` and empty it. False when the write
// failed.
bool put_out(std::string& held);

// From now on the console (log lines, menus, prompts, the lines above) is
// standard error, and standard output carries only what put_out_data()
// writes: the JSON a script reads (--json).
void console_to_stderr();

// Write `held` to standard output, whatever the console is, and empty it.
// False when the write failed.
bool put_out_data(std::string& held);

// True once a write to standard output has failed (its reader gone, a full
// disk): what is written after that is lost. Programs whose only product is
// their output stop then; the others carry on (a recording is still saved).
bool standard_output_failed();
