#include "proto/message_fields.h"

#include <pb_common.h>
#include <pb_decode.h>

#include <cstring>
#include <map>

#include "arm.pb.h"
#include "board.pb.h"

namespace {

// One field as the field list spells it: X(a, STATIC, SINGULAR, UINT32, channel, 2),
// a oneof member's name as (payload,enable,payload.enable).
struct ListedField {
    pb_size_t tag;
    const char* allocation;
    const char* role;
    const char* type;
    const char* name;
};

#define VOSTREL_LISTED_FIELD(a, allocation, role, type, name, tag) \
    {tag, #allocation, #role, #type, #name},
#define VOSTREL_MESSAGE(M)                         \
    {                                              \
        &M##_msg, #M, std::vector<ListedField> {   \
            M##_FIELDLIST(VOSTREL_LISTED_FIELD, 0) \
        }                                          \
    }

struct ListedMessage {
    const pb_msgdesc_t* descriptor;
    const char* name;
    std::vector<ListedField> fields;
};

template <typename Enum, const char* (*NAME)(Enum)>
const char* name_of(int value) {
    return NAME(static_cast<Enum>(value));
}

const EnumNames PLATFORM{"PlatformCmd", name_of<PlatformCmd, PlatformCmd_name>, _PlatformCmd_MIN,
                         _PlatformCmd_MAX};
const EnumNames CHASSIS{"ChassisCmd", name_of<ChassisCmd, ChassisCmd_name>, _ChassisCmd_MIN,
                        _ChassisCmd_MAX};
const EnumNames CHANNEL{"PowerChannel", name_of<PowerChannel, PowerChannel_name>, _PowerChannel_MIN,
                        _PowerChannel_MAX};
const EnumNames SWITCH{"PowerSwitch", name_of<PowerSwitch, PowerSwitch_name>, _PowerSwitch_MIN,
                       _PowerSwitch_MAX};
const EnumNames DIRECTION{"MotorDirection", name_of<MotorDirection, MotorDirection_name>,
                          _MotorDirection_MIN, _MotorDirection_MAX};
const EnumNames LIGHT_MODE{"LedMode", name_of<LedMode, LedMode_name>, _LedMode_MIN, _LedMode_MAX};
const EnumNames SELECT{"SelectMask", name_of<SelectMask, SelectMask_name>, _SelectMask_MIN,
                       _SelectMask_MAX};
const EnumNames REQUEST_TYPE{"ReqType", name_of<ReqType, ReqType_name>, _ReqType_MIN, _ReqType_MAX};

// The integer fields that carry an enumerator by number (the schemas' comments).
const struct {
    const char* message;
    const char* field;
    const EnumNames* names;
} ENUM_FIELDS[] = {
    {"CleaningComponentRequest", "platform_cmd", &PLATFORM},
    {"ChassisCommand", "cmd", &CHASSIS},
    {"PowerCtrlCmd", "channel", &CHANNEL},
    {"PowerCtrlCmd", "on_off", &SWITCH},
    {"MotorCommand", "direction", &DIRECTION},
    {"LedBaseCommand", "mode", &LIGHT_MODE},
    {"MotorSelectCommand", "select_mask", &SELECT},
    {"MainArmRequestMsg", "req_type", &REQUEST_TYPE},
    {"MainArmResponseMsg", "req_type", &REQUEST_TYPE},
};

FieldKind kind_of(const char* type) {
    static const std::map<std::string, FieldKind> KINDS = {
        {"INT32", FieldKind::INT32},   {"UINT32", FieldKind::UINT32},  {"INT64", FieldKind::INT64},
        {"UINT64", FieldKind::UINT64}, {"DOUBLE", FieldKind::DOUBLE},  {"BOOL", FieldKind::BOOL},
        {"STRING", FieldKind::STRING}, {"MESSAGE", FieldKind::MESSAGE}};
    auto found = KINDS.find(type);
    return found != KINDS.end() ? found->second : FieldKind::OTHER;
}

FieldRole role_of(const char* role) {
    if (std::strcmp(role, "OPTIONAL") == 0) return FieldRole::OPTIONAL;
    if (std::strcmp(role, "REPEATED") == 0) return FieldRole::REPEATED;
    if (std::strcmp(role, "ONEOF") == 0) return FieldRole::ONEOF;
    return FieldRole::SINGULAR;
}

}  // namespace

std::string json_name(const std::string& name) {
    std::string json;
    bool upper = false;
    for (char c : name) {
        if (c == '_') {
            upper = true;
        } else {
            json += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            upper = false;
        }
    }
    return json;
}

namespace {

FieldName field_of(const char* message, const ListedField& listed) {
    FieldName field;
    field.tag = listed.tag;
    field.role = role_of(listed.role);
    field.kind = kind_of(listed.type);
    field.callback = std::strcmp(listed.allocation, "CALLBACK") == 0;
    field.name = listed.name;
    if (field.name[0] == '(') {  // "(payload,enable,payload.enable)"
        size_t first = field.name.find(',');
        size_t second = field.name.find(',', first + 1);
        field.oneof = field.name.substr(1, first - 1);
        field.name = field.name.substr(first + 1, second - first - 1);
    }
    field.json_name = json_name(field.name);
    for (const auto& annotated : ENUM_FIELDS) {
        if (std::strcmp(annotated.message, message) == 0 && field.name == annotated.field) {
            field.enumerators = annotated.names;
        }
    }
    return field;
}

std::vector<MessageFields> all_messages() {
    const std::vector<ListedMessage> listed = {
        VOSTREL_MESSAGE(MotorCommand),
        VOSTREL_MESSAGE(PowerCtrlCmd),
        VOSTREL_MESSAGE(LedBaseCommand),
        VOSTREL_MESSAGE(LedGroupCommand),
        VOSTREL_MESSAGE(ChassisCommand),
        VOSTREL_MESSAGE(MotorSelectCommand),
        VOSTREL_MESSAGE(MotorGroupCommand),
        VOSTREL_MESSAGE(WaterCommand),
        VOSTREL_MESSAGE(IntPair),
        VOSTREL_MESSAGE(IntValue),
        VOSTREL_MESSAGE(CleaningComponentRequest),
        VOSTREL_MESSAGE(VersionInfo),
        VOSTREL_MESSAGE(ErrorInfo),
        VOSTREL_MESSAGE(FlagPair),
        VOSTREL_MESSAGE(CleaningComponentResponse),
        VOSTREL_MESSAGE(Vector3Msg),
        VOSTREL_MESSAGE(ForceTorqueMsg),
        VOSTREL_MESSAGE(AnglesMsg),
        VOSTREL_MESSAGE(MainArmRequestMsg),
        VOSTREL_MESSAGE(MainArmResponseMsg),
        VOSTREL_MESSAGE(MainArmStateMsg),
    };
    std::vector<MessageFields> messages;
    for (const ListedMessage& message : listed) {
        MessageFields fields;
        fields.descriptor = message.descriptor;
        fields.name = message.name;
        for (const ListedField& field : message.fields) {
            fields.fields.push_back(field_of(message.name, field));
        }
        messages.push_back(std::move(fields));
    }
    return messages;
}

}  // namespace

const MessageFields* message_fields(const pb_msgdesc_t* descriptor) {
    static const std::vector<MessageFields> MESSAGES = all_messages();
    for (const MessageFields& message : MESSAGES) {
        if (message.descriptor == descriptor) return &message;
    }
    return nullptr;
}

const FieldName* field_named(const MessageFields& message, const std::string& name) {
    for (const FieldName& field : message.fields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

const FieldName* field_tagged(const MessageFields& message, pb_size_t tag) {
    for (const FieldName& field : message.fields) {
        if (field.tag == tag) return &field;
    }
    return nullptr;
}

const EnumNames* field_enumerators(const pb_msgdesc_t* descriptor, const char* field) {
    const MessageFields* message = message_fields(descriptor);
    const FieldName* named = message != nullptr ? field_named(*message, field) : nullptr;
    return named != nullptr ? named->enumerators : nullptr;
}

const char* enumerator_name(const EnumNames& names, int64_t value) {
    if (value < names.min || value > names.max) return nullptr;
    const char* name = names.name_of(static_cast<int>(value));
    return std::strcmp(name, "unknown") == 0 ? nullptr : name;
}

bool enumerator_value(const EnumNames& names, const std::string& name, int64_t& value) {
    for (int v = names.min; v <= names.max; ++v) {
        const char* known = enumerator_name(names, v);
        if (known != nullptr && name == known) {
            value = v;
            return true;
        }
    }
    return false;
}

std::string enumerator_list(const EnumNames& names) {
    std::string list;
    for (int v = names.min; v <= names.max; ++v) {
        const char* known = enumerator_name(names, v);
        if (known != nullptr) list += (list.empty() ? "" : ", ") + std::string(known);
    }
    return list;
}

std::string unknown_field(pb_istream_t* stream, const pb_msgdesc_t* fields, void* record) {
    while (stream->bytes_left > 0) {
        pb_wire_type_t wire_type;
        uint32_t tag = 0;
        bool eof = false;
        if (!pb_decode_tag(stream, &wire_type, &tag, &eof) || eof) return "";
        pb_field_iter_t iter;
        if (!pb_field_iter_begin(&iter, fields, record) || !pb_field_iter_find(&iter, tag)) {
            return std::to_string(tag);
        }
        if (PB_LTYPE_IS_SUBMSG(iter.type) && wire_type == PB_WT_STRING) {
            pb_istream_t inner;
            if (!pb_make_string_substream(stream, &inner)) return "";
            std::string deeper = unknown_field(&inner, iter.submsg_desc, iter.pData);
            if (!pb_close_string_substream(stream, &inner)) return "";
            if (!deeper.empty()) return std::to_string(tag) + "." + deeper;
        } else if (!pb_skip_field(stream, wire_type)) {
            return "";
        }
    }
    return "";
}
