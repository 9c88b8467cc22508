// A file read forward from a position through a window of its bytes: what is
// asked for is read in pieces of 64 KiB (each read retried on EINTR), what
// has been taken is let go, and a stretch can be stepped over unread.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_writing.h"

class FileWindow {
  public:
    // Open `path` to read; false, errno set, when it cannot.
    bool open(const std::string& path);
    int get() const { return file_.get(); }

    // Make `size` bytes from the position readable; false when the file ends
    // before them.
    bool fill(size_t size);
    const char* here() const { return bytes_.data() + at_; }
    // Move the position on by `size` bytes made readable by fill().
    void take(size_t size) { at_ += size; }

    // Move the position on by `size` bytes, reading none that are not held
    // yet; false, errno set, when the file cannot be positioned.
    bool step(uint64_t size);
    // The position at `offset` from the file's start.
    bool move_to(uint64_t offset);

  private:
    OwnedFd file_;
    std::string bytes_;  // read and not yet taken
    size_t at_ = 0;      // the position in bytes_
    bool ended_ = false;
};
