// The signal board's state in words, as board_sim logs its changes:
// "NAME(value)" for a named value (an enumerator of board.proto, looked up
// through proto/message_fields.h), the bare number for another:
//     changed: end spray: {direction=MOTOR_STOP(0) duty=0} -> {direction=MOTOR_FORWARD(1) duty=50}
#pragma once

#include <cstdint>
#include <string>

#include "board.pb.h"

// The fields of the board's requests that carry a named value by number.
enum class NamedField { PLATFORM, CHASSIS, CHANNEL, SWITCH, DIRECTION, LIGHT_MODE, SELECT };

// True when `value` of `field` has a name, shown as "NAME(value)" (else the
// bare number). A zero that only means "none" (no platform command, chassis
// command, rail or switch) is not a named value; a stopped motor, a light
// off and no outlet are.
bool is_named(NamedField field, int64_t value);

// The parts: "{direction=... duty=...}", "{drive{...} select_mask=...}"
// (drive only when present) and "{rgb=... mode=... period_ms=...}".
std::string motor_text(const MotorCommand& motor);
std::string select_text(const MotorSelectCommand& command);
std::string light_text(const LedBaseCommand& light);

// The seven lights of a LedGroupCommand by index: field number less one.
constexpr int LIGHT_COUNT = 7;
extern const char* const LIGHT_NAMES[LIGHT_COUNT];  // "top", "led_2", "left", ...
bool light_present(const LedGroupCommand& leds, int index);
const LedBaseCommand& light_of(const LedGroupCommand& leds, int index);
