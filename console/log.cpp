#include "console/log.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "console/interrupt.h"
#include "files/file_writing.h"

namespace {

constexpr size_t LINE_BUFFER_SIZE = 1024;
constexpr size_t HELD_OUTPUT_LIMIT = 256 * 1024;
constexpr int PIPE_SIZE = 1024 * 1024;  // what an unprivileged process may ask for

std::atomic<bool> output_failed{false};  // any thread may find it failed
bool holding = false;
std::string held;  // lines gathered while holding

// "[YYYY-MM-DD hh:mm:ss] " of the current second, formed once per second (per
// thread) and again when the time zone changes (tzset()).
const char* time_prefix(size_t& length) {
    thread_local std::time_t formed_for = -1;
    thread_local long formed_zone = 0;
    thread_local char prefix[32] = {};
    thread_local size_t prefix_length = 0;
    std::time_t now = std::time(nullptr);
    if (now != formed_for || ::timezone != formed_zone) {
        formed_zone = ::timezone;
        std::tm local = {};
        localtime_r(&now, &local);
        char timestamp[20] = {};
        std::strftime(timestamp, sizeof timestamp, "%Y-%m-%d %H:%M:%S", &local);
        prefix_length =
            static_cast<size_t>(std::snprintf(prefix, sizeof prefix, "[%s] ", timestamp));
        formed_for = now;
    }
    length = prefix_length;
    return prefix;
}

// Write all of `text` to standard output, waiting while a non-blocking
// output is full.
bool write_fully(const char* text, size_t length) {
    size_t done = 0;
    for (;;) {
        size_t written = 0;
        bool whole = write_all(STDOUT_FILENO, text + done, length - done, written);
        done += written;
        if (whole) return true;
        if (errno != EAGAIN) return false;
        wait_until_ready(STDOUT_FILENO, POLLOUT, -1);
    }
}

void write_out(const char* text, size_t length) {
    if (holding) {
        held.append(text, length);
        if (held.size() >= HELD_OUTPUT_LIMIT) flush_output();
        return;
    }
    if (std::fwrite(text, 1, length, stdout) != length || std::fflush(stdout) != 0) {
        output_failed = true;
        std::clearerr(stdout);
    }
}

void write_line(const char* level, const char* format, va_list args) {
    size_t time_length = 0;
    const char* time_text = time_prefix(time_length);
    char line[LINE_BUFFER_SIZE];
    std::memcpy(line, time_text, time_length);
    int prefix = static_cast<int>(time_length) +
                 std::snprintf(line + time_length, sizeof line - time_length, "[%s] ", level);
    va_list again;
    va_copy(again, args);
    int message = std::vsnprintf(line + prefix, sizeof line - prefix, format, args);
    if (message < 0) {
        va_end(again);
        return;
    }
    size_t length = static_cast<size_t>(prefix) + static_cast<size_t>(message);
    if (length < sizeof line) {
        write_out(line, length);
    } else {
        // Too long for the line buffer: form it again where it fits, never cut it.
        std::vector<char> whole(length + 1);
        std::memcpy(whole.data(), line, static_cast<size_t>(prefix));
        std::vsnprintf(whole.data() + prefix, whole.size() - prefix, format, again);
        write_out(whole.data(), length);
    }
    va_end(again);
}

}  // namespace

void log_info(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line("INFO", format, args);
    va_end(args);
}

void log_error(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line("ERROR", format, args);
    va_end(args);
}

void log_debug(const char* format, ...) {
    va_list args;
    va_start(args, format);
    write_line("DEBUG", format, args);
    va_end(args);
}

std::string to_hex_text(const uint8_t* bytes, size_t count) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text.push_back(DIGITS[bytes[i] >> 4]);
        text.push_back(DIGITS[bytes[i] & 0x0f]);
    }
    return text;
}

void write_console(const std::string& text) {
    write_out(text.data(), text.size());
}

bool standard_output_failed() {
    return output_failed;
}

void hold_output() {
    std::fflush(stdout);
    if (!holding) {
        before_every_wait([] {
            flush_output();
            return Deadline::max();
        });
        std::atexit([] { flush_output(); });
    }
    holding = true;
    held.reserve(HELD_OUTPUT_LIMIT + LINE_BUFFER_SIZE * 4);
    // Into a pipe, a large buffer lets the writer and the reader take turns less often.
    struct stat output = {};
    if (fstat(STDOUT_FILENO, &output) == 0 && S_ISFIFO(output.st_mode)) {
        fcntl(STDOUT_FILENO, F_SETPIPE_SZ, PIPE_SIZE);
    }
}

bool flush_output() {
    if (held.empty()) return !output_failed;
    if (!write_fully(held.data(), held.size())) output_failed = true;
    held.clear();
    return !output_failed;
}

void append_line_prefix(std::string& text, const char* level) {
    size_t time_length = 0;
    const char* time_text = time_prefix(time_length);
    text.append(time_text, time_length);
    text += '[';
    text += level;
    text += "] ";
}

void write_lines(const std::string& text) {
    write_out(text.data(), text.size());
}
