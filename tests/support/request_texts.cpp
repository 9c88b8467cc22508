#include "tests/support/request_texts.h"

const std::vector<RequestText> REQUEST_TEXTS = {
    {false, "chassis { cmd: 1 }", "9201020801"},
    {false, "chassis < cmd: 1 >", "9201020801"},
    {false, "chassis: { cmd: 0x1 }", "9201020801"},
    {false, "chassis {\n  cmd: 01  # octal\n}\n", "9201020801"},
    {false, "spare_1: -0x10", "08f0ffffffffffffffff01"},
    {false, "spare_1: 010", "0808"},
    {false, "spare_1: -2147483648", "0880808080f8ffffffff01"},
    {false, "power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }", "aa010410061801"},
    {false, "leds { top { rgb: 5 mode: LED_BLINKING } led_2 {} }", "8201080a04080510031200"},
    {false, "motor_3 { duty: 5 direction: MOTOR_REVERSE }", "1a0408031005"},
    {false, "chassis {}, spare_1: 2;", "08029201 00"},
    {false, "", ""},
    {true, "req_type: 1; timestamp: 5,", "08013005"},
    {true, "req_type:ARM_ENABLE enable: t", "08031001"},
    {true, "enable: 1", "1001"},
    {true, "enable: True", "1001"},
    {true, "force_feedback: f", "2800"},
    {true, "force_feedback: false", "2800"},
    {true, "timestamp: -9223372036854775808", "3080808080808080808001"},
    {true, "angles { angle: [1, 2.5, -3e2, inf, -inf, nan] }",
     "1a320a30000000000000f03f00000000000004400000000000c072c0000000000000f07f000000000000f0ff"
     "000000000000f87f"},
    {true, "angles { angle: 1.5f angle: -0 }", "1a120a10000000000000f83f0000000000000080"},
    {true, "angles { angle: .5 angle: 1. angle: 1E2 angle: Infinity angle: NaN }",
     "1a2a0a28000000000000e03f000000000000f03f0000000000005940000000000000f07f000000000000f87"
     "f"},
    {true, "angles { angle: [] }", "1a00"},
    {true, "force_torque { timestamp: 1 force { x: 1e-300 } torque {} }",
     "220f080112090959f3f8c21f6ea5011a00"},
};
