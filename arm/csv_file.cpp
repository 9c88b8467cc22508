#include "arm/csv_file.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "arm/report_csv.h"
#include "runtime/interrupt.h"
#include "runtime/log.h"

namespace {

constexpr size_t SLOT_COUNT = 4096;
constexpr size_t WRITE_AT_BYTES = 64 * 1024;
constexpr auto WRITE_AT_LATEST = std::chrono::milliseconds(250);
constexpr auto SYNC_AT_LATEST = std::chrono::seconds(1);
constexpr int IDLE_WAIT_MS = 1;  // the ring fills in some four milliseconds at full speed

using Clock = std::chrono::steady_clock;

}  // namespace

CsvFile::~CsvFile() {
    finish();
}

bool CsvFile::open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        log_error("cannot create CSV file %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    pending_ = REPORT_CSV_HEADER;
    if (!write_pending()) {
        log_error("cannot write CSV file %s: %s\n", path.c_str(), std::strerror(error_));
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    slots_.resize(SLOT_COUNT);
    writer_ = std::thread([this] { write_rows(); });
    return true;
}

void CsvFile::add(const MainArmStateMsg& report, const char* error, int64_t received_us) {
    size_t added = added_.load(std::memory_order_relaxed);
    while (added - written_.load(std::memory_order_acquire) >= SLOT_COUNT) {
        sched_yield();  // the writer is a full ring behind, and busy: let it catch up
    }
    Slot& slot = slots_[added % SLOT_COUNT];
    slot.report = report;
    slot.error = error;
    slot.received_us = received_us;
    added_.store(added + 1, std::memory_order_release);
}

void CsvFile::fail(int error) {
    error_ = error;
    failed_ = true;
    if (link_ >= 0) shutdown(link_, SHUT_RD);
}

bool CsvFile::write_pending() {
    size_t done = 0;
    while (done < pending_.size()) {
        ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            fail(n < 0 ? errno : EIO);
            pending_.clear();
            return false;
        }
        done += static_cast<size_t>(n);
    }
    pending_.clear();
    return true;
}

void CsvFile::write_rows() {
    Clock::time_point last_write = Clock::now();
    Clock::time_point last_sync = last_write;
    bool unsynced = false;
    for (;;) {
        size_t written = written_.load(std::memory_order_relaxed);
        size_t added = added_.load(std::memory_order_acquire);
        for (; written < added; ++written) {
            const Slot& slot = slots_[written % SLOT_COUNT];
            if (!failed_)
                append_report_row(pending_, slot.report, slot.error.c_str(), slot.received_us);
            written_.store(written + 1, std::memory_order_release);
        }
        bool closing = closing_.load(std::memory_order_acquire) && written == added_.load();
        Clock::time_point now = Clock::now();
        bool due = !pending_.empty() && (pending_.size() >= WRITE_AT_BYTES ||
                                         now - last_write >= WRITE_AT_LATEST || closing);
        if (due && !failed_) {
            write_pending();
            last_write = now;
            unsynced = true;
        }
        if (unsynced && !failed_ && (now - last_sync >= SYNC_AT_LATEST || closing)) {
            if (fdatasync(fd_) != 0) fail(errno);
            last_sync = now;
            unsynced = false;
        }
        if (closing) return;
        // Nothing to form: look again in a moment (the monitor never has to wake the writer).
        if (written == added_.load(std::memory_order_acquire))
            wait_until_ready(-1, 0, IDLE_WAIT_MS);
    }
}

bool CsvFile::finish() {
    if (fd_ < 0) return !failed_;
    closing_.store(true, std::memory_order_release);
    if (writer_.joinable()) writer_.join();
    ::close(fd_);
    fd_ = -1;
    if (failed_) {
        log_error("cannot write CSV file %s: %s\n", path_.c_str(), std::strerror(error_));
    }
    return !failed_;
}

void CsvFile::discard() {
    finish();
    unlink(path_.c_str());
}
