// A new file that a loop writes in batches without ever waiting on it long:
// records are appended to a buffer, written when 256 KiB have gathered or
// when the loop, about to wait, finds them due (a quarter of a second after
// the first record not yet written), and synced to the disk (fdatasync) a
// second after the first record not yet synced. A batch never holds more than
// 256 KiB: the records held are written before one that would take them past
// it, and a record of 256 KiB or more is written at once, never copied. The loop's wait ends at
// next_due(), so a record reaches the file within a quarter of a second and
// the disk within a second, and a crash or a power cut loses at most the
// last second.
//
// The file holds whole records only: a write that fails is cut back
// (ftruncate) to the last whole record it wrote, and failed() tells the loop
// to end. It is created new, never over an existing file.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "files/file_writing.h"

class BatchedFile {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

    BatchedFile() = default;
    BatchedFile(const BatchedFile&) = delete;
    BatchedFile& operator=(const BatchedFile&) = delete;

    // Create `path`, a new file. False, errno set, when it cannot.
    bool create(const std::string& path);
    bool is_open() const { return file_.is_open(); }

    // Hold one whole record; write the held ones once 256 KiB have gathered.
    void add(const std::string& record);
    void add(const char* record, size_t size);

    // Write the records held when their time has come (at `now`), and sync
    // those written when theirs has.
    void write_due(Deadline now = std::chrono::steady_clock::now());

    // When write_due() has something to do next (Deadline::max(): nothing waits).
    Deadline next_due() const;

    // Write what is held now, and sync; false once failed.
    bool flush();

    // True once a write or a sync has failed; error(): its errno.
    bool failed() const { return failed_; }
    int error() const { return error_; }

    // flush(), then close; false once failed.
    bool finish();

    // Close and remove the file, if this one created it.
    void discard();

  private:
    bool write_held();
    // `size` bytes, the whole records ending at `ends`, written; false once failed.
    bool write_out(const char* bytes, size_t size, const size_t* ends, size_t records);
    void fail(int error);

    std::string path_;  // the file this one created; "" none
    OwnedFd file_;
    std::string held_;          // records not yet written
    std::vector<size_t> ends_;  // where each held record ends in held_
    off_t whole_ = 0;           // the length of the whole records in the file
    Deadline write_due_ = Deadline::max();
    Deadline sync_due_ = Deadline::max();
    bool failed_ = false;
    int error_ = 0;
};
