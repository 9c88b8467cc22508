#include "report/csv_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "files/file_writing.h"
#include "report/report_csv.h"

namespace {

constexpr size_t WRITE_AT_BYTES = 256 * 1024;
constexpr auto WRITE_AT_LATEST = std::chrono::milliseconds(250);
constexpr auto SYNC_AT_LATEST = std::chrono::seconds(1);
using Clock = std::chrono::steady_clock;

}  // namespace

CsvFile::~CsvFile() {
    finish();
}

bool CsvFile::create(const std::string& path) {
    path_ = path;
    file_ = OwnedFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file_.is_open()) {
        log_error("cannot create CSV file %s: %s\n", printable_text(path).c_str(),
                  std::strerror(errno));
        return false;
    }
    pending_ = REPORT_CSV_HEADER;
    if (!write_pending()) {
        log_error("cannot write CSV file %s: %s\n", printable_text(path).c_str(),
                  std::strerror(error_));
        discard();
        return false;
    }
    pending_.reserve(WRITE_AT_BYTES + 4096);
    return true;
}

void CsvFile::add(const ArmReport& report, int64_t received_us) {
    if (failed_ || !file_.is_open()) return;
    if (pending_.empty()) write_due_ = Clock::now() + WRITE_AT_LATEST;
    append_report_row(pending_, report, received_us);
    if (pending_.size() >= WRITE_AT_BYTES) write_pending();
}

void CsvFile::fail(int error) {
    error_ = error;
    failed_ = true;
    pending_.clear();
}

bool CsvFile::write_pending() {
    if (pending_.empty() || failed_) return !failed_;
    size_t done = 0;
    if (!write_all(file_.get(), pending_, done)) {
        int error = errno;
        // Keep the whole rows of what went out; cut off the part of a row.
        size_t last_line_end = pending_.rfind('\n', done == 0 ? 0 : done - 1);
        size_t kept = done == 0 || last_line_end == std::string::npos ? 0 : last_line_end + 1;
        if (ftruncate(file_.get(), whole_ + static_cast<off_t>(kept)) == 0) whole_ += kept;
        fail(error);
        return false;
    }
    whole_ += static_cast<off_t>(pending_.size());
    pending_.clear();
    write_due_ = Deadline::max();
    if (sync_due_ == Deadline::max()) sync_due_ = Clock::now() + SYNC_AT_LATEST;
    return true;
}

void CsvFile::write_due() {
    if (!file_.is_open() || failed_) return;
    Deadline now = Clock::now();
    if (now >= write_due_ && !write_pending()) return;
    if (now >= sync_due_) {
        if (fdatasync(file_.get()) != 0) {
            fail(errno);
            return;
        }
        sync_due_ = Deadline::max();
    }
}

Deadline CsvFile::next_due() const {
    if (!file_.is_open() || failed_) return Deadline::max();
    return std::min(write_due_, sync_due_);
}

bool CsvFile::finish(std::string* held) {
    if (!file_.is_open()) return !failed_;
    if (write_pending() && fdatasync(file_.get()) != 0) fail(errno);
    file_.reset();
    if (failed_) {
        log_to(held, "ERROR", "cannot write CSV file %s: %s\n", printable_text(path_).c_str(),
               std::strerror(error_));
    }
    return !failed_;
}

void CsvFile::discard() {
    file_.reset();
    unlink(path_.c_str());
}
