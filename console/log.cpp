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

// "[YYYY-MM-DD hh:mm:ss] " of the current second, formed once per second (per
// thread) and again when the time zone changes (tzset()).
const std::string& time_prefix() {
    thread_local std::time_t formed_for = -1;
    thread_local long formed_zone = 0;
    thread_local std::string prefix;
    std::time_t now = std::time(nullptr);
    if (now != formed_for || ::timezone != formed_zone) {
        formed_zone = ::timezone;
        std::tm local = {};
        localtime_r(&now, &local);
        char stamp[32] = {};
        std::strftime(stamp, sizeof stamp, "[%Y-%m-%d %H:%M:%S] ", &local);
        prefix = stamp;
        formed_for = now;
    }
    return prefix;
}

void append_line(std::string& out, const char* level, const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char message[LINE_ROOM];
    int length = std::vsnprintf(message, sizeof message, format, args);
    if (length >= 0) {
        append_log_prefix(out, level);
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

// Write all of `text` to standard output, waiting while a non-blocking
// output is full.
bool write_fully(const std::string& text) {
    size_t done = 0;
    for (;;) {
        size_t written = 0;
        bool whole = write_all(STDOUT_FILENO, text.data() + done, text.size() - done, written);
        done += written;
        if (whole) return true;
        if (errno != EAGAIN) return false;
        wait_until_ready(STDOUT_FILENO, POLLOUT, -1);
    }
}

void write_out(const std::string& text) {
    if (!text.empty() && !write_fully(text)) output_failed = true;
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

void append_log_prefix(std::string& out, const char* level) {
    out += time_prefix();
    out += '[';
    out += level;
    out += "] ";
}

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

bool standard_output_failed() {
    return output_failed;
}
