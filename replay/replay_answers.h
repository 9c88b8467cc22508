// What board_replay --answers and --expect make of the board's answers.
//
// Each answer is decoded as a CleaningComponentResponse and logged after its
// "rev len" line with its round trip, from the write of the step's frame to
// the answer complete, in milliseconds with one decimal:
//
//     [INFO] answer: resp_id: 7 version_info { version: "1.0" } (0.4 ms)
//     [ERROR] answer: resp_id: 8 error_info { code: 1 message: "empty" } (0.3 ms)
//     [ERROR] answer does not decode (0.2 ms)
//
// (ERROR for an answer that carries error_info.) With --expect, each answer
// is compared with the one the recording kept: every field but resp_id, a
// counter, must be equal, strings included. An answer that differs gets a
// line, then one line for each field that differs, named by its path as the
// text format names it (text_difference.h), and the replay goes on:
//
//     [ERROR] step 3: the answer differs from the recording
//     [ERROR] step 3: error_info.message: expected "", got "duty 150 of end spray is ..."
//
// With --fail-on-error (and not --answers), an answer that reports an error
// (error_info with a code or a message) gets the line
//
//     [ERROR] step 3: the answer reports an error: TEXT
//
// However the replay ends, with --answers one line sums it up (", K skipped"
// at its end when --confirm skipped any):
//
//     [INFO] replayed 30 steps: 30 answered, 0 with an error, round trip min 0.2 ms,
//            median 0.3 ms, max 1.9 ms, 0 differ from the recording    (one line)
//
// The round trips are counted per tenth of a millisecond, so a replay that
// loops all night keeps a bounded tally.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "console/exit_status.h"
#include "link/frame.h"
#include "record/record_format.h"

struct AnswerTally {
    bool log_answers = false;            // --answers: each answer logged
    bool expect = false;                 // --expect: each compared with the recorded one
    bool fail_on_error = false;          // --fail-on-error
    size_t replayed = 0;                 // steps whose frame went out
    size_t answered = 0;                 // answers received
    size_t with_error = 0;               // answers with error_info, or that did not decode
    size_t undecoded = 0;                // answers that did not decode
    size_t differ = 0;                   // --expect: answers unlike the recorded one
    size_t reported_error = 0;           // answers that report an error (error_info set)
    size_t skipped = 0;                  // steps skipped at --confirm
    std::map<long, size_t> round_trips;  // tenths of a millisecond -> how many
};

// What was made of one answer.
struct AnswerVerdict {
    bool decoded = false;
    bool reports_error = false;            // error_info with a code or a message
    std::string text;                      // the answer in the text format
    std::vector<std::string> differences;  // --expect: the fields that differ
};

// Decode the answer of step `number` (`action` in the file), taken
// `round_trip_ms` after its frame's write, compare it with the recorded one
// when the tally expects, count it and log what the tally asks for. The lines
// are appended to `held`.
AnswerVerdict judge_answer(AnswerTally& tally, const Action& action, size_t number,
                           const FrameBuffer& frame, size_t length, double round_trip_ms,
                           std::string& held);

// The lines that judge the answer of step `number`, as the log and the
// JUnit report give them: "step N: the answer differs from the recording"
// and a line for each field that differs (none when it does not differ),
// and "step N: the answer reports an error: TEXT".
std::vector<std::string> difference_lines(const AnswerVerdict& verdict, size_t number);
std::string reported_error_line(const AnswerVerdict& verdict, size_t number);

// Log the line that sums the replay up.
void log_tally(const AnswerTally& tally);

// The status a replay that played every step ends with: 6 when --expect
// found a difference, else 7 when --fail-on-error met an error answer, else 0.
int judged_status(const AnswerTally& tally);

// Before --expect sends anything: each step to be played (`steps`, numbered
// from `first`) must carry a recorded answer that decodes. Ends with status
// 3, naming the first step that does not.
Outcome expect_recorded_answers(const std::vector<const Action*>& steps, size_t first);
