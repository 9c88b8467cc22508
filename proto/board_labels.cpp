#include "proto/board_labels.h"

const RailLabel RAIL_LABELS[RAIL_COUNT] = {{"底盘电源", POWER_CHASSIS},
                                           {"HUB电源", POWER_HUB},
                                           {"机械臂电源", POWER_ARM},
                                           {"末端工具电源", POWER_END_TOOL},
                                           {"整机电源", POWER_WHOLE_MACHINE}};

const char* rail_label(uint32_t channel) {
    for (const RailLabel& rail : RAIL_LABELS) {
        if (static_cast<uint32_t>(rail.channel) == channel) return rail.label;
    }
    return "";
}
