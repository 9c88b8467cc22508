// Saving a recording: a new file, whole or not at all, never over another.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "replay/record_file.h"
#include "runtime/log.h"

namespace {

// Attempts at a free name in one second: record_..., record_..._1, ...
constexpr int MAX_NAME_ATTEMPTS = 1000;

std::string record_name(const std::string& stamp, int attempt) {
    std::string name = "record_" + stamp;
    if (attempt > 0) name += "_" + std::to_string(attempt);
    return name + ".yaml";
}

bool write_all(int fd, const std::string& text) {
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

// Write `text` to a temporary file beside the record; returns its name or "" (errno set).
std::string write_temporary(const std::string& text) {
    char name[] = ".record_XXXXXX.tmp";
    int fd = mkstemps(name, 4);
    if (fd < 0) return "";
    bool ok = write_all(fd, text) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(name);
        errno = error;
        return "";
    }
    return name;
}

// Move the temporary file to `name` unless `name` exists (errno EEXIST then).
bool place_without_replacing(const std::string& temporary, const std::string& name) {
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // The file system cannot rename without replacing: link, then drop the temporary name.
    if (link(temporary.c_str(), name.c_str()) != 0) return false;
    unlink(temporary.c_str());
    return true;
}

void report_failure(const std::string& name, int error, const std::string& text) {
    log_error("cannot write record file %s: %s\n", name.c_str(), std::strerror(error));
    log_error("%s\n", "the recording follows on standard output; keep it by hand");
    write_console(text + "\n");
}

}  // namespace

bool save_actions(const std::vector<Action>& actions) {
    std::string text;
    try {
        text = record_text(actions);
    } catch (const std::bad_alloc&) {
        log_error("%s\n", "cannot write record file: out of memory");
        return false;
    }
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    char stamp[16] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);

    // Pick the first free name now, so the log line can name it before the write.
    int attempt = 0;
    struct stat existing = {};
    while (attempt < MAX_NAME_ATTEMPTS &&
           lstat(record_name(stamp, attempt).c_str(), &existing) == 0) {
        ++attempt;
    }
    std::string name = record_name(stamp, attempt);
    log_info("save actions to %s\n", name.c_str());

    std::string temporary = write_temporary(text);
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
        name = record_name(stamp, attempt);
        log_info("save actions to %s\n", name.c_str());
    }
    return true;
}
