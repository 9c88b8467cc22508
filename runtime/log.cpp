#include "runtime/log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr size_t LINE_BUFFER_SIZE = 1024;

bool output_failed = false;

void write_out(const char* text, size_t length) {
    if (std::fwrite(text, 1, length, stdout) != length || std::fflush(stdout) != 0) {
        output_failed = true;
        std::clearerr(stdout);
    }
}

void write_line(const char* level, const char* format, va_list args) {
    char timestamp[20] = {};
    std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    std::strftime(timestamp, sizeof timestamp, "%Y-%m-%d %H:%M:%S", &local);

    char line[LINE_BUFFER_SIZE];
    int prefix = std::snprintf(line, sizeof line, "[%s] [%s] ", timestamp, level);
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
        std::snprintf(whole.data(), whole.size(), "[%s] [%s] ", timestamp, level);
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
