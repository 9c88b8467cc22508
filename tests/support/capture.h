// Capture of what the code under test writes to standard output.
#pragma once

#include <string>

#include "tests/support/bytes.h"

// Redirects standard output (the file descriptor, so stdio and log lines alike)
// to a temporary file from construction until finish().
class StdoutCapture {
  public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Restore standard output and return everything written meanwhile.
    std::string finish();

  private:
    int saved_fd_ = -1;
    int file_fd_ = -1;
    bool finished_ = false;
};

// Replace every "[YYYY-MM-DD hh:mm:ss] " log prefix with "[T] " so that lines
// can be compared without their timestamps.
std::string without_timestamps(const std::string& text);
