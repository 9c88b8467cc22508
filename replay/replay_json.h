// board_replay --json: one JSON object per step played, each on its own line
// of standard output (JSON Lines), and a last one that sums the replay up;
// the console (the log lines) is standard error.
//
//     {"step":1,"pass":1,"request":{"platformCmd":1},"answer":{"respId":1,"versionInfo":{"version":"1.0"}},"roundTripMs":0.4}
//     {"step":2,"pass":1,"request":{"chassis":{"cmd":1}},"answer":{"respId":2},"roundTripMs":0.3,
//      "verdict":"differs","differences":["error_info: expected { code: 1 }, got absent"]}
//     {"step":3,"pass":1,"request":{},"error":"no answer: the board closed the link"}
//     {"summary":{"replayed":3,"answered":2,"withError":0,"differ":1,"skipped":0,"status":2}}
//
// The request and the answer are in the protobuf JSON mapping
// (protojson/json_writer.h); one that does not decode is given as hex
// ("requestHex", "answerHex"). With --expect each answered step has a verdict:
// "same", "differs" (with the differences, as the log lines name them) or
// "undecodable". A step skipped at --confirm has "skipped":true; one whose
// exchange failed, "error" and why.
#pragma once

#include <cstddef>
#include <string>

#include "link/frame.h"
#include "record/record_format.h"
#include "replay/replay_answers.h"

// The line of a step answered with the `length` bytes of `frame`, its round
// trip and, with `expect`, the verdict.
std::string answered_step_json(const Action& action, size_t number, long pass,
                               const FrameBuffer& frame, size_t length, double round_trip_ms,
                               const AnswerVerdict& verdict, bool expect);

// The line of a step that was not answered: skipped, or why its exchange failed.
std::string unanswered_step_json(const Action& action, size_t number, long pass, bool skipped,
                                 const std::string& error);

// The last line: the tally and the status the replay ends with.
std::string summary_json(const AnswerTally& tally, int status);
