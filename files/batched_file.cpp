#include "files/batched_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr size_t WRITE_AT_BYTES = 256 * 1024;
constexpr auto WRITE_AT_LATEST = std::chrono::milliseconds(250);
constexpr auto SYNC_AT_LATEST = std::chrono::seconds(1);
using Clock = std::chrono::steady_clock;

}  // namespace

bool BatchedFile::create(const std::string& path) {
    path_ = path;
    file_ = OwnedFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    held_.reserve(WRITE_AT_BYTES + 4096);
    return file_.is_open();
}

void BatchedFile::add(const std::string& record) {
    add(record.data(), record.size());
}

void BatchedFile::add(const char* record, size_t size) {
    if (failed_ || !file_.is_open()) return;
    if (held_.empty()) write_due_ = Clock::now() + WRITE_AT_LATEST;
    held_.append(record, size);
    ends_.push_back(held_.size());
    if (held_.size() >= WRITE_AT_BYTES) write_held();
}

void BatchedFile::fail(int error) {
    error_ = error;
    failed_ = true;
    held_.clear();
    ends_.clear();
}

bool BatchedFile::write_held() {
    if (held_.empty() || failed_) return !failed_;
    size_t done = 0;
    if (!write_all(file_.get(), held_, done)) {
        const int error = errno;
        // Keep the whole records of what went out; cut off the part of one.
        const auto whole = std::upper_bound(ends_.begin(), ends_.end(), done);
        const size_t kept = whole == ends_.begin() ? 0 : *(whole - 1);
        if (ftruncate(file_.get(), whole_ + static_cast<off_t>(kept)) == 0) {
            whole_ += static_cast<off_t>(kept);
        }
        fail(error);
        return false;
    }
    whole_ += static_cast<off_t>(held_.size());
    held_.clear();
    ends_.clear();
    write_due_ = Deadline::max();
    if (sync_due_ == Deadline::max()) sync_due_ = Clock::now() + SYNC_AT_LATEST;
    return true;
}

void BatchedFile::write_due() {
    if (!file_.is_open() || failed_) return;
    const Deadline now = Clock::now();
    if (now >= write_due_ && !write_held()) return;
    if (now >= sync_due_) {
        if (fdatasync(file_.get()) != 0) {
            fail(errno);
            return;
        }
        sync_due_ = Deadline::max();
    }
}

BatchedFile::Deadline BatchedFile::next_due() const {
    if (!file_.is_open() || failed_) return Deadline::max();
    return std::min(write_due_, sync_due_);
}

bool BatchedFile::flush() {
    if (!file_.is_open() || failed_) return !failed_;
    if (write_held() && fdatasync(file_.get()) != 0) fail(errno);
    sync_due_ = Deadline::max();
    return !failed_;
}

bool BatchedFile::finish() {
    if (!file_.is_open()) return !failed_;
    flush();
    file_.reset();
    return !failed_;
}

void BatchedFile::discard() {
    file_.reset();
    unlink(path_.c_str());
}
