#include "mcap_read/file_window.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

bool FileWindow::open(const std::string& path) {
    file_ = OwnedFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    return file_.is_open();
}

bool FileWindow::fill(size_t size) {
    if (at_ > 0 && at_ >= bytes_.size() / 2) {
        bytes_.erase(0, at_);
        at_ = 0;
    }
    char piece[65536];
    while (bytes_.size() - at_ < size && !ended_) {
        const ssize_t n = read(file_.get(), piece, sizeof piece);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ended_ = true;
            break;
        }
        bytes_.append(piece, static_cast<size_t>(n));
    }
    return bytes_.size() - at_ >= size;
}

bool FileWindow::step(uint64_t size) {
    const size_t held = bytes_.size() - at_;
    if (size <= held) {
        at_ += size;
        return true;
    }
    if (lseek(file_.get(), static_cast<off_t>(size - held), SEEK_CUR) < 0) return false;
    bytes_.clear();
    at_ = 0;
    return true;
}

bool FileWindow::move_to(uint64_t offset) {
    if (lseek(file_.get(), static_cast<off_t>(offset), SEEK_SET) < 0) return false;
    bytes_.clear();
    at_ = 0;
    ended_ = false;
    return true;
}
