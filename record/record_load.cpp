#include "record/record_load.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "console/hex_text.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "files/file_writing.h"

namespace {

std::string at_line(const YAML::Node& node) {
    // A null node has no text of its own; its mark points past it.
    const YAML::Mark mark = node.Mark();
    if (mark.is_null() || node.IsNull()) return "";
    return "line " + std::to_string(mark.line + 1) + ": ";
}

bool failure(std::string& error, std::string why) {
    error = std::move(why);
    return false;
}

// The two fields of an element, looked up key by key: an alias can repeat a
// map of many keys, so every key looked at counts towards MAX_RECORDING_KEYS.
struct Fields {
    std::optional<YAML::Node> hex;
    std::optional<YAML::Node> delay;
    std::optional<YAML::Node> answer;
};

bool find_fields(const YAML::Node& element, Fields& fields, size_t& keys) {
    for (auto it = element.begin(); it != element.end(); ++it) {
        if (++keys > MAX_RECORDING_KEYS) return false;
        const YAML::Node key = it->first;
        if (!key.IsScalar()) continue;
        if (!fields.hex && key.Scalar() == "hexData") fields.hex.emplace(it->second);
        if (!fields.delay && key.Scalar() == "delay") fields.delay.emplace(it->second);
        if (!fields.answer && key.Scalar() == "answer") fields.answer.emplace(it->second);
    }
    return true;
}

// The answer kept with the entry, or why it cannot be read: such an answer is
// no answer, and the entry loads all the same.
void read_answer(const YAML::Node& answer, Action& action) {
    size_t position = 0;
    if (!answer.IsScalar()) {
        action.answer_fault = "it is not a text";
    } else if (!hex_to_bytes(answer.Scalar(), action.answer, position)) {
        action.answer_fault = "it is not two hex digits at position " + std::to_string(position);
    } else if (action.answer.size() > MAX_ACTION_BYTES) {
        action.answer_fault = "it is longer than " + std::to_string(MAX_ACTION_BYTES) + " bytes";
    } else {
        action.has_answer = true;
        return;
    }
    action.answer.clear();
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
        error = where() + ": \"hexData\" is not two hex digits at position " +
                std::to_string(position);
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
    if (fields.answer) read_answer(*fields.answer, action);
    return true;
}

}  // namespace

bool parse_actions(const std::string& text, std::vector<Action>& actions, std::string& error) {
    actions.clear();
    if (yaml_marks(text) > MAX_YAML_MARKS) {
        return failure(error, "too many YAML nodes to be a recording (more than " +
                                  std::to_string(MAX_YAML_MARKS) + " structure marks)");
    }
    try {
        const YAML::Node root = YAML::Load(text);
        if (!root.IsDefined() || root.IsNull() || root.IsScalar()) return true;
        if (root.IsMap()) {
            return failure(error, at_line(root) + "the top level is a map, not a sequence");
        }
        size_t number = 0;
        size_t keys = 0;
        size_t frame_bytes = 0;
        for (const YAML::Node& element : root) {
            Action action;
            if (!read_action(element, ++number, keys, action, error)) {
                actions.clear();
                return false;
            }
            frame_bytes += action.data.size() + action.answer.size();
            if (frame_bytes > MAX_RECORDING_BYTES) {
                actions.clear();
                return failure(error, at_line(element) + "entry " + std::to_string(number) +
                                          ": the frames add up to more than " +
                                          std::to_string(MAX_RECORDING_BYTES >> 20) +
                                          " MiB (aliases repeating a frame?)");
            }
            actions.push_back(std::move(action));
        }
        return true;
    } catch (const YAML::Exception& e) {
        actions.clear();
        std::string where =
            e.mark.is_null() ? "" : "line " + std::to_string(e.mark.line + 1) + ": ";
        return failure(error, where + "not valid YAML (" + e.msg + ")");
    } catch (const std::bad_alloc&) {
        actions.clear();
        return failure(error, "out of memory while reading it");
    }
}

bool load_actions(const std::string& path, std::vector<Action>& actions, std::string& error) {
    actions.clear();
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    OwnedFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.is_open()) return failure(error, std::strerror(errno));
    struct stat info = {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return failure(error, "not a regular file");
    }
    const std::string too_large =
        "larger than " + std::to_string(MAX_RECORD_FILE_BYTES >> 20) + " MiB";
    if (static_cast<size_t>(info.st_size) > MAX_RECORD_FILE_BYTES) {
        return failure(error, too_large);
    }
    std::string text;
    char chunk[65536];
    for (;;) {
        ssize_t n = read(file.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failure(error, std::strerror(errno));
        if (n == 0) break;
        text.append(chunk, static_cast<size_t>(n));
        if (text.size() > MAX_RECORD_FILE_BYTES) return failure(error, too_large);
    }
    return parse_actions(text, actions, error);
}

bool load_record_file(const std::string& path, std::vector<Action>& actions) {
    std::string error;
    if (load_actions(path, actions, error)) return true;
    log_error("cannot load record file %s: %s\n", printable_text(path).c_str(),
              printable_text(error).c_str());
    return false;
}
