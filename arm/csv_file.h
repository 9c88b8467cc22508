// The CSV file of arm_monitor --csv, written on the monitor's own thread.
//
// The file is created new, never over an existing one. Rows are formed into a
// buffer as their reports are printed and written, as standard output is,
// before every wait of the monitor that may block and whenever 256 KiB have
// gathered; they are synced to the disk (fdatasync) at most once a second, a
// second after the first row not yet synced at the latest, and when the watch
// ends. A row therefore reaches the file before the monitor next waits and the
// disk within a second, so a crash loses at most the last second.
//
// The file holds whole rows only: a write that fails is cut back
// (ftruncate) to the last whole row it wrote, and a file whose header could
// not be written is removed. The failure ends the watch: the link is shut for
// reading, so the monitor's wait for the next report ends at once.
#pragma once

#include <sys/types.h>

#include <string>

#include "arm.pb.h"
#include "runtime/interrupt.h"

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

    // Write the rows formed, and sync when a second has passed since the
    // first row not yet synced. Returns when the next sync is due
    // (Deadline::max(): nothing waits for one).
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
    int fd_ = -1;
    int link_ = -1;
    std::string pending_;  // rows formed and not yet written
    off_t whole_ = 0;      // the length of the whole rows in the file
    Deadline sync_due_ = Deadline::max();
    bool failed_ = false;
    int error_ = 0;
};
