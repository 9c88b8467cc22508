// Exit statuses of every program.
#pragma once

constexpr int STATUS_OK = 0;
constexpr int STATUS_LINK_FAILED = 1;      // socket, time-out options or connection
constexpr int STATUS_EXCHANGE_FAILED = 2;  // encoding, write, no reply, link closed, bad reply
constexpr int STATUS_RECORD_FILE_FAILED = 3;
constexpr int STATUS_INPUT_ENDED = 4;    // standard input ended before a command was complete
constexpr int STATUS_OUTPUT_FAILED = 5;  // standard output could not be written (arm_monitor)
constexpr int STATUS_INTERRUPTED = 130;  // Ctrl-C; SIGTERM gives 143 and SIGHUP 129
constexpr int STATUS_BAD_ARGUMENTS = 255;
