// board_replay --junit FILE: the replay as a JUnit XML report, the file CI
// servers (GitLab, Jenkins, GitHub) read test results from:
//
//     <?xml version="1.0" encoding="UTF-8"?>
//     <testsuite name="r.yaml" tests="3" failures="1" errors="0" skipped="1"
//                time="0.012" timestamp="2026-12-10T02:10:32">
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
// decode); a step skipped at --confirm is skipped. Every text is first made
// safe to print as the log lines make it (printable_text.h), so the file is
// valid XML 1.0 whatever a controller sends; XML's own escaping is
// pugixml's.
//
// The file is new: one that exists is refused before the replay connects.
// The report is held as the steps are played (a few hundred bytes a step)
// and written whole to a temporary file beside FILE, then moved into place,
// never over another file, however the replay ends.
#pragma once

#include <pugixml.hpp>

#include <ctime>
#include <string>

struct JunitCase {
    enum Outcome { PASSED, FAILED, ERROR, SKIPPED };
    Outcome outcome = PASSED;
    std::string name;     // "step 3 platform_cmd: GET_FIRMWARE_VERSION"
    double seconds = 0;   // the round trip
    std::string message;  // the failure's or the error's lines, "\n" between them
    std::string out;      // the answer in the text format
};

class JunitReport {
  public:
    // Refuse an existing `path` (status 3 for the caller); false with an
    // ERROR line naming the file and the reason.
    bool open(const std::string& path, const std::string& record_file);
    bool is_open() const { return !path_.empty(); }

    void add(const JunitCase& step);

    // Write the report; false with an ERROR line when it cannot be written.
    bool finish();

  private:
    bool refuse(const std::string& why);

    std::string path_;
    std::string classname_;  // the record file's name without ".yaml"
    std::time_t started_ = 0;
    double started_seconds_ = 0;
    size_t counts_[4] = {};  // by outcome
    pugi::xml_document report_;
    pugi::xml_node suite_;
};
