#include "record/record_format.h"

#include <yaml-cpp/yaml.h>

#include <cstdint>

#include "console/hex_text.h"
#include "link/frame.h"

namespace {

// The recording's sequence of maps, in yaml-cpp's default block style: hex
// digits and integers go out plain, an empty frame as "" (bare, it would read
// as null).
void emit_entries(YAML::Emitter& out, const Action* actions, size_t count) {
    out << YAML::BeginSeq;
    for (size_t i = 0; i < count; ++i) {
        const Action& action = actions[i];
        out << YAML::BeginMap;
        out << YAML::Key << "hexData" << YAML::Value
            << to_hex_text(action.data.data(), action.data.size());
        out << YAML::Key << "delay" << YAML::Value << action.delay;
        if (action.has_answer) {
            out << YAML::Key << "answer" << YAML::Value
                << to_hex_text(action.answer.data(), action.answer.size());
        }
        out << YAML::EndMap;
    }
    out << YAML::EndSeq;
}

}  // namespace

std::string record_text(const std::vector<Action>& actions) {
    YAML::Emitter out;
    emit_entries(out, actions.data(), actions.size());
    return out.c_str();
}

std::string entry_text(const Action& action) {
    YAML::Emitter out;
    emit_entries(out, &action, 1);
    return out.c_str();
}

size_t yaml_marks(const std::string& text) {
    size_t marks = 0;
    for (char c : text) {
        if (c == ':' || c == '-' || c == ',' || c == '[' || c == '{' || c == '\n') ++marks;
    }
    return marks;
}

void add_entry(RecordSize& size, const Action& action) {
    add_entry(size, entry_text(action));
}

void add_entry(RecordSize& size, const std::string& entry_text) {
    size.bytes += entry_text.size() + 1;  // and the line break after it
    size.marks += yaml_marks(entry_text) + 1;
}

namespace {

RecordSize largest_entry(bool with_answer) {
    Action largest;
    largest.data.assign(FRAME_BUFFER_SIZE, 0);
    largest.delay = INT32_MIN;
    largest.has_answer = with_answer;
    if (with_answer) largest.answer.assign(FRAME_BUFFER_SIZE, 0);
    RecordSize entry;
    add_entry(entry, largest);
    return entry;
}

}  // namespace

bool recording_full(const RecordSize& size, bool with_answers) {
    static const RecordSize LARGEST_ENTRY = largest_entry(false);
    static const RecordSize LARGEST_ANSWERED_ENTRY = largest_entry(true);
    const RecordSize& largest = with_answers ? LARGEST_ANSWERED_ENTRY : LARGEST_ENTRY;
    return size.bytes + largest.bytes > MAX_RECORD_FILE_BYTES ||
           size.marks + largest.marks > MAX_YAML_MARKS;
}
