// The one way the programs write files (and standard output): an owned
// descriptor, a loop that writes everything, and syncs that make a file and
// its name survive a crash or a power loss.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// A descriptor that closes itself. Moves, never copies.
class OwnedFd {
  public:
    OwnedFd() = default;
    explicit OwnedFd(int fd) : fd_(fd) {}
    ~OwnedFd() { reset(); }
    OwnedFd(OwnedFd&& other) noexcept : fd_(other.release()) {}
    OwnedFd& operator=(OwnedFd&& other) noexcept;
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;

    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }
    int release();
    // Close it now; false (errno set) when close() reports a failed write.
    bool reset();

  private:
    int fd_ = -1;
};

// Write all `size` bytes at `data` to `fd`, continuing partial writes and
// retrying EINTR. False on failure (errno set; a write of nothing is EIO, a
// full non-blocking descriptor EAGAIN, for the caller to wait on); `written`
// says how much went out either way.
bool write_all(int fd, const char* data, size_t size, size_t& written);
bool write_all(int fd, const std::string& text, size_t& written);
bool write_all(int fd, const std::string& text);

// Write `text` to a new temporary file in `folder`, named PREFIX + six
// characters + ".tmp", readable by others as open() would make it (0666
// less the umask) and synced; its path, or ""
// (errno set, no file left) when it cannot.
std::string write_temporary(const std::string& folder, const std::string& prefix,
                            const std::string& text);

// Move the file `temporary` to `name` unless `name` exists (false, errno
// EEXIST then): a file is never replaced, even by two writers at once.
bool place_without_replacing(const std::string& temporary, const std::string& name);

// Move the file `temporary` to `name` at once, replacing the file that
// stood there, if any (rename): a reader finds the old file or the new one.
bool place_replacing(const std::string& temporary, const std::string& name);

// Sync a directory, so that a name just made or moved there survives.
void sync_directory(const char* path);
