#include "files/file_writing.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

OwnedFd& OwnedFd::operator=(OwnedFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int OwnedFd::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

bool OwnedFd::reset() {
    if (fd_ < 0) return true;
    int fd = release();
    return close(fd) == 0;
}

bool write_all(int fd, const char* data, size_t size, size_t& written) {
    written = 0;
    while (written < size) {
        ssize_t n = write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

bool write_all(int fd, const std::string& text, size_t& written) {
    return write_all(fd, text.data(), text.size(), written);
}

bool write_all(int fd, const std::string& text) {
    size_t written = 0;
    return write_all(fd, text, written);
}

namespace {

// The permissions of a new file that others may read: 0666 less the umask
// (0644 under the usual 022), what open() gives and mkstemp() does not.
mode_t shared_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string write_temporary(const std::string& folder, const std::string& prefix,
                            const std::string& text) {
    std::string name = folder + "/" + prefix + "XXXXXX.tmp";
    OwnedFd file(mkstemps(name.data(), 4));  // made 0600: opened up before the text goes in
    if (!file.is_open()) return "";
    const int fd = file.get();
    bool ok = fchmod(fd, shared_file_mode()) == 0 && write_all(fd, text) && fsync(fd) == 0;
    int error = errno;
    if (!file.reset() && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(name.c_str());
        errno = error;
        return "";
    }
    return name;
}

bool place_replacing(const std::string& temporary, const std::string& name) {
    return std::rename(temporary.c_str(), name.c_str()) == 0;
}

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

void sync_directory(const char* path) {
    OwnedFd directory(open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.is_open()) fsync(directory.get());
}
