// Every blocking wait of the programs goes through wait_until_ready(), the one
// place where a caught signal (Ctrl-C, SIGTERM, SIGHUP) can end it: a call that
// blocks anywhere else would make a run that no signal can stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct Allowed {
    const char* call;
    const char* file;  // relative to the source tree
};

// The waits themselves, and calls made only once a wait says they will not block.
const Allowed ALLOWED[] = {
    {"ppoll", "console/interrupt.cpp"},
    {"poll", "console/interrupt.cpp"},
    {"connect",
     "program/connection.cpp"},         // bounded by the send time-out, before any signal is caught
    {"accept4", "serve/listener.cpp"},  // on a non-blocking listener
};

bool allowed(const std::string& call, const std::string& file) {
    for (const Allowed& a : ALLOWED) {
        if (call == a.call && file == a.file) return true;
    }
    return false;
}

const char* const BLOCKING[] = {
    "poll",        "ppoll",   "select",     "pselect",         "epoll_wait",
    "sleep",       "usleep",  "nanosleep",  "clock_nanosleep", "sleep_for",
    "sleep_until", "pause",   "sigsuspend", "sigwait",         "accept",
    "accept4",     "connect", "recv",       "recvfrom"};

// The text of a source file with its comments and string literals blanked.
std::string code_of(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    std::string code;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            if (i == std::string::npos) break;
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
        } else if (text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
            }
        } else {
            code += text[i];
        }
    }
    return code;
}

bool is_identifier_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The names in `code` that are called: an identifier, blanks, then "(".
std::vector<std::string> calls_in(const std::string& code) {
    std::vector<std::string> calls;
    for (size_t i = 0; i < code.size();) {
        if (!is_identifier_char(code[i]) || (i > 0 && is_identifier_char(code[i - 1]))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < code.size() && is_identifier_char(code[end])) ++end;
        size_t after = code.find_first_not_of(" \t\n", end);
        if (after != std::string::npos && code[after] == '(') {
            calls.push_back(code.substr(i, end - i));
        }
        i = end;
    }
    return calls;
}

TEST(BlockingCalls, OnlyTheInterruptibleWaitBlocks) {
    const std::filesystem::path root = VOSTREL_SOURCE_DIR;
    size_t files = 0;
    for (const char* folder : {"files", "console", "proto", "prototext", "link", "record",
                               "program", "board", "arm", "sim"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            ++files;
            std::string file = std::filesystem::relative(entry.path(), root).string();
            for (const std::string& call : calls_in(code_of(entry.path()))) {
                bool blocking =
                    std::find(std::begin(BLOCKING), std::end(BLOCKING), call) != std::end(BLOCKING);
                EXPECT_TRUE(!blocking || allowed(call, file))
                    << file << " calls " << call << "(): wait in wait_until_ready() instead";
            }
        }
    }
    EXPECT_GT(files, 40u);
}

}  // namespace
