// Rules of the house that the code is checked against. Every blocking wait
// of the programs goes through wait_until_ready(), the one place where a
// caught signal (Ctrl-C, SIGTERM, SIGHUP) can end it: a call that blocks
// anywhere else would make a run that no signal can stop. And no product
// folder outgrows 1,000 non-blank lines, nor a product file 250.
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
    {"connect",
     "program/connection.cpp"},         // bounded by the send time-out, before any signal is caught
    {"accept4", "serve/listener.cpp"},  // on a non-blocking listener
    // The same for arm_monitor --serve's viewers, which are let in without
    // the simulators' log lines.
    {"accept4", "websocket/websocket_listener.cpp"},
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

const std::filesystem::path ROOT = VOSTREL_SOURCE_DIR;

// Every folder of the product: each folder with a CMakeLists.txt but those
// beside the product (tests, fuzzers, the benchmark and its baselines).
std::vector<std::string> product_folders() {
    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(ROOT)) {
        const std::string name = entry.path().filename().string();
        if (!std::filesystem::exists(entry.path() / "CMakeLists.txt")) continue;
        if (name == "tests" || name == "fuzz" || name == "bench" || name == "bench_rig" ||
            name == "baselines") {
            continue;
        }
        folders.push_back(name);
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

std::vector<std::filesystem::path> files_of(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ROOT / folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

bool is_source(const std::filesystem::path& path) {
    return path.extension() == ".cpp" || path.extension() == ".h";
}

TEST(BlockingCalls, OnlyTheInterruptibleWaitBlocks) {
    const std::vector<std::string> folders = product_folders();
    for (const char* expected :
         {"arm", "board", "check", "console", "files", "link", "live", "one_shot", "program", "proto",
          "protojson", "prototext", "record", "report", "screen", "serve", "sim", "watch"}) {
        EXPECT_NE(std::find(folders.begin(), folders.end(), expected), folders.end()) << expected;
    }
    std::vector<bool> used(std::size(ALLOWED), false);
    size_t files = 0;
    for (const std::string& folder : folders) {
        for (const std::filesystem::path& path : files_of(folder)) {
            if (!is_source(path)) continue;
            ++files;
            const std::string file = std::filesystem::relative(path, ROOT).string();
            for (const std::string& call : calls_in(code_of(path))) {
                if (std::find(std::begin(BLOCKING), std::end(BLOCKING), call) ==
                    std::end(BLOCKING)) {
                    continue;
                }
                EXPECT_TRUE(allowed(call, file))
                    << file << " calls " << call << "(): wait in wait_until_ready() instead";
                for (size_t i = 0; i < std::size(ALLOWED); ++i) {
                    if (call == ALLOWED[i].call && file == ALLOWED[i].file) used[i] = true;
                }
            }
        }
    }
    EXPECT_GT(files, 100u);
    for (size_t i = 0; i < std::size(ALLOWED); ++i) {
        EXPECT_TRUE(used[i]) << ALLOWED[i].file << " no longer calls " << ALLOWED[i].call
                             << "(): drop it from the allowed calls";
    }
}

size_t non_blank_lines(const std::filesystem::path& path) {
    std::ifstream in(path);
    size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) ++count;
    }
    return count;
}

// Small files, one concept each, in folders a reader can hold in mind.
TEST(HouseRules, FoldersAndFilesStayWithinTheirSize) {
    constexpr size_t FOLDER_LINES = 1000;
    constexpr size_t FILE_LINES = 250;
    std::vector<std::string> folders = product_folders();
    folders.insert(folders.end(), {"bench", "bench_rig", "baselines"});
    for (const std::string& folder : folders) {
        size_t lines = 0;
        for (const std::filesystem::path& path : files_of(folder)) {
            if (path.extension() == ".md") continue;  // prose: the results page
            const size_t in_file = non_blank_lines(path);
            lines += in_file;
            if (folder.rfind("bench", 0) != 0 && folder != "baselines" && is_source(path)) {
                EXPECT_LE(in_file, FILE_LINES) << std::filesystem::relative(path, ROOT);
            }
        }
        EXPECT_LE(lines, FOLDER_LINES) << folder << "/ holds " << lines << " non-blank lines";
    }
}

}  // namespace
