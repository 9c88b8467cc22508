// The CSV file of arm_monitor --csv, written on the monitor's own thread.
//
// The file is created new, never over an existing one. Rows are formed into a
// buffer as their reports are printed, and written when 256 KiB have gathered
// or when the watch, about to wait, finds them due: a quarter of a second
// after the first row not yet written. They are synced to the disk
// (fdatasync) a second after the first row not yet synced; the watch's end
// writes and syncs what is left. The watch's wait for a report ends at the
// file's next due time (next_due()), so a row reaches the file within a
// quarter of a second and the disk within a second, and a crash loses at most
// the last second; at the arm's rates that is four writes and one sync a
// second, not one write a report.
//
// The file holds whole rows only: a write that fails is cut back
// (ftruncate) to the last whole row it wrote, and a file whose header could
// not be written is removed. The watch ends at the failure (failed()).
#pragma once

#include <sys/types.h>

#include <string>

#include "console/interrupt.h"
#include "files/file_writing.h"
#include "report/arm_report.h"

class CsvFile {
  public:
    CsvFile() = default;
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // Create `path` (a new file) with its header row. False, with an ERROR
    // line naming the file and the reason, when it cannot (no file is left).
    bool create(const std::string& path);

    // Form the row of one printed report, with when it came.
    void add(const ArmReport& report, int64_t received_us);

    // Write the rows formed when their time has come, and sync those written
    // when theirs has.
    void write_due();

    // When write_due() has something to do next (Deadline::max(): nothing waits).
    Deadline next_due() const;

    // True once a write has failed.
    bool failed() const { return failed_; }

    // Write what is left, sync and close. False, with an ERROR line naming
    // the file and the reason (into `held` when given, see log_to()), when a
    // write failed.
    bool finish(std::string* held = nullptr);

    // Close and remove the file (nothing was recorded in it).
    void discard();

  private:
    bool write_pending();
    void fail(int error);

    std::string path_;
    OwnedFd file_;
    std::string pending_;  // rows formed and not yet written
    off_t whole_ = 0;      // the length of the whole rows in the file
    Deadline write_due_ = Deadline::max();
    Deadline sync_due_ = Deadline::max();
    bool failed_ = false;
    int error_ = 0;
};
