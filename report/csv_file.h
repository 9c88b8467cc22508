// The CSV file of arm_monitor --csv, an output of the watch
// (report_output.h), written on the monitor's own thread.
//
// The file is created new, never over an existing one. Each report is a
// row (report_csv.h), written in batches (files/batched_file.h): a row
// reaches the file within a quarter of a second and the disk within a
// second, and a crash loses at most the last second; at the arm's rates that
// is four writes and one sync a second, not one write a report. The watch's
// wait ends at next_due(); its end writes and syncs what is left, and says
// what the file holds ("N reports in FILE").
//
// The file holds whole rows only, and a file whose header could not be
// written is removed. A failed write ends the watch (end(): FILE_FAILED).
#pragma once

#include <cstdint>
#include <string>

#include "files/batched_file.h"
#include "report/report_output.h"

class CsvFile : public ReportOutput {
  public:
    // Lines (a failed write, what the file holds) go into `held`.
    explicit CsvFile(std::string& held) : held_(held) {}
    ~CsvFile() override { file_.finish(); }
    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    // Create `path` (a new file) with its header row. False, with an ERROR
    // line naming the file and the reason, when it cannot (no file is left).
    bool create(const std::string& path);

    // Each report, with when it came, is a row.
    void report(const ArmReport& report, const FrameResult& frame) override;

    void write_due() override { file_.write_due(); }
    Deadline next_due() const override { return file_.next_due(); }
    WatchEnd::Reason end() const override;

    // Write what is left, sync and close; "N reports in FILE", or an ERROR
    // line naming the file and the reason when a write failed (false).
    bool finish() override;

    // Close and remove the file (nothing was recorded in it).
    void discard() { file_.discard(); }

  private:
    std::string& held_;
    std::string path_;
    BatchedFile file_;
    std::string row_;  // the row being formed
    uint64_t rows_ = 0;
};
