#include "report/csv_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "report/report_csv.h"

CsvFile::~CsvFile() {
    finish();
}

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

void CsvFile::add(const ArmReport& report, int64_t received_us) {
    if (!file_.is_open() || file_.failed()) return;  // no --csv: nothing to form
    row_.clear();
    append_report_row(row_, report, received_us);
    file_.add(row_);
}

bool CsvFile::finish(std::string* held) {
    if (!file_.is_open()) return !file_.failed();
    if (!file_.finish()) {
        log_to(held, "ERROR", "cannot write CSV file %s: %s\n", printable_text(path_).c_str(),
               std::strerror(file_.error()));
        return false;
    }
    return true;
}
