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

bool recording_full(const RecordSize& size) {
    static const RecordSize LARGEST_ENTRY = [] {
        Action largest;
        largest.data.assign(FRAME_BUFFER_SIZE, 0);
        largest.delay = INT32_MIN;
        RecordSize entry;
        add_entry(entry, largest);
        return entry;
    }();
    return size.bytes + LARGEST_ENTRY.bytes > MAX_RECORD_FILE_BYTES ||
           size.marks + LARGEST_ENTRY.marks > MAX_YAML_MARKS;
}
