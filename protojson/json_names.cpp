#include "protojson/json_names.h"

const FieldName* field_keyed(const MessageFields& message, const std::string& key) {
    for (const FieldName& field : message.fields) {
        if (field.name == key || field.json_name == key) return &field;
    }
    return nullptr;
}
