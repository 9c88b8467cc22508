#include "protojson/json_reader.h"

#include <pb_common.h>
#include <pb_decode.h>

#include <cstring>
#include <new>
#include <nlohmann/json.hpp>
#include <vector>

#include "proto/message_fields.h"
#include "protojson/json_names.h"
#include "protojson/json_position.h"
#include "protojson/json_values.h"
#include "prototext/text_schema.h"

using Json = nlohmann::json;

namespace {

// A message being read, or the array of a repeated field.
struct Level {
    bool array = false;
    const pb_msgdesc_t* descriptor = nullptr;  // a message's
    void* record = nullptr;
    std::string path;                  // "powerCmd", "angles.angle": as keyed
    std::vector<pb_size_t> given;      // a message's fields keyed so far
    const FieldName* field = nullptr;  // the field of the next value
    pb_field_iter_t iter{};
    std::string key;  // as keyed
};

std::string joined(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

// An exception's words without nlohmann's tag and position (told apart).
std::string reason(const Json::exception& e) {
    std::string what = e.what();
    const size_t tag_end = what.find("] ");
    if (what.rfind("[json.exception.", 0) == 0 && tag_end != std::string::npos) {
        what = what.substr(tag_end + 2);
    }
    const size_t colon = what.find(": ");
    if (what.rfind("parse error", 0) == 0 && colon != std::string::npos) {
        what = what.substr(colon + 2);
    }
    return what;
}

class JsonReader : public nlohmann::json_sax<Json> {
  public:
    JsonReader(const std::string& text, const pb_msgdesc_t* descriptor, void* record)
        : text_(text), descriptor_(descriptor), record_(record) {}

    bool null() override {
        const size_t at = next_token();
        if (levels_.empty()) return not_an_object(at, "null");
        if (levels_.back().array) {
            return refuse(at, value_path(), "null is not a value of a repeated field");
        }
        return true;  // the field keeps its default
    }
    bool boolean(bool value) override { return scalar(value); }
    bool number_integer(number_integer_t value) override { return scalar(value); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(value); }
    bool number_float(number_float_t value, const string_t&) override { return scalar(value); }
    bool string(string_t& value) override { return scalar(value); }
    bool binary(binary_t&) override { return refuse(next_token(), "", "binary data"); }

    bool start_object(std::size_t) override {
        const size_t at = next_token();
        if (levels_.empty()) {
            levels_.push_back(Level{false, descriptor_, record_, "", {}, nullptr, {}, ""});
            return true;
        }
        if (!fits(at, true, "an object")) return false;
        const std::string path = value_path();
        void* where = place(at, path);
        if (where == nullptr) return false;
        const pb_msgdesc_t* inner = levels_.back().iter.submsg_desc;
        levels_.push_back(Level{false, inner, where, path, {}, nullptr, {}, ""});
        return true;
    }

    bool key(string_t& key) override {
        const size_t at = next_token();
        Level& level = levels_.back();
        const MessageFields* message = message_fields(level.descriptor);
        const FieldName* field = message != nullptr ? field_keyed(*message, key) : nullptr;
        if (field == nullptr || field->callback || field->kind == FieldKind::OTHER ||
            !pb_field_iter_begin(&level.iter, level.descriptor, level.record) ||
            !pb_field_iter_find(&level.iter, field->tag)) {
            return refuse(at, level.path,
                          "unknown field " + shown_json(key) + " in " +
                              (message != nullptr ? message->name : "this message") +
                              ", expected one of: " + field_list(level.descriptor));
        }
        for (pb_size_t tag : level.given) {
            if (tag == field->tag) return refuse(at, joined(level.path, key), "given twice");
        }
        level.given.push_back(field->tag);
        level.field = field;
        level.key = key;
        return true;
    }

    bool end_object() override { return end(); }

    bool start_array(std::size_t) override {
        const size_t at = next_token();
        if (levels_.empty()) return not_an_object(at, "an array");
        const Level& level = levels_.back();
        if (level.array || level.field->role != FieldRole::REPEATED) {
            return refuse(at, value_path(),
                          "expected " + expected_json(*level.field) + ", found an array");
        }
        Level array{true, level.descriptor, level.record, joined(level.path, level.key),
                    {},   level.field,      level.iter,   ""};
        levels_.push_back(std::move(array));
        return true;
    }

    bool end_array() override { return end(); }

    bool parse_error(std::size_t position, const std::string&, const Json::exception& e) override {
        return refuse(position > 0 ? position - 1 : 0, "", reason(e));
    }

    std::string error;
    const char* furthest = nullptr;  // past the last character the parser read

  private:
    // Where the token of this event starts; what was read so far is kept for the next.
    size_t next_token() {
        const size_t start = token_start(text_, read_);
        read_ = static_cast<size_t>(furthest - text_.data());
        return start;
    }

    bool refuse(size_t at, const std::string& path, const std::string& why) {
        if (error.empty()) {
            error = line_and_column(text_, at) + ": " + (path.empty() ? "" : path + ": ") + why;
        }
        return false;
    }

    bool not_an_object(size_t at, const std::string& found) {
        const MessageFields* message = message_fields(descriptor_);
        return refuse(at, "",
                      std::string("expected an object (") +
                          (message != nullptr ? message->name : "a message") + "), found " + found);
    }

    // The path of the next value: "powerCmd.channel", "angles.angle[2]".
    std::string value_path() const {
        const Level& level = levels_.back();
        if (!level.array) return joined(level.path, level.key);
        return level.path + "[" + std::to_string(*static_cast<const pb_size_t*>(level.iter.pSize)) +
               "]";
    }

    // Whether an object (or a scalar), shown as `found`, fits the field of the next value.
    bool fits(size_t at, bool object, const std::string& found) {
        const Level& level = levels_.back();
        const FieldName& field = *level.field;
        const bool wants_array = field.role == FieldRole::REPEATED && !level.array;
        if (!wants_array && (field.kind == FieldKind::MESSAGE) == object) {
            return true;
        }
        return refuse(
            at, value_path(),
            "expected " + (wants_array ? "an array" : expected_json(field)) + ", found " + found);
    }

    // Where the next value goes, marked present (nullptr when refused).
    void* place(size_t at, const std::string& path) {
        Level& level = levels_.back();
        pb_field_iter_t& iter = level.iter;
        if (level.array) {
            pb_size_t& count = *static_cast<pb_size_t*>(iter.pSize);
            if (count >= iter.array_size) {
                refuse(at, path, "more than " + std::to_string(iter.array_size) + " values");
                return nullptr;
            }
            void* where =
                static_cast<char*>(iter.pData) + static_cast<size_t>(count) * iter.data_size;
            std::memset(where, 0, iter.data_size);
            ++count;
            return where;
        }
        if (level.field->role == FieldRole::OPTIONAL) *static_cast<bool*>(iter.pSize) = true;
        if (level.field->role == FieldRole::ONEOF) {
            pb_size_t& which = *static_cast<pb_size_t*>(iter.pSize);
            if (which != 0) {
                const FieldName* other = field_tagged(*message_fields(level.descriptor), which);
                refuse(at, path,
                       other->name + " and " + level.field->name + " are both members of oneof " +
                           level.field->oneof);
                return nullptr;
            }
            which = iter.tag;
            std::memset(iter.pData, 0, iter.data_size);
        }
        return iter.pData;
    }

    bool scalar(const Json& value) {
        const size_t at = next_token();
        if (levels_.empty()) return not_an_object(at, shown_json(value));
        if (!fits(at, false, shown_json(value))) return false;
        const std::string path = value_path();
        void* where = place(at, path);
        if (where == nullptr) return false;
        std::string why;
        if (!store_json_value(*levels_.back().field, value, levels_.back().iter.data_size, where,
                              why)) {
            return refuse(at, path, why);
        }
        return true;
    }

    bool end() {
        next_token();
        levels_.pop_back();
        return true;
    }

    const std::string& text_;
    const pb_msgdesc_t* descriptor_;
    void* record_;
    std::vector<Level> levels_;
    size_t read_ = 0;  // how far the parser had read at the previous event
};

// nanopb's defaults, as a decode of nothing leaves them; callbacks stay bound.
void clear(const pb_msgdesc_t* descriptor, void* record) {
    const pb_byte_t nothing[1] = {0};
    pb_istream_t empty = pb_istream_from_buffer(nothing, 0);
    pb_decode(&empty, descriptor, record);
}

}  // namespace

bool parse_json(const std::string& text, const pb_msgdesc_t* descriptor, void* record,
                std::string& error) {
    clear(descriptor, record);
    try {
        JsonReader reader(text, descriptor, record);
        reader.furthest = text.data();
        const TextCursor first{text.data(), &reader.furthest};
        const TextCursor last{text.data() + text.size(), &reader.furthest};
        if (Json::sax_parse(first, last, &reader)) return true;
        error = reader.error.empty() ? "refused" : reader.error;
    } catch (const std::bad_alloc&) {
        error = "out of memory reading the JSON";
    } catch (const Json::exception& e) {
        error = reason(e);
    }
    clear(descriptor, record);
    return false;
}
