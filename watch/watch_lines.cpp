#include "watch/watch_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "console/interrupt.h"
#include "console/log.h"

namespace {

// Standard output opened anew without blocking, where a reader can hold it
// back (a pipe, a terminal); closed for a file or a socket.
OwnedFd stdout_without_blocking() {
    struct stat info = {};
    if (fstat(STDOUT_FILENO, &info) != 0 || !(S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
        return OwnedFd();
    }
    return OwnedFd(open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
}

}  // namespace

void WatchLines::never_wait() {
    out_ = stdout_without_blocking();
}

void WatchLines::keep_or_drop(size_t mark) {
    if (!out_.is_open() || held.size() - sent_ <= HELD_AT_MOST) return;
    held.resize(mark);
    ++dropped_;
    ++dropped_in_all_;
}

bool WatchLines::write_some() {
    for (int round = 0; round < 2 && !failed_; ++round) {
        size_t written = 0;
        const bool whole = write_all(out_.get(), held.data() + sent_, held.size() - sent_, written);
        sent_ += written;
        if (!whole && errno != EAGAIN) failed_ = true;
        if (sent_ < held.size()) {
            // Keep the unwritten part at the start once the written one is the larger.
            if (sent_ > held.size() / 2) {
                held.erase(0, sent_);
                sent_ = 0;
            }
            break;
        }
        held.clear();
        sent_ = 0;
        if (dropped_ == 0) break;
        // Output flows again: say what it missed.
        log_to(&notes(), "INFO", "standard output did not keep up: %llu reports were not printed\n",
               static_cast<unsigned long long>(dropped_));
        dropped_ = 0;
    }
    return !failed_;
}

void WatchLines::write_due() {
    if (apart_) put_out(notes_);
    if (!out_.is_open()) {
        put_out_data(held);
    } else if (!held.empty()) {
        write_some();
    }
}

pollfd WatchLines::wait() const {
    const bool waiting = out_.is_open() && sent_ < held.size() && !failed_;
    return {waiting ? out_.get() : -1, POLLOUT, 0};
}

void WatchLines::woken(const pollfd& wait) {
    if (wait.revents != 0) write_some();
}

bool WatchLines::failed() const {
    return failed_ || standard_output_failed();
}

bool WatchLines::finish() {
    if (dropped_in_all_ > 0) {
        dropped_ = 0;
        log_to(&notes(), "INFO",
               "standard output did not keep up: %llu reports in all were not printed\n",
               static_cast<unsigned long long>(dropped_in_all_));
    }
    if (apart_) put_out(notes_);
    if (!out_.is_open()) return put_out_data(held);
    while (write_some() && !held.empty()) {
        if (wait_until_ready(out_.get(), POLLOUT, -1) < 0 && interrupted()) break;
    }
    return !failed_;
}
