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
    file_ = OwnedFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file_.is_open()) return false;
    path_ = path;
    held_.reserve(WRITE_AT_BYTES);
    return true;
}

void BatchedFile::add(const std::string& record) {
    add(record.data(), record.size());
}

void BatchedFile::add(const char* record, size_t size) {
    if (failed_ || !file_.is_open()) return;
    // The held records go first when this one would take them past a batch.
    if (!held_.empty() && held_.size() + size > WRITE_AT_BYTES && !write_held()) return;
    if (size >= WRITE_AT_BYTES) {  // a batch of its own: written as it is, never copied
        write_out(record, size, &size, 1);
        return;
    }
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

bool BatchedFile::write_out(const char* bytes, size_t size, const size_t* ends, size_t records) {
    size_t done = 0;
    if (!write_all(file_.get(), bytes, size, done)) {
        const int error = errno;
        // Keep the whole records of what went out; cut off the part of one.
        const size_t* whole = std::upper_bound(ends, ends + records, done);
        const size_t kept = whole == ends ? 0 : *(whole - 1);
        if (ftruncate(file_.get(), whole_ + static_cast<off_t>(kept)) == 0) {
            whole_ += static_cast<off_t>(kept);
        }
        fail(error);
        return false;
    }
    whole_ += static_cast<off_t>(size);
    if (sync_due_ == Deadline::max()) sync_due_ = Clock::now() + SYNC_AT_LATEST;
    return true;
}

bool BatchedFile::write_held() {
    if (held_.empty() || failed_) return !failed_;
    if (!write_out(held_.data(), held_.size(), ends_.data(), ends_.size())) return false;
    held_.clear();
    ends_.clear();
    write_due_ = Deadline::max();
    return true;
}

void BatchedFile::write_due(Deadline now) {
    if (!file_.is_open() || failed_) return;
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
    if (!path_.empty()) unlink(path_.c_str());
    path_.clear();
}
