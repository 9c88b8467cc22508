#include "replay/record_file.h"

#include <yaml-cpp/yaml.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>

#include "runtime/frame.h"
#include "runtime/log.h"

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

bool hex_to_bytes(const std::string& text, std::vector<uint8_t>& bytes, size_t& position) {
    bytes.clear();
    bytes.reserve((text.size() + 1) / 2);
    for (position = 0; position < text.size(); position += 2) {
        std::string slice = text.substr(position, 2);
        char* end = nullptr;
        unsigned long value = std::strtoul(slice.c_str(), &end, 16);
        if (end == slice.c_str()) return false;
        bytes.push_back(static_cast<uint8_t>(value & 0xff));
    }
    return true;
}

namespace {

std::string at_line(const YAML::Node& node) {
    // A null node has no text of its own; its mark points past it.
    const YAML::Mark mark = node.Mark();
    if (mark.is_null() || node.IsNull()) return "";
    return "line " + std::to_string(mark.line + 1) + ": ";
}

LoadedActions failure(std::string error) {
    LoadedActions loaded;
    loaded.error = std::move(error);
    return loaded;
}

// The two fields of an element, looked up key by key: an alias can repeat a
// map of many keys, so every key looked at counts towards MAX_RECORDING_KEYS.
struct Fields {
    std::optional<YAML::Node> hex;
    std::optional<YAML::Node> delay;
};

bool find_fields(const YAML::Node& element, Fields& fields, size_t& keys) {
    for (auto it = element.begin(); it != element.end(); ++it) {
        if (++keys > MAX_RECORDING_KEYS) return false;
        const YAML::Node key = it->first;
        if (!key.IsScalar()) continue;
        if (!fields.hex && key.Scalar() == "hexData") fields.hex.emplace(it->second);
        if (!fields.delay && key.Scalar() == "delay") fields.delay.emplace(it->second);
    }
    return true;
}

// One element of the top-level sequence; `number` counts from 1.
bool read_action(const YAML::Node& element, size_t number, size_t& keys, Action& action,
                 std::string& error) {
    // Formed only for an error: most entries have none.
    auto where = [&element, number] {
        return at_line(element) + "entry " + std::to_string(number);
    };
    if (!element.IsMap()) {
        error = where() + " is not a map";
        return false;
    }
    Fields fields;
    if (!find_fields(element, fields, keys)) {
        error = where() + ": the entries add up to more than " +
                std::to_string(MAX_RECORDING_KEYS) + " keys (aliases repeating a map?)";
        return false;
    }
    if (!fields.hex || !fields.delay) {
        error = where() + " lacks \"" + std::string(fields.hex ? "delay" : "hexData") + "\"";
        return false;
    }
    const YAML::Node& hex = *fields.hex;
    const YAML::Node& delay = *fields.delay;
    if (hex.IsNull()) {
        error = where() + ": \"hexData\" has no value";
        return false;
    }
    if (!hex.IsScalar()) {
        error = where() + ": \"hexData\" is not a text";
        return false;
    }
    size_t position = 0;
    if (!hex_to_bytes(hex.Scalar(), action.data, position)) {
        error = where() + ": \"hexData\" has no hex digit at position " + std::to_string(position);
        return false;
    }
    if (action.data.size() > MAX_ACTION_BYTES) {
        error = where() + ": frame of " + std::to_string(action.data.size()) +
                " bytes is longer than " + std::to_string(MAX_ACTION_BYTES);
        return false;
    }
    if (!delay.IsScalar() || !YAML::convert<int32_t>::decode(delay, action.delay)) {
        error = at_line(delay) + "entry " + std::to_string(number) +
                ": \"delay\" is not a 32-bit integer";
        return false;
    }
    return true;
}

}  // namespace

LoadedActions parse_actions(const std::string& text) {
    if (yaml_marks(text) > MAX_YAML_MARKS) {
        return failure("too many YAML nodes to be a recording (more than " +
                       std::to_string(MAX_YAML_MARKS) + " structure marks)");
    }
    try {
        const YAML::Node root = YAML::Load(text);
        if (!root.IsDefined() || root.IsNull() || root.IsScalar()) {
            LoadedActions empty;
            empty.ok = true;
            return empty;
        }
        if (root.IsMap()) return failure(at_line(root) + "the top level is a map, not a sequence");
        LoadedActions loaded;
        size_t number = 0;
        size_t keys = 0;
        size_t frame_bytes = 0;
        for (const YAML::Node& element : root) {
            Action action;
            if (!read_action(element, ++number, keys, action, loaded.error)) {
                return failure(loaded.error);
            }
            frame_bytes += action.data.size();
            if (frame_bytes > MAX_RECORDING_BYTES) {
                return failure(at_line(element) + "entry " + std::to_string(number) +
                               ": the frames add up to more than " +
                               std::to_string(MAX_RECORDING_BYTES >> 20) +
                               " MiB (aliases repeating a frame?)");
            }
            loaded.actions.push_back(std::move(action));
        }
        loaded.ok = true;
        return loaded;
    } catch (const YAML::Exception& e) {
        std::string where =
            e.mark.is_null() ? "" : "line " + std::to_string(e.mark.line + 1) + ": ";
        return failure(where + "not valid YAML (" + e.msg + ")");
    } catch (const std::bad_alloc&) {
        return failure("out of memory while reading it");
    }
}
