// The CSV file of arm_monitor --csv, written on a thread of its own: the
// monitor hands over each printed report (a copy, a fraction of a
// microsecond) and the writer forms the rows, so that the watch keeps its pace.
//
// The file is created new, never over an existing one. Rows reach the file at
// most a quarter of a second after their report and are synced to the disk at
// most a second later (and when the watch ends), so a crash loses at most the
// last second. A failed write is kept and reported when asked.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "arm.pb.h"

class CsvFile {
  public:
    CsvFile() = default;
    ~CsvFile();
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // Create `path` (a new file) with its header row and start the writer.
    // False, with an ERROR line naming the file and the reason, when it cannot.
    bool open(const std::string& path);

    // When a write fails, shut `link` for reading: the monitor's wait for the
    // next report ends at once, and with it the watch.
    void end_watch_on_failure(int link) { link_ = link; }

    // Hand over one printed report, with its error text and when it came.
    void add(const MainArmStateMsg& report, const char* error, int64_t received_us);

    // True once a write has failed.
    bool failed() const { return failed_; }

    // Write what is left, sync and close. False, with an ERROR line naming
    // the file and the reason, when a write failed.
    bool finish();

    // Close and remove the file (nothing was recorded in it).
    void discard();

  private:
    struct Slot {
        MainArmStateMsg report{};
        std::string error;
        int64_t received_us = 0;
    };
    void write_rows();
    bool write_pending();
    void fail(int error);

    std::string path_;
    int fd_ = -1;
    int link_ = -1;
    std::vector<Slot> slots_;
    std::atomic<size_t> added_{0};    // slots handed over (the monitor's count)
    std::atomic<size_t> written_{0};  // slots formed into rows (the writer's count)
    std::atomic<bool> closing_{false};
    std::atomic<bool> failed_{false};
    int error_ = 0;
    std::string pending_;  // rows not yet written (the writer's)
    std::thread writer_;
};
