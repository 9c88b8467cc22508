// board_replay --junit FILE: the replay as a JUnit XML report, the file CI
// servers (GitLab, Jenkins, GitHub) read test results from:
//
//     <?xml version="1.0" encoding="UTF-8"?>
//     <testsuite name="r.yaml" tests="3" failures="1" errors="0" skipped="1"
//                time="0.012" timestamp="2026-12-10T02:10:32">
//       <properties>...</properties>
//       <testcase name="step 1 platform_cmd: GET_FIRMWARE_VERSION" classname="r"
//                 time="0.000412">
//         <system-out>resp_id: 1 version_info { version: "1.0" }</system-out>
//       </testcase>
//       <testcase name="step 2 water { ... }" classname="r" time="0.000388">
//         <failure message="step 2: the answer differs from the recording">
//     step 2: error_info.message: expected "", got "bad"</failure>
//         <system-out>...</system-out>
//       </testcase>
//       <testcase name="step 3 chassis { cmd: UNLOCK }" classname="r" time="0">
//         <skipped/>
//       </testcase>
//     </testsuite>
//
// One testcase per step played ("pass K step N ..." with --loop), its time
// the round trip in seconds. A failure is a difference --expect found or,
// with --fail-on-error, an answer that reported an error; an error is an
// exchange that failed (no answer, the link closed, an answer that does not
// decode); a step skipped at --confirm is skipped. A replay that a signal
// ended gets one more error testcase, "interrupted", that names the signal
// and the status ("the replay was ended by SIGINT (status 130)"), so that
// its suite never reads as clean. The suite's properties come first:
// "controller" (127.0.0.1:8080), "options" (as given) and "version".
//
// Every text is first made safe to print as the log lines make it
// (printable_text.h), so the file is valid XML 1.0 whatever a controller
// sends; XML's own escaping is pugixml's.
//
// As test runners do, the report replaces the one a run before left at FILE.
// Whether FILE can be written (its folder there and writable, FILE no
// folder) is tried before the replay connects, with a file made and removed
// beside it. The report is held as the steps are played (a few hundred bytes
// a step) and written whole to a temporary file beside FILE, then moved over
// it at once, however the replay ends: FILE is the last report whole, or this
// one whole, never part of either.
#pragma once

#include <ctime>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

struct JunitCase {
    enum Outcome { PASSED, FAILED, ERROR, SKIPPED };
    Outcome outcome = PASSED;
    std::string name;     // "step 3 platform_cmd: GET_FIRMWARE_VERSION"
    double seconds = 0;   // the round trip
    std::string message;  // the failure's or the error's lines, "\n" between them
    std::string out;      // the answer in the text format
};

// The suite's properties, in order: {"controller", "127.0.0.1:8080"}, ...
using JunitProperties = std::vector<std::pair<std::string, std::string>>;

class JunitReport {
  public:
    // Begin the report of a replay of `record_file`, to be written to `path`.
    // False, with an ERROR line naming the file and the reason (status 3 for
    // the caller), when `path` cannot be written.
    bool open(const std::string& path, const std::string& record_file,
              const JunitProperties& properties);
    bool is_open() const { return open_; }

    void add(const JunitCase& step);

    // The error testcase of a replay that ended by the signal whose status
    // is `status` (130, 143, 129).
    void add_interrupted(int status);

    // Write the report; false with an ERROR line when it cannot be written.
    bool finish();

  private:
    bool refuse(const std::string& why);

    bool open_ = false;
    std::string path_;
    std::string classname_;  // the record file's name without ".yaml"
    std::time_t started_ = 0;
    double started_seconds_ = 0;
    size_t counts_[4] = {};  // by outcome
    pugi::xml_document report_;
    pugi::xml_node suite_;
};
