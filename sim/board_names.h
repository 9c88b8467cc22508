// Names of the signal board's values, for the simulator's log.
#pragma once

#include <cstdint>
#include <string>

// "NAME(value)", or "value" alone for a value outside the table; `known`
// tells which.
std::string platform_name(int64_t value, bool* known = nullptr);
std::string chassis_name(int64_t value, bool* known = nullptr);
std::string channel_name(int64_t value, bool* known = nullptr);
std::string switch_name(int64_t value, bool* known = nullptr);
std::string direction_name(int64_t value, bool* known = nullptr);
std::string light_mode_name(int64_t value, bool* known = nullptr);
std::string select_name(int64_t value, bool* known = nullptr);

// The rail's operator label, "底盘电源" for POWER_CHASSIS ("" when unknown).
std::string channel_label(uint32_t channel);
