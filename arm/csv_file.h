// The CSV file of arm_monitor --csv, written on the monitor's own thread.
//
// The file is created new, never over an existing one. Rows are formed into a
// buffer as their reports are printed. The monitor's waits (its wait hook)
// write them a quarter of a second after the first row not yet written, or
// when 256 KiB have gathered, and sync them to the disk (fdatasync) a second
// after the first row not yet synced; the watch's end writes and syncs what is
// left. A row therefore reaches the file within a quarter of a second and the
// disk within a second, so a crash loses at most the last second; at the arm's
// rates that is four writes and one sync a second, not one write a report.
//
// The file holds whole rows only: a write that fails is cut back
// (ftruncate) to the last whole row it wrote, and a file whose header could
// not be written is removed. The failure ends the watch: the link is shut for
// reading, so the monitor's wait for the next report ends at once.
#pragma once

#include <sys/types.h>

#include <string>

#include "arm.pb.h"
#include "console/interrupt.h"
#include "files/file_writing.h"

class CsvFile {
  public:
    CsvFile() = default;
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // Create `path` (a new file) with its header row. False, with an ERROR
    // line naming the file and the reason, when it cannot (no file is left).
    bool open(const std::string& path);

    // When a write fails, shut `link` for reading, so that the watch ends.
    void end_watch_on_failure(int link) { link_ = link; }

    // Form the row of one printed report, with its error text and when it came.
    void add(const MainArmStateMsg& report, const char* error, int64_t received_us);

    // Write the rows formed when their time has come, and sync those written
    // when theirs has. Returns when to call again (Deadline::max(): nothing waits).
    Deadline flush();

    // True once a write has failed.
    bool failed() const { return failed_; }

    // Write what is left, sync and close. False, with an ERROR line naming
    // the file and the reason, when a write failed.
    bool finish();

    // Close and remove the file (nothing was recorded in it).
    void discard();

  private:
    bool write_pending();
    void fail(int error);

    std::string path_;
    OwnedFd file_;
    int link_ = -1;
    std::string pending_;  // rows formed and not yet written
    off_t whole_ = 0;      // the length of the whole rows in the file
    Deadline write_due_ = Deadline::max();
    Deadline sync_due_ = Deadline::max();
    bool failed_ = false;
    int error_ = 0;
};
