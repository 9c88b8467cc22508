// The CSV file of arm_monitor --csv, written on the monitor's own thread.
//
// The file is created new, never over an existing one. Each report printed
// is a row, written in batches (files/batched_file.h): a row reaches the file
// within a quarter of a second and the disk within a second, and a crash
// loses at most the last second; at the arm's rates that is four writes and
// one sync a second, not one write a report. The watch's wait ends at the
// file's next_due(); its end writes and syncs what is left.
//
// The file holds whole rows only, and a file whose header could not be
// written is removed. The watch ends at a failure (failed()).
#pragma once

#include <sys/types.h>

#include <string>

#include "console/interrupt.h"
#include "files/batched_file.h"
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
    // when theirs has; when that is next (Deadline::max(): nothing waits).
    void write_due() { file_.write_due(); }
    Deadline next_due() const { return file_.next_due(); }

    // True once a write has failed.
    bool failed() const { return file_.failed(); }

    // Write what is left, sync and close. False, with an ERROR line naming
    // the file and the reason (into `held` when given, see log_to()), when a
    // write failed.
    bool finish(std::string* held = nullptr);

    // Close and remove the file (nothing was recorded in it).
    void discard() { file_.discard(); }

  private:
    std::string path_;
    BatchedFile file_;
    std::string row_;  // the row being formed
};
