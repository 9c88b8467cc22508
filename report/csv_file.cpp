#include "report/csv_file.h"

#include <cerrno>
#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "report/report_csv.h"

bool CsvFile::create(const std::string& path) {
    path_ = path;
    if (!file_.create(path)) {
        log_error("cannot create CSV file %s: %s\n", printable_text(path).c_str(),
                  std::strerror(errno));
        return false;
    }
    file_.add(REPORT_CSV_HEADER);
    if (!file_.flush()) {
        log_error("cannot write CSV file %s: %s\n", printable_text(path).c_str(),
                  std::strerror(file_.error()));
        discard();
        return false;
    }
    return true;
}

void CsvFile::report(const ArmReport& report, const FrameResult& frame) {
    if (file_.failed()) return;
    row_.clear();
    append_report_row(row_, report, frame.complete_at_wall_us);
    file_.add(row_);
    ++rows_;
}

WatchEnd::Reason CsvFile::end() const {
    return file_.failed() ? WatchEnd::FILE_FAILED : WatchEnd::NONE;
}

bool CsvFile::finish() {
    if (!file_.is_open()) return !file_.failed();
    if (!file_.finish()) {
        log_to(&held_, "ERROR", "cannot write CSV file %s: %s\n", printable_text(path_).c_str(),
               std::strerror(file_.error()));
        return false;
    }
    log_to(&held_, "INFO", "%llu reports in %s\n", static_cast<unsigned long long>(rows_),
           printable_text(path_).c_str());
    return true;
}
