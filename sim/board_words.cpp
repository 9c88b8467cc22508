#include "sim/board_words.h"

#include "proto/message_fields.h"

namespace {

const struct {
    const pb_msgdesc_t* message;
    const char* field;
    bool zero_is_named;
} NAMED_FIELDS[] = {
    {CleaningComponentRequest_fields, "platform_cmd", false},
    {ChassisCommand_fields, "cmd", false},
    {PowerCtrlCmd_fields, "channel", false},
    {PowerCtrlCmd_fields, "on_off", false},
    {MotorCommand_fields, "direction", true},
    {LedBaseCommand_fields, "mode", true},
    {MotorSelectCommand_fields, "select_mask", true},
};

const char* name_of(NamedField field, int64_t value) {
    const auto& named = NAMED_FIELDS[static_cast<int>(field)];
    const EnumNames* names = field_enumerators(named.message, named.field);
    if (names == nullptr || (value == 0 && !named.zero_is_named)) return nullptr;
    return enumerator_name(*names, value);
}

std::string value_name(NamedField field, int64_t value) {
    const char* name = name_of(field, value);
    if (name == nullptr) return std::to_string(value);
    return std::string(name) + "(" + std::to_string(value) + ")";
}

}  // namespace

bool is_named(NamedField field, int64_t value) {
    return name_of(field, value) != nullptr;
}

std::string motor_text(const MotorCommand& m) {
    return "{direction=" + value_name(NamedField::DIRECTION, m.direction) +
           " duty=" + std::to_string(m.duty) + "}";
}

std::string select_text(const MotorSelectCommand& s) {
    std::string text = "{";
    if (s.has_drive) text += "drive" + motor_text(s.drive) + " ";
    return text + "select_mask=" + value_name(NamedField::SELECT, s.select_mask) + "}";
}

std::string light_text(const LedBaseCommand& l) {
    return "{rgb=" + std::to_string(l.rgb) + " mode=" + value_name(NamedField::LIGHT_MODE, l.mode) +
           " period_ms=" + std::to_string(l.period_ms) + "}";
}

const char* const LIGHT_NAMES[LIGHT_COUNT] = {"top",  "led_2", "left", "right",
                                              "fill", "front", "rear"};

bool light_present(const LedGroupCommand& leds, int index) {
    const bool present[LIGHT_COUNT] = {leds.has_top,  leds.has_led_2, leds.has_left, leds.has_right,
                                       leds.has_fill, leds.has_front, leds.has_rear};
    return present[index];
}

const LedBaseCommand& light_of(const LedGroupCommand& leds, int index) {
    const LedBaseCommand* lights[LIGHT_COUNT] = {&leds.top,  &leds.led_2, &leds.left, &leds.right,
                                                 &leds.fill, &leds.front, &leds.rear};
    return *lights[index];
}
