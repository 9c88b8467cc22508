#include "sim/board_names.h"

#include <utility>
#include <vector>

#include "board.pb.h"

namespace {

using Table = std::vector<std::pair<int64_t, const char*>>;

std::string name_in(const Table& table, int64_t value, bool* known) {
    for (const auto& entry : table) {
        if (entry.first == value) {
            if (known) *known = true;
            return std::string(entry.second) + "(" + std::to_string(value) + ")";
        }
    }
    if (known) *known = false;
    return std::to_string(value);
}

}  // namespace

std::string platform_name(int64_t value, bool* known) {
    static const Table TABLE = {{GET_FIRMWARE_VERSION, "GET_FIRMWARE_VERSION"},
                                {SOFT_REBOOT_MCU, "SOFT_REBOOT_MCU"},
                                {SHUTDOWN_SYSTEM_POWER, "SHUTDOWN_SYSTEM_POWER"},
                                {TEST_INTERFACE, "TEST_INTERFACE"}};
    return name_in(TABLE, value, known);
}

std::string chassis_name(int64_t value, bool* known) {
    static const Table TABLE = {{UNLOCK, "UNLOCK"},
                                {LOCK, "LOCK"},
                                {HUB_POWER_OFF, "HUB_POWER_OFF"},
                                {HUB_POWER_ON, "HUB_POWER_ON"},
                                {MASK_BUMPER_BRAKE, "MASK_BUMPER_BRAKE"},
                                {MASK_ALL_BRAKES, "MASK_ALL_BRAKES"}};
    return name_in(TABLE, value, known);
}

std::string channel_name(int64_t value, bool* known) {
    static const Table TABLE = {{POWER_WHOLE_MACHINE, "POWER_WHOLE_MACHINE"},
                                {POWER_CHASSIS, "POWER_CHASSIS"},
                                {POWER_HUB, "POWER_HUB"},
                                {POWER_ARM, "POWER_ARM"},
                                {POWER_END_TOOL, "POWER_END_TOOL"}};
    return name_in(TABLE, value, known);
}

std::string switch_name(int64_t value, bool* known) {
    static const Table TABLE = {{POWER_ON, "POWER_ON"}, {POWER_OFF, "POWER_OFF"}};
    return name_in(TABLE, value, known);
}

std::string direction_name(int64_t value, bool* known) {
    static const Table TABLE = {{MOTOR_STOP, "MOTOR_STOP"},
                                {MOTOR_FORWARD, "MOTOR_FORWARD"},
                                {MOTOR_REVERSE, "MOTOR_REVERSE"}};
    return name_in(TABLE, value, known);
}

std::string light_mode_name(int64_t value, bool* known) {
    static const Table TABLE = {{LED_OFF, "LED_OFF"},
                                {LED_STEADY, "LED_STEADY"},
                                {LED_BREATHING, "LED_BREATHING"},
                                {LED_BLINKING, "LED_BLINKING"},
                                {LED_FLOWING, "LED_FLOWING"}};
    return name_in(TABLE, value, known);
}

std::string select_name(int64_t value, bool* known) {
    static const Table TABLE = {{SELECT_NONE, "SELECT_NONE"},
                                {SELECT_1, "SELECT_1"},
                                {SELECT_2, "SELECT_2"},
                                {SELECT_3, "SELECT_3"}};
    return name_in(TABLE, value, known);
}

std::string channel_label(uint32_t channel) {
    switch (channel) {
        case POWER_WHOLE_MACHINE:
            return "整机电源";
        case POWER_CHASSIS:
            return "底盘电源";
        case POWER_HUB:
            return "HUB电源";
        case POWER_ARM:
            return "机械臂电源";
        case POWER_END_TOOL:
            return "末端工具电源";
        default:
            return "";
    }
}
