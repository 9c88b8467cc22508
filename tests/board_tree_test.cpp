// Every leaf of the signal-board command tree, through board_console, as the
// board receives it.
#include <gtest/gtest.h>

#include "board.pb.h"
#include "tests/support/capture.h"
#include "tests/support/scenario.h"

namespace {

const std::string ANSWER = board_frame_of("08 07");

struct Leaf {
    const char* input;
    const char* payload;
};

void check_leaves(const std::vector<Leaf>& leaves) {
    for (const Leaf& leaf : leaves) {
        PeerRun r =
            run_with_peer("board_console", {receive_board_frame(), send_bytes(ANSWER)}, leaf.input);
        EXPECT_EQ(r.run.status, 0) << leaf.input << r.output;
        EXPECT_EQ(hex_of(r.received), hex_of(board_frame_of(leaf.payload))) << leaf.input;
        // What the simulator and --check show of it types back the same frame.
        EXPECT_EQ(
            typed_back("board_console", CleaningComponentRequest_fields, bytes_of(leaf.payload)),
            hex_of(r.received))
            << leaf.input;
    }
}

TEST(BoardCommandTree, PlatformEntries) {
    check_leaves({
        {"0\n0\n", "10 01"},
        {"0\n1\n", "10 04"},
        {"0\n2\n", "10 63"},
        {"0\n3\n", "10 05"},
        {"0\n4\n", ""},
    });
}

TEST(BoardCommandTree, PowerDialogAlwaysAsksRailAndSwitch) {
    check_leaves({
        {"1\n0\n0\n", "AA 01 04 10 06 18 01"},
        {"1\n1\n0\n", "AA 01 04 10 07 18 01"},
        {"1\n2\n1\n", "AA 01 04 10 09 18 02"},
        {"1\n3\n0\n", "AA 01 04 10 0A 18 01"},
        {"1\n4\n1\n", "AA 01 04 10 01 18 02"},
        {"1\n7\n0\n1\n", "AA 01 04 10 06 18 02"},  // an invalid rail is asked again
    });
}

TEST(BoardCommandTree, ChassisListIsNotInValueOrder) {
    check_leaves({
        {"2\n0\n", "92 01 02 08 03"},
        {"2\n1\n", "92 01 02 08 04"},
        {"2\n2\n", "92 01 02 08 02"},
        {"2\n3\n", "92 01 02 08 01"},
        {"2\n4\n", "92 01 02 08 05"},
        {"2\n5\n", "92 01 02 08 06"},
        {"2\n9\nx\n3\n", "92 01 02 08 01"},
    });
}

TEST(BoardCommandTree, MotorEntries) {
    check_leaves({
        {"3\n9\n", "B2 01 00"},
        {"3\n0\n0\n", "B2 01 02 0A 00"},
        {"3\n0\n1\n", "B2 01 06 0A 04 08 01 10 64"},
        {"3\n0\n2\n", "B2 01 06 0A 04 08 03 10 64"},
        {"3\n1\n50\n", "B2 01 00 BA 01 06 0A 04 08 01 10 32"},
        {"3\n1\nabc\n50\n", "B2 01 00 BA 01 06 0A 04 08 01 10 32"},
        {"3\n1\n0\n", "B2 01 00 BA 01 02 0A 00"},
        {"3\n1\n-5\n", "B2 01 00 BA 01 0F 0A 0D 08 01 10 FB FF FF FF FF FF FF FF FF 01"},
        {"3\n1\n-1\n", "B2 01 00 BA 01 0F 0A 0D 08 01 10 FF FF FF FF FF FF FF FF FF 01"},
        {"3\n2\n30\n2\n", "B2 01 00 BA 01 0A 12 08 0A 04 08 01 10 1E 10 02"},
        {"3\n2\n30\n3\n", "B2 01 00 BA 01 0A 12 08 0A 04 08 01 10 1E 10 04"},
        {"3\n2\n0\n", "B2 01 00 BA 01 04 12 02 0A 00"},
        {"3\n3\n40\n3\n", "B2 01 00 BA 01 0A 1A 08 0A 04 08 01 10 28 10 04"},
        {"3\n3\n0\n", "B2 01 00 BA 01 04 1A 02 0A 00"},
        {"3\n4\n2\n80\n3\n", "B2 01 0A 12 08 0A 04 08 03 10 50 10 04"},
        {"3\n4\n1\n20\n0\n", "B2 01 08 12 06 0A 04 08 01 10 14"},
        {"3\n4\n1\n20\n1\n", "B2 01 0A 12 08 0A 04 08 01 10 14 10 01"},
        {"3\n4\n0\n", "B2 01 04 12 02 0A 00"},
    });
}

TEST(BoardCommandTree, LightEntriesAlwaysAskModeRgbAndPeriod) {
    check_leaves({
        {"4\n0\n2\n255\n1000\n", "82 01 0A 1A 08 08 FF 01 10 02 18 E8 07"},
        {"4\n1\n1\n1\n1\n", "82 01 08 22 06 08 01 10 01 18 01"},
        {"4\n2\n0\n0\n0\n", "82 01 02 0A 00"},
        {"4\n3\n3\n4294967295\n5\n", "82 01 0C 2A 0A 08 FF FF FF FF 0F 10 03 18 05"},
        {"4\n4\n4\n7\n9\n", "82 01 08 32 06 08 07 10 04 18 09"},
        {"4\n5\n0\n0\n0\n", "82 01 02 3A 00"},
        {"4\n6\n", "82 01 00"},
    });
}

TEST(BoardCommandTree, InvalidRootChoiceSendsTheClearedRecord) {
    check_leaves({{"5\n", ""}, {"-1\n", ""}, {"x\n", ""}});
}

TEST(BoardCommandTree, CompletePassShowsEveryLine) {
    PeerRun r = run_with_peer("board_console", {receive_board_frame(), send_bytes(ANSWER)},
                              "3\n2\n30\n2\n");
    EXPECT_EQ(r.output, startup_lines(r.port) +
                            "选择操作:\n"
                            "\n"
                            "0. 平台命令\n"
                            "1. 电源控制\n"
                            "2. 底盘控制\n"
                            "3. 选择电机\n"
                            "4. 灯光控制\n"
                            "[T] [INFO] select: 3. 选择电机\n"
                            "选择电机\n"
                            "0. 相机遮罩\n"
                            "1. 末端喷水\n"
                            "2. 工具箱供水\n"
                            "3. 工具箱排水\n"
                            "4. 工具箱电机\n"
                            "[T] [DEBUG] call action: 选择电机\n"
                            "[T] [INFO] select: 2. 工具箱供水\n"
                            "工具箱供水\n"
                            "[T] [DEBUG] call action: 工具箱供水\n"
                            "电机控制\n"
                            "[T] [DEBUG] call action: 电机控制\n"
                            "占空比: 0-100 (请输入整数)"
                            "0. None\n"
                            "1. 阀1\n"
                            "2. 阀2\n"
                            "3. 阀3\n"
                            "[T] [INFO] select: 2. 阀2\n"
                            "[T] [INFO] packing protobuf msg\n"
                            "[T] [INFO] pb encode len:16\n"
                            "[T] [INFO] total len:18\n"
                            "[T] [INFO] hex raw: 1000b20100ba010a12080a0408011"
                            "01e1002\n"
                            "[T] [INFO] rev len: 4 \n"
                            "[T] [INFO] resp_id:7 \n");
}

TEST(BoardCommandTree, PlatformMenuLogsItsEmptyActionBeforeTheChoice) {
    PeerRun r =
        run_with_peer("board_console", {receive_board_frame(), send_bytes(ANSWER)}, "0\n0\n");
    EXPECT_NE(r.output.find("[T] [INFO] select: 0. 平台命令\n"
                            "平台命令\n"
                            "0. 获取固件版本\n"
                            "1. 软重启单片机\n"
                            "2. 测试接口(请勿调用)\n"
                            "3. 关闭系统电源\n"
                            "[T] [DEBUG] call action: 平台命令\n"
                            "[T] [INFO] select: 0. 获取固件版本\n"
                            "获取固件版本\n"
                            "[T] [DEBUG] call action: 获取固件版本\n"
                            "[T] [INFO] packing protobuf msg\n"),
              std::string::npos)
        << r.output;
}

TEST(BoardCommandTree, LightDialogPrompts) {
    PeerRun r = run_with_peer("board_console", {receive_board_frame(), send_bytes(ANSWER)},
                              "4\n2\n0\n0\n0\n");
    EXPECT_NE(r.output.find("[T] [INFO] select: 2. 上灯\n"
                            "上灯\n"
                            "[T] [DEBUG] call action: 上灯\n"
                            "灯光指令\n"
                            "[T] [DEBUG] call action: 灯光指令\n"
                            "0. 关灯\n1. 常亮\n2. 呼吸\n3. 闪烁\n4. 流水\n"
                            "[T] [INFO] select: 0. 关灯\n"
                            "rgb值(整数)灯效毫秒周期(整数)[T] [INFO] packing protobuf msg\n"),
              std::string::npos)
        << r.output;
}

}  // namespace
