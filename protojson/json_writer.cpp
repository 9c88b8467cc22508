#include "protojson/json_writer.h"

#include <new>

#include "proto/message_fields.h"
#include "protojson/json_values.h"
#include "prototext/text_writer.h"

namespace {

// The record's fields as one object, appended to `out`; `path` names it in
// the notes ("" at the top).
void append_object(std::string& out, const pb_msgdesc_t* descriptor, const void* record,
                   const std::string& path, JsonNotes& notes) {
    out += '{';
    const FieldName* open_array = nullptr;  // the repeated field whose values are being written
    bool first = true;
    for_each_value(
        descriptor, record,
        [&](const FieldName& field, const pb_field_iter_t& iter, const void* where) {
            const bool repeated = field.role == FieldRole::REPEATED;
            if (open_array != nullptr && open_array != &field) {
                out += ']';
                open_array = nullptr;
            }
            if (open_array == &field) {
                out += ',';  // the next value of the array
            } else {
                if (!first) out += ',';
                first = false;
                out += '"';
                out += field.json_name;
                out += repeated ? "\":[" : "\":";
                if (repeated) open_array = &field;
            }
            if (field.kind == FieldKind::MESSAGE) {
                append_object(out, iter.submsg_desc, where,
                              path.empty() ? field.json_name : path + "." + field.json_name, notes);
            } else if (field.kind == FieldKind::STRING) {
                size_t replaced = 0;
                append_string_json(out, static_cast<const char*>(where), replaced);
                if (replaced == 0) return;
                notes.replaced_bytes += replaced;
                notes.fields.push_back(path.empty() ? field.json_name
                                                    : path + "." + field.json_name);
            } else {
                append_value_json(out, field, where);
            }
        });
    if (open_array != nullptr) out += ']';
    out += '}';
}

}  // namespace

void append_message_json(std::string& out, const pb_msgdesc_t* descriptor, const void* record,
                         JsonNotes& notes) {
    append_object(out, descriptor, record, "", notes);
}

bool message_json(const pb_msgdesc_t* descriptor, const void* record, std::string& json,
                  JsonNotes& notes, std::string& error) {
    try {
        json.clear();
        append_message_json(json, descriptor, record, notes);
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory writing the record as JSON";
    }
    return false;
}

bool message_value(const pb_msgdesc_t* descriptor, const void* record,
                   nlohmann::ordered_json& value, JsonNotes& notes, std::string& error) {
    std::string json;
    return message_json(descriptor, record, json, notes, error) &&
           parse_json_text(json, value, error);
}
