#include "prototext/text_writer.h"

#include <pb_common.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "proto/text_buffer.h"
#include "proto/message_fields.h"

namespace {

std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* c = text; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += *c;
        } else if (byte < 0x20 || byte >= 0x7f) {
            char octal[5];
            octal[0] = '\\';
            octal[1] = static_cast<char>('0' + (byte >> 6));
            octal[2] = static_cast<char>('0' + ((byte >> 3) & 7));
            octal[3] = static_cast<char>('0' + (byte & 7));
            octal[4] = '\0';
            out += octal;
        } else {
            out += *c;
        }
    }
    return out + "\"";
}

std::string double_text(double value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char digits[32];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

std::string value_text(const FieldName& field, const void* where) {
    int64_t number = 0;
    switch (field.kind) {
        case FieldKind::INT32: {
            int32_t v;
            std::memcpy(&v, where, sizeof v);
            number = v;
            break;
        }
        case FieldKind::UINT32: {
            uint32_t v;
            std::memcpy(&v, where, sizeof v);
            number = v;
            break;
        }
        case FieldKind::INT64:
            std::memcpy(&number, where, sizeof number);
            break;
        case FieldKind::UINT64: {
            uint64_t v;
            std::memcpy(&v, where, sizeof v);
            return std::to_string(v);
        }
        case FieldKind::DOUBLE: {
            double v;
            std::memcpy(&v, where, sizeof v);
            return double_text(v);
        }
        case FieldKind::BOOL:
            return *static_cast<const bool*>(where) ? "true" : "false";
        case FieldKind::STRING:
            return quoted(static_cast<const char*>(where));
        default:
            return "";
    }
    const char* name =
        field.enumerators != nullptr ? enumerator_name(*field.enumerators, number) : nullptr;
    return name != nullptr ? name : std::to_string(number);
}

namespace {

bool all_zero(const void* where, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(where);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

// The text of a string field held by a callback, where it arrived in a
// text_buffer through decode_text(); nullptr for any other callback.
const char* received_text(const FieldName& field, const void* slot) {
    const auto* callback = static_cast<const pb_callback_t*>(slot);
    if (field.kind != FieldKind::STRING || callback->funcs.decode != decode_text) return nullptr;
    const auto* buffer = static_cast<const text_buffer*>(callback->arg);
    return buffer != nullptr ? buffer->text : nullptr;
}

}  // namespace

void for_each_value(const pb_msgdesc_t* descriptor, const void* record, const ValueVisitor& visit) {
    const MessageFields* message = message_fields(descriptor);
    pb_field_iter_t iter;
    if (message == nullptr || !pb_field_iter_begin_const(&iter, descriptor, record)) return;
    do {
        const FieldName* field = field_tagged(*message, iter.tag);
        if (field == nullptr || field->kind == FieldKind::OTHER) continue;
        if (field->callback) {
            const char* text = received_text(*field, iter.pData);
            if (text != nullptr && text[0] != '\0') visit(*field, iter, text);
            continue;
        }
        switch (field->role) {
            case FieldRole::SINGULAR: {
                bool set = field->kind == FieldKind::STRING
                               ? static_cast<const char*>(iter.pData)[0] != '\0'
                               : !all_zero(iter.pData, iter.data_size);
                if (set) visit(*field, iter, iter.pData);
                break;
            }
            case FieldRole::OPTIONAL:
                if (*static_cast<const bool*>(iter.pSize)) visit(*field, iter, iter.pData);
                break;
            case FieldRole::ONEOF:
                if (*static_cast<const pb_size_t*>(iter.pSize) == iter.tag) {
                    visit(*field, iter, iter.pData);
                }
                break;
            case FieldRole::REPEATED: {
                pb_size_t count = *static_cast<const pb_size_t*>(iter.pSize);
                for (pb_size_t i = 0; i < count && i < iter.array_size; ++i) {
                    visit(*field, iter,
                          static_cast<const char*>(iter.pData) +
                              static_cast<size_t>(i) * iter.data_size);
                }
                break;
            }
        }
    } while (pb_field_iter_next(&iter));
}

std::string message_text(const pb_msgdesc_t* descriptor, const void* record) {
    std::string out;
    for_each_value(descriptor, record,
                   [&out](const FieldName& field, const pb_field_iter_t& iter, const void* where) {
                       if (!out.empty()) out += ' ';
                       out += field.name;
                       if (field.kind != FieldKind::MESSAGE) {
                           out += ": " + value_text(field, where);
                           return;
                       }
                       const std::string inner = message_text(iter.submsg_desc, where);
                       out += " { " + inner + (inner.empty() ? "}" : " }");
                   });
    return out;
}
