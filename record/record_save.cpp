#include "record/record_save.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/log.h"
#include "files/file_writing.h"
#include "record/record_names.h"

namespace {

void report_failure(const std::string& name, int error, const std::string& text) {
    log_error("cannot write record file %s: %s\n", name.c_str(), std::strerror(error));
    log_error("%s\n", "the recording follows on standard output; keep it by hand");
    write_console(text + "\n");
}

}  // namespace

bool save_record_text(const std::string& text) {
    const std::string base = RECORD_NAME_PREFIX + local_time_stamp();

    // Pick the first free name now, so the log line can name it before the write.
    int attempt = 0;
    struct stat existing = {};
    while (attempt < MAX_NAME_ATTEMPTS &&
           lstat(numbered_name(base, attempt).c_str(), &existing) == 0) {
        ++attempt;
    }
    std::string name = numbered_name(base, attempt);
    log_info("save actions to %s\n", name.c_str());

    std::string temporary = write_temporary(".", ".record_", text);
    if (temporary.empty()) {
        report_failure(name, errno, text);
        return false;
    }
    while (!place_without_replacing(temporary, name)) {
        if (errno != EEXIST || ++attempt >= MAX_NAME_ATTEMPTS) {
            int error = errno;
            unlink(temporary.c_str());
            report_failure(name, error, text);
            return false;
        }
        // Another recording took the name meanwhile.
        name = numbered_name(base, attempt);
        log_info("save actions to %s\n", name.c_str());
    }
    sync_directory(".");
    return true;
}
