#include "tests/support/capture.h"

#include <unistd.h>

#include <cstdio>

StdoutCapture::StdoutCapture() {
    std::fflush(stdout);
    char path[] = "/tmp/vostrel-capture-XXXXXX";
    file_fd_ = mkstemp(path);
    unlink(path);
    saved_fd_ = dup(STDOUT_FILENO);
    dup2(file_fd_, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    finish();
}

std::string StdoutCapture::finish() {
    if (finished_) return {};
    finished_ = true;
    std::fflush(stdout);
    dup2(saved_fd_, STDOUT_FILENO);
    close(saved_fd_);
    std::string text;
    lseek(file_fd_, 0, SEEK_SET);
    char chunk[4096];
    ssize_t n;
    while ((n = read(file_fd_, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<size_t>(n));
    close(file_fd_);
    return text;
}

namespace {

// "[YYYY-MM-DD hh:mm:ss] " at `at`?
bool is_timestamp_prefix(const std::string& text, size_t at) {
    static const char PATTERN[] = "[dddd-dd-dd dd:dd:dd] ";
    for (size_t i = 0; PATTERN[i] != '\0'; ++i) {
        if (at + i >= text.size()) return false;
        char c = text[at + i];
        bool ok = PATTERN[i] == 'd' ? (c >= '0' && c <= '9') : c == PATTERN[i];
        if (!ok) return false;
    }
    return true;
}

}  // namespace

std::string without_timestamps(const std::string& text) {
    const size_t prefix_length = 22;
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '[' && is_timestamp_prefix(text, i)) {
            out += "[T] ";
            i += prefix_length;
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}
