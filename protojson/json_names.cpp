#include "protojson/json_names.h"

#include <cctype>

std::string json_name(const std::string& field_name) {
    std::string name;
    bool upper = false;
    for (char c : field_name) {
        if (c == '_') {
            upper = true;
        } else {
            name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            upper = false;
        }
    }
    return name;
}

const FieldName* field_keyed(const MessageFields& message, const std::string& key) {
    for (const FieldName& field : message.fields) {
        if (field.name == key || json_name(field.name) == key) return &field;
    }
    return nullptr;
}
