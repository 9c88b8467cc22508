#include "proto/board_request_text.h"

#include <cstring>

#include "proto/text_writer.h"

namespace {

template <typename Enum>
std::string named(int64_t value, Enum low, Enum high, const char* (*name_of)(Enum),
                  bool zero_is_named, bool* known) {
    bool in_table = value >= low && value <= high && (value != 0 || zero_is_named) &&
                    std::strcmp(name_of(static_cast<Enum>(value)), "unknown") != 0;
    if (known != nullptr) *known = in_table;
    if (!in_table) return std::to_string(value);
    return std::string(name_of(static_cast<Enum>(value))) + "(" + std::to_string(value) + ")";
}

}  // namespace

std::string platform_name(int64_t value, bool* known) {
    return named(value, _PlatformCmd_MIN, _PlatformCmd_MAX, PlatformCmd_name, false, known);
}

std::string chassis_name(int64_t value, bool* known) {
    return named(value, _ChassisCmd_MIN, _ChassisCmd_MAX, ChassisCmd_name, false, known);
}

std::string channel_name(int64_t value, bool* known) {
    return named(value, _PowerChannel_MIN, _PowerChannel_MAX, PowerChannel_name, false, known);
}

std::string switch_name(int64_t value, bool* known) {
    return named(value, _PowerSwitch_MIN, _PowerSwitch_MAX, PowerSwitch_name, false, known);
}

std::string direction_name(int64_t value, bool* known) {
    return named(value, _MotorDirection_MIN, _MotorDirection_MAX, MotorDirection_name, true, known);
}

std::string light_mode_name(int64_t value, bool* known) {
    return named(value, _LedMode_MIN, _LedMode_MAX, LedMode_name, true, known);
}

std::string select_name(int64_t value, bool* known) {
    return named(value, _SelectMask_MIN, _SelectMask_MAX, SelectMask_name, true, known);
}

std::string motor_text(const MotorCommand& m) {
    return "{direction=" + direction_name(m.direction) + " duty=" + std::to_string(m.duty) + "}";
}

std::string select_text(const MotorSelectCommand& s) {
    std::string text = "{";
    if (s.has_drive) text += "drive" + motor_text(s.drive) + " ";
    return text + "select_mask=" + select_name(s.select_mask) + "}";
}

std::string light_text(const LedBaseCommand& l) {
    return "{rgb=" + std::to_string(l.rgb) + " mode=" + light_mode_name(l.mode) +
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

bool has_unused_fields(const CleaningComponentRequest& r) {
    return r.spare_1 != 0 || r.has_motor_3 || r.has_motor_4 || r.has_motor_5 || r.has_motor_6 ||
           r.has_motor_7 || r.has_motor_8 || r.has_motor_9 || r.has_motor_10 || r.has_motor_11 ||
           r.has_motor_12 || r.has_motor_13 || r.has_spare_14 || r.has_spare_15 || r.has_motor_17 ||
           r.has_motor_19 || r.has_motor_20;
}

std::string describe_request(const CleaningComponentRequest& r) {
    std::string text = message_text(CleaningComponentRequest_fields, &r);
    if (text.empty()) return "(empty request)";
    if (has_unused_fields(r)) text += " # with fields no console sends";
    return text;
}
