#include "replay/replay_junit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "console/log.h"
#include "console/printable_text.h"
#include "files/file_writing.h"

namespace {

double now_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Each line of `text` made safe to print, the line breaks kept.
std::string printable_lines(const std::string& text) {
    std::string out;
    for (size_t start = 0;;) {
        const size_t end = text.find('\n', start);
        out += printable_text(text.substr(start, end - start));
        if (end == std::string::npos) return out;
        out += '\n';
        start = end + 1;
    }
}

// "SIGINT" for 130, as interrupt_status() gives it.
const char* signal_name(int status) {
    switch (status - 128) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
    }
}

std::string seconds_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

// The report's text, as pugixml prints it.
struct StringWriter : pugi::xml_writer {
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
    std::string text;
};

}  // namespace

bool JunitReport::refuse(const std::string& why) {
    log_error("--junit: cannot write %s: %s\n", printable_text(path_).c_str(), why.c_str());
    return false;
}

bool JunitReport::open(const std::string& path, const std::string& record_file,
                       const JunitProperties& properties) {
    path_ = path;
    struct stat info = {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return refuse(std::strerror(EISDIR));
    // The report's folder must take a new file: tried now, before any step is sent.
    const std::string tried = write_temporary(folder_of(path), ".junit_", "");
    if (tried.empty()) return refuse(std::strerror(errno));
    unlink(tried.c_str());
    const size_t slash = record_file.rfind('/');
    const std::string file =
        slash == std::string::npos ? record_file : record_file.substr(slash + 1);
    const bool yaml = file.size() > 5 && file.compare(file.size() - 5, 5, ".yaml") == 0;
    classname_ = printable_text(yaml ? file.substr(0, file.size() - 5) : file);
    started_ = std::time(nullptr);
    started_seconds_ = now_seconds();
    suite_ = report_.append_child("testsuite");
    suite_.append_attribute("name") = printable_text(file).c_str();
    pugi::xml_node listed = suite_.append_child("properties");
    for (const auto& [name, value] : properties) {
        pugi::xml_node property = listed.append_child("property");
        property.append_attribute("name") = name.c_str();
        property.append_attribute("value") = printable_text(value).c_str();
    }
    open_ = true;
    return true;
}

void JunitReport::add_interrupted(int status) {
    if (!open_) return;
    JunitCase ended;
    ended.outcome = JunitCase::ERROR;
    ended.name = "interrupted";
    ended.message = std::string("the replay was ended by ") + signal_name(status) + " (status " +
                    std::to_string(status) + ")";
    add(ended);
}

void JunitReport::add(const JunitCase& step) {
    static const char* const ELEMENTS[] = {"", "failure", "error", "skipped"};
    ++counts_[step.outcome];
    pugi::xml_node test = suite_.append_child("testcase");
    test.append_attribute("name") = printable_text(step.name).c_str();
    test.append_attribute("classname") = classname_.c_str();
    test.append_attribute("time") = seconds_text(step.seconds).c_str();
    if (step.outcome != JunitCase::PASSED) {
        pugi::xml_node what = test.append_child(ELEMENTS[step.outcome]);
        const std::string lines = printable_lines(step.message);
        if (!lines.empty()) {
            what.append_attribute("message") = lines.substr(0, lines.find('\n')).c_str();
            what.text() = lines.c_str();
        }
    }
    if (!step.out.empty())
        test.append_child("system-out").text() = printable_text(step.out).c_str();
}

bool JunitReport::finish() {
    if (!open_) return true;
    char timestamp[32] = {};
    std::tm local = {};
    localtime_r(&started_, &local);
    std::strftime(timestamp, sizeof timestamp, "%Y-%m-%dT%H:%M:%S", &local);
    const size_t tests = counts_[0] + counts_[1] + counts_[2] + counts_[3];
    // The counts go after the name, before the steps: attributes in the order readers show them.
    pugi::xml_attribute after = suite_.attribute("name");
    for (const auto& [name, value] :
         {std::pair<const char*, std::string>{"tests", std::to_string(tests)},
          {"failures", std::to_string(counts_[JunitCase::FAILED])},
          {"errors", std::to_string(counts_[JunitCase::ERROR])},
          {"skipped", std::to_string(counts_[JunitCase::SKIPPED])},
          {"time", seconds_text(now_seconds() - started_seconds_)},
          {"timestamp", timestamp}}) {
        after = suite_.insert_attribute_after(name, after);
        after = value.c_str();
    }
    StringWriter report;
    report_.save(report, "  ", pugi::format_default, pugi::encoding_utf8);
    open_ = false;
    const std::string temporary = write_temporary(folder_of(path_), ".junit_", report.text);
    if (temporary.empty()) return refuse(std::strerror(errno));
    if (!place_replacing(temporary, path_)) {
        const int error = errno;
        unlink(temporary.c_str());
        return refuse(std::strerror(error));
    }
    sync_directory(folder_of(path_).c_str());
    return true;
}
