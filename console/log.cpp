#include "console/log.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "console/interrupt.h"
#include "files/file_writing.h"

namespace {

// Room for the message of most lines; a longer one is formed again in full.
constexpr size_t LINE_ROOM = 1024;

std::atomic<bool> output_failed{false};  // any thread may find it failed
// Once set, the console (log lines, menus, prompts) is standard error, and
// standard output carries only what a script reads (--json).
std::atomic<bool> console_on_stderr{false};

// "[YYYY-MM-DD hh:mm:ss] [LEVEL] " of the current second, formed once per
// second (per thread and level) and again when the time zone changes
// (tzset()).
struct FormedPrefix {
    std::time_t second = -1;
    long zone = 0;
    std::string text;
};

}  // namespace

const std::string& log_prefix(const char* level) {
    thread_local FormedPrefix formed[3];  // INFO, ERROR, DEBUG
    FormedPrefix& prefix = formed[level[0] == 'I' ? 0 : level[0] == 'E' ? 1 : 2];
    const std::time_t now = std::time(nullptr);
    if (now != prefix.second || ::timezone != prefix.zone) {
        prefix.zone = ::timezone;
        std::tm local = {};
        localtime_r(&now, &local);
        char stamp[32] = {};
        std::strftime(stamp, sizeof stamp, "[%Y-%m-%d %H:%M:%S] ", &local);
        prefix.text = std::string(stamp) + "[" + level + "] ";
        prefix.second = now;
    }
    return prefix.text;
}

namespace {

void append_line(std::string& out, const char* level, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char message[LINE_ROOM];
    int length = std::vsnprintf(message, sizeof message, format, args);
    if (length >= 0) {
        out += log_prefix(level);
        if (static_cast<size_t>(length) < sizeof message) {
            out.append(message, static_cast<size_t>(length));
        } else {
            const size_t message_at = out.size();
            out.resize(message_at + static_cast<size_t>(length));
            // The string's own terminator slot takes vsnprintf's zero.
            std::vsnprintf(&out[message_at], static_cast<size_t>(length) + 1, format, again);
        }
    }
    va_end(again);
}

// Write all of `text` to `fd`, waiting while a non-blocking output is full.
bool write_fully(int fd, const std::string& text) {
    size_t done = 0;
    for (;;) {
        size_t written = 0;
        bool whole = write_all(fd, text.data() + done, text.size() - done, written);
        done += written;
        if (whole) return true;
        if (errno != EAGAIN) return false;
        wait_until_ready(fd, POLLOUT, -1);
    }
}

void write_to(int fd, const std::string& text) {
    if (!text.empty() && !write_fully(fd, text)) output_failed = true;
}

void write_out(const std::string& text) {
    write_to(console_on_stderr ? STDERR_FILENO : STDOUT_FILENO, text);
}

void write_line(std::string* held, const char* level, const char* format, va_list args) {
    if (held != nullptr) {
        append_line(*held, level, format, args);
        return;
    }
    std::string line;
    append_line(line, level, format, args);
    write_out(line);
}

}  // namespace

void log_info(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line(nullptr, "INFO", format, args);
    va_end(args);
}

void log_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line(nullptr, "ERROR", format, args);
    va_end(args);
}

void log_debug(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line(nullptr, "DEBUG", format, args);
    va_end(args);
}

void log_to(std::string* held, const char* level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line(held, level, format, args);
    va_end(args);
}

void write_console(const std::string& text) {
    write_out(text);
}

bool put_out(std::string& held) {
    write_out(held);
    held.clear();
    return !output_failed;
}

bool put_out_data(std::string& held) {
    write_to(STDOUT_FILENO, held);
    held.clear();
    return !output_failed;
}

void console_to_stderr() {
    console_on_stderr = true;
}

bool standard_output_failed() {
    return output_failed;
}
