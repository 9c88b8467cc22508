// Requests as the controllers receive them: exact payload bytes inside their frames.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "arm.pb.h"
#include "board.pb.h"
#include "link/frame.h"
#include "proto/text_buffer.h"
#include "tests/support/capture.h"

namespace {

std::string frame_of(const pb_msgdesc_t* fields, const void* record, FrameFormat format,
                     std::string* log = nullptr) {
    FrameBuffer buffer{};
    StdoutCapture capture;
    FrameResult packed = pack_request(fields, record, format, buffer);
    std::string out = capture.finish();
    if (log) *log = without_timestamps(out);
    if (!packed.is_frame()) return "<failed>";
    return std::string(reinterpret_cast<const char*>(buffer.data()), packed.length);
}

std::string board_frame(const std::function<void(CleaningComponentRequest&)>& fill) {
    CleaningComponentRequest request{};
    fill(request);
    return frame_of(CleaningComponentRequest_fields, &request, BOARD_FRAME);
}

std::string arm_frame(const std::function<void(MainArmRequestMsg&)>& fill) {
    MainArmRequestMsg request{};
    fill(request);
    return frame_of(MainArmRequestMsg_fields, &request, ARM_FRAME);
}

MotorCommand motor(int32_t direction, int32_t duty) {
    MotorCommand command{};
    command.direction = direction;
    command.duty = duty;
    return command;
}

TEST(BoardRequestEncoding, WorkedCommandsGiveTheirBytes) {
    const struct {
        const char* name;
        std::function<void(CleaningComponentRequest&)> fill;
        const char* payload;
    } cases[] = {
        {"cleared record", [](CleaningComponentRequest&) {}, ""},
        {"get firmware version", [](auto& r) { r.platform_cmd = GET_FIRMWARE_VERSION; }, "10 01"},
        {"test interface", [](auto& r) { r.platform_cmd = TEST_INTERFACE; }, "10 63"},
        {"chassis unlock",
         [](auto& r) {
             r.has_chassis = true;
             r.chassis.cmd = UNLOCK;
         },
         "92 01 02 08 01"},
        {"chassis power on",
         [](auto& r) {
             r.has_power_cmd = true;
             r.power_cmd.channel = POWER_CHASSIS;
             r.power_cmd.on_off = POWER_ON;
         },
         "AA 01 04 10 06 18 01"},
        {"end spray at 50",
         [](auto& r) {
             r.has_motors = true;
             r.has_water = true;
             r.water.has_end_spray = true;
             r.water.end_spray = motor(MOTOR_FORWARD, 50);
         },
         "B2 01 00 BA 01 06 0A 04 08 01 10 32"},
        {"toolbox motor reverse 80 slot 3",
         [](auto& r) {
             r.has_motors = true;
             r.motors.has_toolbox_motor = true;
             r.motors.toolbox_motor.has_drive = true;
             r.motors.toolbox_motor.drive = motor(MOTOR_REVERSE, 80);
             r.motors.toolbox_motor.select_mask = SELECT_3;
         },
         "B2 01 0A 12 08 0A 04 08 03 10 50 10 04"},
        {"toolbox supply at 30 through valve 2",
         [](auto& r) {
             r.has_motors = true;
             r.has_water = true;
             r.water.has_toolbox_supply = true;
             r.water.toolbox_supply.has_drive = true;
             r.water.toolbox_supply.drive = motor(MOTOR_FORWARD, 30);
             r.water.toolbox_supply.select_mask = SELECT_2;
         },
         "B2 01 00 BA 01 0A 12 08 0A 04 08 01 10 1E 10 02"},
        {"left light breathing",
         [](auto& r) {
             r.has_leds = true;
             r.leds.has_left = true;
             r.leds.left.mode = LED_BREATHING;
             r.leds.left.rgb = 255;
             r.leds.left.period_ms = 1000;
         },
         "82 01 0A 1A 08 08 FF 01 10 02 18 E8 07"},
        {"top light present and empty",
         [](auto& r) {
             r.has_leds = true;
             r.leds.has_top = true;
         },
         "82 01 02 0A 00"},
        {"negative duty takes ten bytes",
         [](auto& r) {
             r.has_motors = true;
             r.has_water = true;
             r.water.has_end_spray = true;
             r.water.end_spray = motor(MOTOR_FORWARD, -1);
         },
         "B2 01 00 BA 01 0F 0A 0D 08 01 10 FF FF FF FF FF FF FF FF FF 01"},
        {"end spray at 0 still present",
         [](auto& r) {
             r.has_motors = true;
             r.has_water = true;
             r.water.has_end_spray = true;
         },
         "B2 01 00 BA 01 02 0A 00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex_of(board_frame(c.fill)), hex_of(board_frame_of(c.payload))) << c.name;
    }
}

void fill_motor(MotorCommand& m) {
    m = motor(-1, -1);
}

void fill_select(bool& has, MotorSelectCommand& s) {
    has = true;
    s.has_drive = true;
    fill_motor(s.drive);
    s.select_mask = UINT32_MAX;
}

void fill_led(bool& has, LedBaseCommand& led) {
    has = true;
    led.rgb = led.mode = led.period_ms = UINT32_MAX;
}

TEST(BoardRequestEncoding, LargestRequestIs727BytesAndFits) {
    CleaningComponentRequest r{};
    r.spare_1 = r.platform_cmd = -1;
    MotorCommand* motors[] = {&r.motor_3,  &r.motor_4,  &r.motor_5,  &r.motor_6,  &r.motor_7,
                              &r.motor_8,  &r.motor_9,  &r.motor_10, &r.motor_11, &r.motor_12,
                              &r.motor_13, &r.motor_17, &r.motor_19, &r.motor_20};
    bool* present[] = {&r.has_motor_3,  &r.has_motor_4,  &r.has_motor_5,  &r.has_motor_6,
                       &r.has_motor_7,  &r.has_motor_8,  &r.has_motor_9,  &r.has_motor_10,
                       &r.has_motor_11, &r.has_motor_12, &r.has_motor_13, &r.has_motor_17,
                       &r.has_motor_19, &r.has_motor_20};
    for (size_t i = 0; i < 14; ++i) {
        *present[i] = true;
        fill_motor(*motors[i]);
    }
    r.has_spare_14 = r.has_spare_15 = true;
    r.spare_14.first = r.spare_14.second = r.spare_15.number = -1;
    r.has_leds = true;
    fill_led(r.leds.has_top, r.leds.top);
    fill_led(r.leds.has_led_2, r.leds.led_2);
    fill_led(r.leds.has_left, r.leds.left);
    fill_led(r.leds.has_right, r.leds.right);
    fill_led(r.leds.has_fill, r.leds.fill);
    fill_led(r.leds.has_front, r.leds.front);
    fill_led(r.leds.has_rear, r.leds.rear);
    r.has_chassis = true;
    r.chassis.cmd = UINT32_MAX;
    r.has_power_cmd = true;
    r.power_cmd.spare_1 = -1;
    r.power_cmd.channel = r.power_cmd.on_off = UINT32_MAX;
    r.has_motors = true;
    r.motors.has_camera_cover = true;
    fill_motor(r.motors.camera_cover);
    fill_select(r.motors.has_toolbox_motor, r.motors.toolbox_motor);
    r.has_water = true;
    r.water.has_end_spray = true;
    fill_motor(r.water.end_spray);
    fill_select(r.water.has_toolbox_supply, r.water.toolbox_supply);
    fill_select(r.water.has_toolbox_drain, r.water.toolbox_drain);

    std::string log;
    std::string frame = frame_of(CleaningComponentRequest_fields, &r, BOARD_FRAME, &log);
    ASSERT_EQ(frame.size(), 729u);
    EXPECT_EQ(hex_of(frame.substr(0, 2)), "d702");
    EXPECT_NE(log.find("[T] [INFO] pb encode len:727\n[T] [INFO] total len:729\n"),
              std::string::npos);
}

TEST(FramePacking, LogsLengthsAndHexTextOfTheWholeFrame) {
    std::string log;
    CleaningComponentRequest cleared{};
    std::string frame = frame_of(CleaningComponentRequest_fields, &cleared, BOARD_FRAME, &log);
    EXPECT_EQ(frame, std::string(2, '\0'));
    EXPECT_EQ(log,
              "[T] [INFO] packing protobuf msg\n[T] [INFO] pb encode len:0\n"
              "[T] [INFO] total len:2\n[T] [INFO] hex raw: 0000\n");

    MainArmRequestMsg zero{};
    frame = frame_of(MainArmRequestMsg_fields, &zero, ARM_FRAME, &log);
    EXPECT_EQ(frame, std::string(4, '\0'));
    EXPECT_EQ(log,
              "[T] [INFO] packing protobuf msg\n[T] [INFO] pb encode len:0\n"
              "[T] [INFO] total len:4\n[T] [INFO] hex raw: 00000000\n");
}

TEST(FramePacking, HeadersOf300BytePayloadsInBothFramings) {
    static text_buffer text;
    std::memset(text.text, 'v', 297);  // key, two length bytes, 297 bytes of text
    VersionInfo info{};
    info.version.funcs.encode = encode_text;
    info.version.arg = &text;
    std::string board = frame_of(VersionInfo_fields, &info, BOARD_FRAME);
    ASSERT_EQ(board.size(), 302u);
    EXPECT_EQ(hex_of(board.substr(0, 2)), "2c01");
    std::string arm = frame_of(VersionInfo_fields, &info, ARM_FRAME);
    ASSERT_EQ(arm.size(), 304u);
    EXPECT_EQ(hex_of(arm.substr(0, 4)), "0000012c");
    clear_text(text);
}

TEST(FramePacking, PayloadBeyondTheLimitFailsToEncode) {
    static text_buffer text;
    std::memset(text.text, 'v', 1019);  // 1 + 2 + 1019 = 1022 bytes: fits the board, not the arm
    VersionInfo info{};
    info.version.funcs.encode = encode_text;
    info.version.arg = &text;
    std::string log;
    EXPECT_EQ(frame_of(VersionInfo_fields, &info, BOARD_FRAME).size(), 1024u);
    EXPECT_EQ(frame_of(VersionInfo_fields, &info, ARM_FRAME, &log), "<failed>");
    EXPECT_EQ(log, "[T] [INFO] packing protobuf msg\n[T] [ERROR] pb_encode failed\n");
    clear_text(text);
}

TEST(ArmRequestEncoding, EachRequestGivesItsBody) {
    const struct {
        const char* name;
        std::function<void(MainArmRequestMsg&)> fill;
        std::string body;
    } cases[] = {
        {"monitor request", [](MainArmRequestMsg&) {}, ""},
        {"get id", [](auto& r) { r.req_type = GET_ID; }, "08 01"},
        {"init", [](auto& r) { r.req_type = INIT; }, "08 04"},
        {"set zero", [](auto& r) { r.req_type = SET_ZERO; }, "08 08"},
        {"disable",
         [](auto& r) {
             r.req_type = ARM_ENABLE;
             r.which_payload = MainArmRequestMsg_enable_tag;
             r.payload.enable = false;
         },
         "08 03 10 00"},
        {"enable",
         [](auto& r) {
             r.req_type = ARM_ENABLE;
             r.which_payload = MainArmRequestMsg_enable_tag;
             r.payload.enable = true;
         },
         "08 03 10 01"},
        {"force feedback off",
         [](auto& r) {
             r.req_type = OPEN_FORCE;
             r.which_payload = MainArmRequestMsg_force_feedback_tag;
         },
         "08 06 28 00"},
        {"zero force and torque",
         [](auto& r) {
             r.req_type = SEND_FORCE;
             r.which_payload = MainArmRequestMsg_force_torque_tag;
             r.payload.force_torque.has_force = r.payload.force_torque.has_torque = true;
         },
         "08 05 22 04 12 00 1a 00"},
        {"negative zero is sent",
         [](auto& r) {
             r.req_type = SEND_FORCE;
             r.which_payload = MainArmRequestMsg_force_torque_tag;
             r.payload.force_torque.has_force = r.payload.force_torque.has_torque = true;
             r.payload.force_torque.force.x = -0.0;
             r.payload.force_torque.torque.z = 2.0;
         },
         "08 05 22 16 12 09 09 00 00 00 00 00 00 00 80 1a 09 19 00 00 00 00 00 00 00 40"},
        {"six zero angles",
         [](auto& r) {
             r.req_type = SYNC_MAIN_ARM;
             r.which_payload = MainArmRequestMsg_angles_tag;
             r.payload.angles.angle_count = 6;
         },
         "08 02 1a 32 0a 30" + std::string(96, '0')},
        {"sync time",
         [](auto& r) {
             r.req_type = SYNC_TS;
             r.timestamp = 1784624703123;
         },
         "08 07 30 93 cd af 9f f8 33"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex_of(arm_frame(c.fill)), hex_of(arm_frame_of(c.body))) << c.name;
    }
}

TEST(ArmRequestEncoding, GetIdFrame) {
    std::string frame = arm_frame([](auto& r) { r.req_type = GET_ID; });
    EXPECT_EQ(hex_of(frame), "000000020801");
}

TEST(ArmRequestEncoding, SixAnglesBodyIs54Bytes) {
    std::string frame = arm_frame([](auto& r) {
        r.req_type = SYNC_MAIN_ARM;
        r.which_payload = MainArmRequestMsg_angles_tag;
        r.payload.angles.angle_count = 6;
    });
    EXPECT_EQ(frame.size(), 58u);
}

}  // namespace
