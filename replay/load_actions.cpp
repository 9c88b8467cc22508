// Reading a record file from disk: a regular file within the size limit,
// opened without blocking, then parsed as parse_actions() does.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "replay/record_file.h"

namespace {

LoadedActions failure(std::string error) {
    LoadedActions loaded;
    loaded.error = std::move(error);
    return loaded;
}

}  // namespace

LoadedActions load_actions(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return failure(std::strerror(errno));
    struct stat info = {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return failure("not a regular file");
    }
    if (static_cast<size_t>(info.st_size) > MAX_RECORD_FILE_BYTES) {
        close(fd);
        return failure("larger than " + std::to_string(MAX_RECORD_FILE_BYTES >> 20) + " MiB");
    }
    std::string text;
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            return failure(std::strerror(error));
        }
        if (n == 0) break;
        text.append(chunk, static_cast<size_t>(n));
        if (text.size() > MAX_RECORD_FILE_BYTES) {
            close(fd);
            return failure("larger than " + std::to_string(MAX_RECORD_FILE_BYTES >> 20) + " MiB");
        }
    }
    close(fd);
    return parse_actions(text);
}
