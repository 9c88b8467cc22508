// arm_console: every command's body on the wire and every answer's lines.
#include <gtest/gtest.h>

#include <cstring>

#include "arm.pb.h"
#include "link/wall_clock.h"
#include "tests/support/capture.h"
#include "tests/support/scenario.h"

namespace {

const std::string SUCCESS = arm_frame_of("08 01 18 01");

std::string doubles(std::initializer_list<double> values) {
    std::string bytes;
    for (double v : values) {
        char raw[8];
        std::memcpy(raw, &v, 8);
        bytes.append(raw, 8);
    }
    return bytes;
}

std::string field_doubles(std::initializer_list<double> values) {
    std::string bytes;
    char key = 0x09;
    for (double v : values) {
        bytes += key;
        bytes += doubles({v});
        key = static_cast<char>(key + 8);
    }
    return bytes;
}

TEST(ArmConsole, EachEntrySendsItsBody) {
    const struct {
        const char* input;
        std::string body;
    } cases[] = {
        {"0\n", bytes_of("08 01")},
        {"1\n", bytes_of("08 04")},
        {"2\n0\n", bytes_of("08 03 10 00")},
        {"2\n1\n", bytes_of("08 03 10 01")},
        {"2\n5\nx\n1\n", bytes_of("08 03 10 01")},
        {"3\n0\n", bytes_of("08 06 28 00")},
        {"3\n1\n", bytes_of("08 06 28 01")},
        {"4\n0\n0\n0\n0\n0\n0\n", bytes_of("08 02 1a 32 0a 30") + std::string(48, '\0')},
        {"4\n1\n2\nabc\n3\n4\n5\n6\n", bytes_of("08 02 1a 32 0a 30") + doubles({1, 2, 3, 4, 5, 6})},
        {"5\n0\n0\n0\n0\n0\n0\n", bytes_of("08 05 22 04 12 00 1a 00")},
        {"5\n1\n2\n3\n4\n5\n6\n", bytes_of("08 05 22 3a 12 1b") + field_doubles({4, 5, 6}) +
                                      bytes_of("1a 1b") + field_doubles({1, 2, 3})},
        {"7\n", bytes_of("08 08")},
        {"8\n", ""},
        {"-1\n", ""},
        {"x\n", ""},
    };
    for (const auto& c : cases) {
        PeerRun r =
            run_with_peer("arm_console", {receive_arm_frame(), send_bytes(SUCCESS)}, c.input);
        EXPECT_EQ(r.run.status, 0) << c.input << r.output;
        EXPECT_EQ(hex_of(r.received), hex_of(arm_frame_bytes(c.body))) << c.input;
        EXPECT_EQ(typed_back("arm_console", MainArmRequestMsg_fields, c.body), hex_of(r.received))
            << c.input;
    }
}

TEST(ArmConsole, TimeSyncSendsTheWallClockInMilliseconds) {
    for (int run = 0; run < 2; ++run) {
        int64_t before = wall_clock_milliseconds();
        PeerRun r = run_with_peer("arm_console", {receive_arm_frame(), send_bytes(SUCCESS)}, "6\n");
        int64_t after = wall_clock_milliseconds();
        ASSERT_EQ(r.run.status, 0);
        ASSERT_GE(r.received.size(), 7u);
        EXPECT_EQ(hex_of(r.received.substr(4, 3)), "080730");
        int64_t sent = 0;
        int shift = 0;
        for (size_t i = 7; i < r.received.size(); ++i, shift += 7) {
            sent |= static_cast<int64_t>(static_cast<unsigned char>(r.received[i]) & 0x7f) << shift;
        }
        EXPECT_GE(sent, before);
        EXPECT_LE(sent, after);
        EXPECT_EQ(typed_back("arm_console", MainArmRequestMsg_fields, r.received.substr(4)),
                  hex_of(r.received));
    }
}

// Each answer is printed, and ends the run with 0, or with --fail-on-error
// with 7 where it reports an error (an error text, or success: false).
TEST(ArmConsole, PrintsTheAnswer) {
    const struct {
        const char* name;
        std::string body;
        const char* lines;
        int failing;  // the status with --fail-on-error
    } cases[] = {
        {"id", bytes_of("08 01 12 03 41 42 43"), "[T] [INFO] req type: 1\n\n[T] [INFO] id: ABC\n\n",
         0},
        {"success", bytes_of("08 03 18 01"), "[T] [INFO] req type: 3\n\n[T] [INFO] success: 1\n\n",
         0},
        {"empty body", "", "[T] [INFO] req type: 0\n\n", 0},
        {"error after success", bytes_of("08 03 18 00 22 04") + "bad!",
         "[T] [INFO] req type: 3\n\n[T] [INFO] success: 0\n\n[T] [INFO] error: bad!\n\n", 7},
        {"empty error", bytes_of("08 02 18 01 22 00"),
         "[T] [INFO] req type: 2\n\n[T] [INFO] success: 1\n\n", 0},
        {"success before id", bytes_of("18 01 12 02") + "A7" + bytes_of("08 01 22 02") + "no",
         "[T] [INFO] req type: 1\n\n[T] [INFO] id: A7\n\n[T] [INFO] error: no\n\n", 7},
        {"id before success", bytes_of("12 02") + "A7" + bytes_of("18 01"),
         "[T] [INFO] req type: 0\n\n[T] [INFO] success: 1\n\n", 0},
        {"success: false", bytes_of("08 05 18 00"),
         "[T] [INFO] req type: 5\n\n[T] [INFO] success: 0\n\n", 7},
        {"timestamp not shown", bytes_of("08 07 18 01 28 99 01"),
         "[T] [INFO] req type: 7\n\n[T] [INFO] success: 1\n\n", 0},
        {"request type above 2^31", bytes_of("08 80 80 80 80 08"),
         "[T] [INFO] req type: 2147483648\n\n", 0},
    };
    for (const auto& c : cases) {
        std::string frame = arm_frame_bytes(c.body);
        std::string expected =
            "[T] [INFO] rev len: " + std::to_string(frame.size()) + " \n" + c.lines;
        for (bool failing : {false, true}) {
            PeerRun r = run_with_peer(
                "arm_console", {receive_arm_frame(), send_bytes(frame)}, "0\n",
                failing ? std::vector<std::string>{"--fail-on-error"} : std::vector<std::string>{});
            EXPECT_EQ(r.run.status, failing ? c.failing : 0) << c.name;
            EXPECT_EQ(r.output.substr(r.output.find("[T] [INFO] rev len")), expected) << c.name;
        }
    }
}

TEST(ArmConsole, WholeRunForTheIdentity) {
    PeerRun r = run_with_peer(
        "arm_console", {receive_arm_frame(), send_bytes(arm_frame_of("08 01 12 03 41 42 43"))},
        "0\n");
    EXPECT_EQ(r.output, startup_lines(r.port) +
                            "遥操主臂:\n\n"
                            "0. 获取主臂ID\n"
                            "1. 主臂初始化\n"
                            "2. 主臂使能控制\n"
                            "3. 开启力反馈\n"
                            "4. 同步主臂\n"
                            "5. 发送力矩\n"
                            "6. 同步时间戳\n"
                            "7. 主臂设0(不要轻易设0)\n"
                            "[T] [DEBUG] call action: 遥操主臂:\n\n"
                            "[T] [INFO] select: 0. 获取主臂ID\n"
                            "获取主臂ID\n"
                            "[T] [DEBUG] call action: 获取主臂ID\n"
                            "[T] [INFO] packing protobuf msg\n"
                            "[T] [INFO] pb encode len:2\n"
                            "[T] [INFO] total len:6\n"
                            "[T] [INFO] hex raw: 000000020801\n"
                            "[T] [INFO] rev len: 11 \n"
                            "[T] [INFO] req type: 1\n\n"
                            "[T] [INFO] id: ABC\n\n");
}

TEST(ArmConsole, PromptsOfTheDialogs) {
    PeerRun angles = run_with_peer("arm_console", {receive_arm_frame(), send_bytes(SUCCESS)},
                                   "4\n1\n2\nabc\n3\n4\n5\n6\n");
    EXPECT_NE(angles.output.find("同步主臂\n[T] [DEBUG] call action: 同步主臂\n"
                                 "input angle 0\ninput angle 1\ninput angle 2\n"
                                 "input angle 2\n[T] [ERROR] Invalid input. Please try again.\n"
                                 "input angle 3\ninput angle 4\ninput angle 5\n"
                                 "[T] [INFO] packing protobuf msg\n"),
              std::string::npos)
        << angles.output;
    PeerRun force = run_with_peer("arm_console", {receive_arm_frame(), send_bytes(SUCCESS)},
                                  "5\n1\n2\n3\n4\n5\n6\n");
    EXPECT_NE(force.output.find("input Torque.x\ninput Torque.y\ninput Torque.z\n"
                                "input Force.x\ninput Force.y\ninput Force.z\n"),
              std::string::npos);
    PeerRun enable =
        run_with_peer("arm_console", {receive_arm_frame(), send_bytes(SUCCESS)}, "2\n1\n");
    EXPECT_NE(enable.output.find("主臂使能控制\n[T] [DEBUG] call action: 主臂使能控制\n"
                                 "0. 失能\n1. 使能\n[T] [INFO] select: 1. 使能\n"),
              std::string::npos);
    PeerRun feedback =
        run_with_peer("arm_console", {receive_arm_frame(), send_bytes(SUCCESS)}, "3\n2\n0\n");
    EXPECT_NE(feedback.output.find("0. 关闭\n1. 开启\n[T] [ERROR] 无效的选择\n"
                                   "0. 关闭\n1. 开启\n[T] [INFO] select: 0. 关闭\n"),
              std::string::npos);
}

TEST(ArmConsole, BadAnswersGiveTheFailureLinesAndStatus2) {
    const struct {
        const char* name;
        std::vector<PeerStep> script;
        const char* lines;
    } cases[] = {
        {"header longer than any frame",
         {receive_arm_frame(), send_bytes(bytes_of("00 00 03 fd 08 01"))},
         "[T] [INFO] rev len: 6 \n[T] [ERROR] msg size err: total:6, msg len:1021\n"
         "[T] [ERROR] decode failed!\n"},
        {"undecodable",
         {receive_arm_frame(), send_bytes(arm_frame_of("12 05 41"))},
         "[T] [INFO] rev len: 7 \n[T] [ERROR] pb_decode failed\n[T] [ERROR] decode failed!\n"},
        {"closed", {receive_arm_frame(), close_link()}, "[T] [INFO] rev len: 0 \n"},
        {"half a frame",
         {receive_arm_frame(), send_bytes(bytes_of("00 00 00 04 08")), close_link()},
         "[T] [INFO] rev len: 0 \n"},
    };
    for (const auto& c : cases) {
        PeerRun r = run_with_peer("arm_console", c.script, "0\n");
        EXPECT_EQ(r.run.status, 2) << c.name;
        EXPECT_EQ(r.output.substr(r.output.find("[T] [INFO] rev len")), c.lines) << c.name;
    }
}

TEST(ArmConsole, EndOfInputBeforeTheCommandIsCompleteSendsNothing) {
    for (const char* input : {"", "2\n", "2\n7\n", "4\n1\n2\n", "5\n1\n2\n3\n4\n5\n"}) {
        PeerRun r = run_with_peer("arm_console", {}, input);
        EXPECT_EQ(r.run.status, 4) << input;
        EXPECT_EQ(r.received, "") << input;
    }
}

TEST(ArmConsole, RequestByNameRunsAsTheMenuPathDoes) {
    const struct {
        const char* text;
        const char* menu_input;
    } rows[] = {
        {"req_type: GET_ID", "0\n"},
        {"req_type: ARM_ENABLE enable: false", "2\n0\n"},
        {"req_type: 2 angles < angle: [1, 2, 3, 4, 5, 6] >", "4\n1\n2\n3\n4\n5\n6\n"},
    };
    for (const auto& row : rows) {
        std::vector<PeerStep> script = {receive_arm_frame(), send_bytes(SUCCESS)};
        expect_typed_run_as_menu_run("arm_console", script, row.text, row.menu_input);
    }
}

}  // namespace
