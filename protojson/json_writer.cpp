#include "protojson/json_writer.h"

#include <new>

#include "proto/message_fields.h"
#include "protojson/json_names.h"
#include "protojson/json_values.h"
#include "prototext/text_writer.h"

using OrderedJson = nlohmann::ordered_json;

namespace {

size_t count_replacements(const std::string& text) {
    size_t count = 0;
    for (size_t at = text.find("\xEF\xBF\xBD"); at != std::string::npos;
         at = text.find("\xEF\xBF\xBD", at + 3)) {
        ++count;
    }
    return count;
}

// `text` as nlohmann writes it, each bad sequence replaced by U+FFFD, read
// back: valid UTF-8. `replaced` counts the bytes that were not.
std::string utf8_text(const std::string& text, size_t& replaced) {
    const std::string fixed =
        OrderedJson::parse(
            OrderedJson(text).dump(-1, ' ', false, OrderedJson::error_handler_t::replace))
            .get<std::string>();
    // Every valid byte is kept; each bad sequence became the 3 bytes of U+FFFD.
    const size_t added = count_replacements(fixed) - count_replacements(text);
    replaced = text.size() + 3 * added - fixed.size();
    return fixed;
}

OrderedJson object_of(const pb_msgdesc_t* descriptor, const void* record, const std::string& path,
                      JsonNotes& notes) {
    OrderedJson object = OrderedJson::object();
    for_each_value(descriptor, record,
                   [&](const FieldName& field, const pb_field_iter_t& iter, const void* where) {
                       const std::string name = json_name(field.name);
                       const std::string at = path.empty() ? name : path + "." + name;
                       OrderedJson value;
                       if (field.kind == FieldKind::MESSAGE) {
                           value = object_of(iter.submsg_desc, where, at, notes);
                       } else if (field.kind == FieldKind::STRING) {
                           size_t replaced = 0;
                           value = utf8_text(static_cast<const char*>(where), replaced);
                           if (replaced > 0) {
                               notes.replaced_bytes += replaced;
                               notes.fields.push_back(at);
                           }
                       } else {
                           value = value_json(field, where);
                       }
                       if (field.role == FieldRole::REPEATED) {
                           object[name].push_back(std::move(value));
                       } else {
                           object[name] = std::move(value);
                       }
                   });
    return object;
}

}  // namespace

bool message_value(const pb_msgdesc_t* descriptor, const void* record, OrderedJson& value,
                   JsonNotes& notes, std::string& error) {
    try {
        value = object_of(descriptor, record, "", notes);
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory writing the record as JSON";
    } catch (const OrderedJson::exception& e) {
        error = e.what();
    }
    return false;
}

bool message_json(const pb_msgdesc_t* descriptor, const void* record, std::string& json,
                  JsonNotes& notes, std::string& error) {
    OrderedJson value;
    if (!message_value(descriptor, record, value, notes, error)) return false;
    try {
        json = value.dump();
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory writing the record as JSON";
    } catch (const OrderedJson::exception& e) {
        error = e.what();
    }
    return false;
}
