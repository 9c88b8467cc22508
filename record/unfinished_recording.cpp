#include "record/unfinished_recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/log.h"
#include "files/file_writing.h"
#include "record/record_load.h"
#include "record/record_names.h"

namespace {

// Create the file under the first free name; false with errno set.
bool create(UnfinishedRecording& unfinished) {
    if (unfinished.base.empty()) unfinished.base = "unfinished_" + (RECORD_NAME_PREFIX + local_time_stamp());
    for (int attempt = 0; attempt < MAX_NAME_ATTEMPTS; ++attempt) {
        std::string name = numbered_name(unfinished.base, attempt);
        unfinished.file =
            OwnedFd(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666));
        if (unfinished.file.is_open()) {
            unfinished.name = name;
            unfinished.entries = 0;
            unfinished.bytes = 0;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Close and remove the file: it holds no whole entry, or it cannot be cut back to one.
void remove_file(UnfinishedRecording& unfinished) {
    unfinished.file.reset();
    if (!unfinished.name.empty()) unlink(unfinished.name.c_str());
    unfinished.name.clear();
    unfinished.entries = 0;
    unfinished.bytes = 0;
}

void report_failure(UnfinishedRecording& unfinished, const std::string& name, int error) {
    if (!unfinished.failing) {
        log_error("cannot keep the unfinished recording in %s: %s\n", name.c_str(),
                  std::strerror(error));
    }
    unfinished.failing = true;
}

// Append the entries the file lacks: the rest of the recording's text after
// what the file holds (its whole entries, each with its line break), and a
// line break. On failure cut the file back to its whole entries.
bool append_missing(UnfinishedRecording& unfinished, const std::string& text, size_t entries) {
    const std::string missing = text.substr(static_cast<size_t>(unfinished.bytes)) + '\n';
    if (write_all(unfinished.file.get(), missing) && fsync(unfinished.file.get()) == 0) {
        unfinished.entries = entries;
        unfinished.bytes += static_cast<off_t>(missing.size());
        return true;
    }
    int error = errno;
    if (unfinished.entries == 0 || ftruncate(unfinished.file.get(), unfinished.bytes) != 0) {
        remove_file(unfinished);
    } else {
        fsync(unfinished.file.get());
    }
    errno = error;
    return false;
}

}  // namespace

void keep_entries(UnfinishedRecording& unfinished, const std::string& text, size_t entries) {
    if (entries <= unfinished.entries) return;
    bool created = false;
    if (!unfinished.file.is_open()) {
        if (!create(unfinished)) {
            report_failure(unfinished, numbered_name(unfinished.base, 0), errno);
            return;
        }
        created = true;
    }
    std::string name = unfinished.name;
    if (!append_missing(unfinished, text, entries)) {
        report_failure(unfinished, name, errno);
        return;
    }
    if (created) sync_directory(".");
    if (unfinished.failing) {
        log_info("the unfinished recording in %s holds all %zu entries again\n", name.c_str(),
                 unfinished.entries);
    }
    unfinished.failing = false;
}

void discard_unfinished(UnfinishedRecording& unfinished) {
    remove_file(unfinished);
}

void leave_unfinished(UnfinishedRecording& unfinished, size_t entries) {
    unfinished.file.reset();
    if (unfinished.name.empty()) return;
    // Named only when it is there and holds what it should: its directory may be gone.
    std::vector<Action> kept;
    std::string error;
    if (!load_actions(unfinished.name, kept, error) || kept.size() != unfinished.entries ||
        unfinished.entries == 0) {
        return;
    }
    if (unfinished.entries == entries) {
        log_error("the recording stays in %s (%zu entries)\n", unfinished.name.c_str(), entries);
    } else {
        log_error("the recording stays in %s (its first %zu of %zu entries)\n",
                  unfinished.name.c_str(), unfinished.entries, entries);
    }
}
