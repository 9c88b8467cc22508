#include "replay/unfinished_recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "replay/durable_file.h"
#include "runtime/log.h"

namespace {

constexpr int MAX_NAME_ATTEMPTS = 1000;

// Create the file under the first free name; false with errno set.
bool create(UnfinishedRecording& unfinished) {
    const std::string base = "unfinished_record_" + local_time_stamp();
    for (int attempt = 0; attempt < MAX_NAME_ATTEMPTS; ++attempt) {
        unfinished.name = numbered_name(base, attempt);
        unfinished.fd =
            open(unfinished.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666);
        if (unfinished.fd >= 0) {
            unfinished.created = true;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

void give_up(UnfinishedRecording& unfinished, int error) {
    log_error("cannot keep the unfinished recording in %s: %s\n", unfinished.name.c_str(),
              std::strerror(error));
    unfinished.broken = true;
    if (unfinished.fd >= 0) close(unfinished.fd);
    unfinished.fd = -1;
}

}  // namespace

void keep_entry(UnfinishedRecording& unfinished, const Action& action) {
    if (unfinished.broken) return;
    bool first = unfinished.fd < 0;
    if (first && !create(unfinished)) {
        give_up(unfinished, errno);
        return;
    }
    if (!write_all(unfinished.fd, entry_text(action) + "\n") || fsync(unfinished.fd) != 0) {
        give_up(unfinished, errno);
        return;
    }
    if (first) sync_working_directory();
}

void discard_unfinished(UnfinishedRecording& unfinished) {
    if (unfinished.fd >= 0) close(unfinished.fd);
    unfinished.fd = -1;
    if (unfinished.created) unlink(unfinished.name.c_str());
}

void leave_unfinished(UnfinishedRecording& unfinished) {
    if (unfinished.fd >= 0) close(unfinished.fd);
    unfinished.fd = -1;
    if (!unfinished.created) return;
    log_error("the recording stays in %s%s\n", unfinished.name.c_str(),
              unfinished.broken ? " (without the entries after its failure)" : "");
}
