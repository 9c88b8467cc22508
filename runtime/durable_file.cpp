#include "runtime/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

bool write_all(int fd, const std::string& text, size_t& written) {
    written = 0;
    while (written < text.size()) {
        ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

bool write_all(int fd, const std::string& text) {
    size_t written = 0;
    return write_all(fd, text, written);
}

mode_t shared_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

void sync_working_directory() {
    int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

std::string local_time_stamp() {
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    char stamp[16] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
    return stamp;
}

std::string numbered_name(const std::string& base, int attempt) {
    return base + (attempt > 0 ? "_" + std::to_string(attempt) : "") + ".yaml";
}
