#include "prototext/text_schema.h"

#include <pb_common.h>

#include "proto/message_fields.h"

namespace {

const char* type_name(FieldKind kind) {
    switch (kind) {
        case FieldKind::INT32:
            return "int32";
        case FieldKind::UINT32:
            return "uint32";
        case FieldKind::INT64:
            return "int64";
        case FieldKind::UINT64:
            return "uint64";
        case FieldKind::DOUBLE:
            return "double";
        case FieldKind::BOOL:
            return "bool";
        case FieldKind::STRING:
            return "string";
        default:
            return "";
    }
}

bool typed(const FieldName& field) {
    return field.kind != FieldKind::OTHER && !field.callback;
}

// ", repeated (at most 6)", "  [oneof payload]": what sets a field apart.
std::string marks(const FieldName& field, const pb_field_iter_t& iter) {
    std::string text;
    if (field.role == FieldRole::REPEATED) {
        text += ", repeated (at most " + std::to_string(iter.array_size) + ")";
    }
    if (!field.oneof.empty()) text += "  [oneof " + field.oneof + "]";
    return text;
}

void describe_fields(std::string& out, const pb_msgdesc_t* descriptor, const void* record,
                     const std::string& indent) {
    const MessageFields* message = message_fields(descriptor);
    pb_field_iter_t iter;
    if (message == nullptr || !pb_field_iter_begin_const(&iter, descriptor, record)) return;
    do {
        const FieldName* field = field_tagged(*message, iter.tag);
        // An answer's strings, held by a callback, are shown; the text format does not set them.
        if (field == nullptr || field->kind == FieldKind::OTHER) continue;
        const std::string named = indent + field->name + " = " + std::to_string(iter.tag);
        if (field->kind == FieldKind::MESSAGE) {
            out += named + " {" + marks(*field, iter) + "\n";
            describe_fields(out, iter.submsg_desc, iter.pData, indent + "  ");
            out += indent + "}\n";
            continue;
        }
        out += named + ": " + type_name(field->kind);
        if (field->enumerators != nullptr) out += " (" + enumerator_list(*field->enumerators) + ")";
        out += marks(*field, iter) + "\n";
    } while (pb_field_iter_next(&iter));
}

}  // namespace

std::string describe_message(const pb_msgdesc_t* descriptor, const void* record) {
    const MessageFields* message = message_fields(descriptor);
    std::string out = std::string(message != nullptr ? message->name : "the message") + ":\n";
    describe_fields(out, descriptor, record, "  ");
    return out;
}

std::string field_list(const pb_msgdesc_t* descriptor) {
    const MessageFields* message = message_fields(descriptor);
    std::string list;
    if (message == nullptr) return list;
    for (const FieldName& field : message->fields) {
        if (!typed(field)) continue;
        list += (list.empty() ? "" : ", ") + field.name;
    }
    return list;
}
