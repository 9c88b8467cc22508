#include "proto/board_request_text.h"

#include <cstring>

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

// "a b c": the non-empty parts, separated by blanks.
void add_part(std::string& text, const std::string& part) {
    if (!part.empty()) text += (text.empty() ? "" : " ") + part;
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
    std::string text;
    if (r.platform_cmd != 0) add_part(text, "platform_cmd=" + platform_name(r.platform_cmd));
    if (r.has_power_cmd) {
        add_part(text, "power_cmd{channel=" + channel_name(r.power_cmd.channel) +
                           " on_off=" + switch_name(r.power_cmd.on_off) + "}");
    }
    if (r.has_chassis) add_part(text, "chassis{cmd=" + chassis_name(r.chassis.cmd) + "}");
    if (r.has_motors) {
        std::string inner;
        if (r.motors.has_camera_cover) {
            add_part(inner, "camera_cover" + motor_text(r.motors.camera_cover));
        }
        if (r.motors.has_toolbox_motor) {
            add_part(inner, "toolbox_motor" + select_text(r.motors.toolbox_motor));
        }
        add_part(text, "motors{" + inner + "}");
    }
    if (r.has_water) {
        std::string inner;
        if (r.water.has_end_spray) add_part(inner, "end_spray" + motor_text(r.water.end_spray));
        if (r.water.has_toolbox_supply) {
            add_part(inner, "toolbox_supply" + select_text(r.water.toolbox_supply));
        }
        if (r.water.has_toolbox_drain) {
            add_part(inner, "toolbox_drain" + select_text(r.water.toolbox_drain));
        }
        add_part(text, "water{" + inner + "}");
    }
    if (r.has_leds) {
        std::string inner;
        for (int i = 0; i < LIGHT_COUNT; ++i) {
            if (light_present(r.leds, i)) {
                add_part(inner, std::string(LIGHT_NAMES[i]) + light_text(light_of(r.leds, i)));
            }
        }
        add_part(text, "leds{" + inner + "}");
    }
    if (has_unused_fields(r)) add_part(text, "(with fields no console sends)");
    return text.empty() ? "(empty request)" : text;
}
