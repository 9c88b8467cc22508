#include "prototext/text_difference.h"

#include <map>

#include "prototext/text_writer.h"

namespace {

// A record's values by field number, in the order they came.
struct Values {
    std::map<pb_size_t, std::vector<const void*>> of;
    std::map<pb_size_t, const pb_msgdesc_t*> message_of;  // a sub-message's descriptor
};

Values values_of(const pb_msgdesc_t* descriptor, const void* record) {
    Values values;
    for_each_value(descriptor, record,
                   [&values](const FieldName& field, const pb_field_iter_t& iter, const void* where) {
                       values.of[field.tag].push_back(where);
                       values.message_of[field.tag] = iter.submsg_desc;
                   });
    return values;
}

// How a value that one side lacks reads: a proto3 scalar's zero, else absent.
std::string missing_text(const FieldName& field) {
    if (field.role != FieldRole::SINGULAR || field.kind == FieldKind::MESSAGE) return "absent";
    if (field.kind == FieldKind::STRING) return "\"\"";
    const unsigned char zero[16] = {};
    return value_text(field, zero);
}

void compare(const pb_msgdesc_t* descriptor, const void* expected, const void* got,
             const std::string& path, const std::string& ignored, std::vector<std::string>& lines);

std::string shown(const FieldName& field, const pb_msgdesc_t* message, const void* where) {
    if (field.kind != FieldKind::MESSAGE) return value_text(field, where);
    const std::string inner = message_text(message, where);
    return "{ " + inner + (inner.empty() ? "}" : " }");
}

void compare_field(const FieldName& field, const Values& a, const Values& b,
                   const std::string& path, std::vector<std::string>& lines) {
    static const std::vector<const void*> NONE;
    const auto in_a = a.of.find(field.tag), in_b = b.of.find(field.tag);
    const std::vector<const void*>& left = in_a != a.of.end() ? in_a->second : NONE;
    const std::vector<const void*>& right = in_b != b.of.end() ? in_b->second : NONE;
    const auto message = [&](const Values& v) {
        const auto found = v.message_of.find(field.tag);
        return found != v.message_of.end() ? found->second : nullptr;
    };
    const bool repeated = field.role == FieldRole::REPEATED;
    for (size_t i = 0; i < std::max<size_t>({left.size(), right.size(), 1}); ++i) {
        const std::string name =
            path + field.name + (repeated ? "[" + std::to_string(i) + "]" : "");
        const bool has_left = i < left.size(), has_right = i < right.size();
        if (!has_left && !has_right) return;
        if (field.kind == FieldKind::MESSAGE && has_left && has_right) {
            compare(message(a), left[i], right[i], name + ".", "", lines);
            continue;
        }
        const std::string expected =
            has_left ? shown(field, message(a), left[i]) : repeated ? "absent" : missing_text(field);
        const std::string got =
            has_right ? shown(field, message(b), right[i]) : repeated ? "absent" : missing_text(field);
        if (expected != got) lines.push_back(name + ": expected " + expected + ", got " + got);
    }
}

void compare(const pb_msgdesc_t* descriptor, const void* expected, const void* got,
             const std::string& path, const std::string& ignored, std::vector<std::string>& lines) {
    const MessageFields* message = message_fields(descriptor);
    if (message == nullptr) return;
    const Values a = values_of(descriptor, expected), b = values_of(descriptor, got);
    for (const FieldName& field : message->fields) {
        if (field.name != ignored) compare_field(field, a, b, path, lines);
    }
}

}  // namespace

std::vector<std::string> field_differences(const pb_msgdesc_t* descriptor, const void* expected,
                                           const void* got, const std::string& ignored) {
    std::vector<std::string> lines;
    compare(descriptor, expected, got, "", ignored, lines);
    return lines;
}
