// Record files: the frames board_recorder sent, for board_replay to send again.
//
// One YAML document, a sequence with one map per frame sent, in send order:
//
//     - hexData: 02001001   # the frame as sent, header included: two lower-case
//       delay: 2            #   hex digits per byte; seconds to wait after its
//     - hexData: 0000       #   answer; a negative delay marks the last step
//       delay: -1
//
// board_recorder --keep-answers adds to each map, after "delay", the key
// "answer": the answer's whole frame as received, header included, in the
// same hex (board_replay --expect compares the answers it gets with these):
//
//     - hexData: 02001001
//       delay: 2
//       answer: 0b0008011207...
//
// Keys may come in any order, and every reader ignores the keys it does not
// know, so a file with answers replays as any other. The hex text is read two
// digits at a time, upper case accepted; anything else ("0200-1ff", a lone
// last digit, "0g") makes the entry an error (an answer that is not hex is
// no answer). An empty, null or scalar document is an empty recording.
//
// The file is named record_YYYYMMDD_hhmmss.yaml after the local time of saving
// and lives in the working directory. It is written to a temporary file and
// moved into place, so it is either absent or complete, and it never replaces
// another file: a second recording in the same second becomes
// record_YYYYMMDD_hhmmss_1.yaml (then _2, ...).
//
// Limits when reading, set before yaml-cpp sees the text: it spends some 700
// bytes per node and recurses per nesting level, so hostile text could take
// gigabytes or the stack. The file is a regular file (a FIFO or a device could
// block the replayer while it holds the board link) of at most
// MAX_RECORD_FILE_BYTES (a recording of a thousand full-size frames takes
// 2 MiB) with at most MAX_YAML_MARKS structure marks (':', '-', ',', '[', '{'
// and line breaks: about five per entry, so some 60000 entries). A frame is at
// most MAX_ACTION_BYTES (the replayer's writes count in 16 bits), and all the
// frames and answers together at most MAX_RECORDING_BYTES, with at most MAX_RECORDING_KEYS
// map keys in all the entries: a YAML alias repeats a frame or a map without
// repeating its text, and no plain file within the limits comes near either.
// board_recorder keeps its recordings within these limits (recording_full()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t MAX_RECORD_FILE_BYTES = 4u << 20;
constexpr size_t MAX_YAML_MARKS = 300000;
constexpr size_t MAX_ACTION_BYTES = 65535;
constexpr size_t MAX_RECORDING_BYTES = MAX_RECORD_FILE_BYTES;
constexpr size_t MAX_RECORDING_KEYS = MAX_YAML_MARKS;

// One recorded step: the frame exactly as sent and the delay after its
// answer, and the answer's frame where one was kept.
struct Action {
    std::vector<uint8_t> data;
    int32_t delay = 0;
    bool has_answer = false;
    std::vector<uint8_t> answer;
    // Why the entry's "answer" could not be read as hex text ("" when it
    // could or there is none): such an answer is no answer, and the step
    // still replays; --check flags it and --expect refuses it.
    std::string answer_fault;
};

// The YAML text of a recording.
std::string record_text(const std::vector<Action>& actions);

// The text of one entry as a record file holds it, without the line break
// that follows it: "- hexData: 02001001\n  delay: 2".
std::string entry_text(const Action& action);

// The structure marks of `text` that the reading limit counts.
size_t yaml_marks(const std::string& text);

// What a recording takes of the reading limits, counted entry by entry, each
// with the line break that follows it.
struct RecordSize {
    size_t bytes = 0;
    size_t marks = 0;
};
void add_entry(RecordSize& size, const Action& action);
void add_entry(RecordSize& size, const std::string& entry_text);

// True when one more entry, of the largest frame a tool builds and the
// longest delay (and the largest answer, `with_answers`), could take the
// recording beyond what load_actions accepts.
bool recording_full(const RecordSize& size, bool with_answers = false);
