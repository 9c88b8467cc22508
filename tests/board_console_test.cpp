// board_console's answers, failures and exit statuses.
#include <gtest/gtest.h>

#include "tests/support/capture.h"
#include "tests/support/scenario.h"

namespace {

const char GET_VERSION[] = "0\n0\n";

// What board_console prints after its request went out.
std::string after_request(const PeerRun& r) {
    const std::string marker = "hex raw: 02001001\n";
    size_t at = r.output.find(marker);
    return at == std::string::npos ? r.output : r.output.substr(at + marker.size());
}

// Each answer is printed, and ends the run with 0, or with --fail-on-error
// with 7 where it reports an error (error_info with a code or a message).
TEST(BoardConsole, PrintsTheAnswerFields) {
    const struct {
        const char* name;
        std::string answer;
        std::string lines;
        int failing;  // the status with --fail-on-error
    } cases[] = {
        {"worked example",
         board_frame_bytes(bytes_of("08 03 12 07 0A 05") + "V1.02" + bytes_of("22 08 08 02 12 04") +
                           "busy"),
         "[T] [INFO] rev len: 23 \n[T] [INFO] resp_id:3 \n[T] [INFO] version: V1.02\n\n"
         "[T] [INFO] error: busy\n",
         7},
        {"only resp_id", board_frame_of("08 05"), "[T] [INFO] rev len: 4 \n[T] [INFO] resp_id:5 \n",
         0},
        {"empty answer", board_frame_of(""), "[T] [INFO] rev len: 2 \n[T] [INFO] resp_id:0 \n", 0},
        {"error without message", board_frame_of("08 01 22 02 08 02"),
         "[T] [INFO] rev len: 8 \n[T] [INFO] resp_id:1 \n[T] [INFO] error: \n", 7},
        {"error_info with neither code nor message", board_frame_of("08 01 22 00"),
         "[T] [INFO] rev len: 6 \n[T] [INFO] resp_id:1 \n[T] [INFO] error: \n", 0},
        {"version without text", board_frame_of("12 00"),
         "[T] [INFO] rev len: 4 \n[T] [INFO] resp_id:0 \n[T] [INFO] version: \n\n", 0},
        {"unknown field and spares skipped", board_frame_of("48 07 08 02 18 09 2A 02 08 01"),
         "[T] [INFO] rev len: 12 \n[T] [INFO] resp_id:2 \n", 0},
        {"negative resp_id", board_frame_of("08 FF FF FF FF FF FF FF FF FF 01"),
         "[T] [INFO] rev len: 13 \n[T] [INFO] resp_id:-1 \n", 0},
    };
    for (const auto& c : cases) {
        for (bool failing : {false, true}) {
            PeerRun r = run_with_peer(
                "board_console", {receive_board_frame(), send_bytes(c.answer)}, GET_VERSION,
                failing ? std::vector<std::string>{"--fail-on-error"} : std::vector<std::string>{});
            EXPECT_EQ(r.run.status, failing ? c.failing : 0) << c.name;
            EXPECT_EQ(after_request(r), c.lines) << c.name;
        }
    }
}

TEST(BoardConsole, LongestVersionIsPrintedWhole) {
    std::string text(1016, 'v');
    std::string answer = board_frame_bytes(bytes_of("12 FB 07 0A F8 07") + text);
    PeerRun r =
        run_with_peer("board_console", {receive_board_frame(), send_bytes(answer)}, GET_VERSION);
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(
        after_request(r),
        "[T] [INFO] rev len: 1024 \n[T] [INFO] resp_id:0 \n[T] [INFO] version: " + text + "\n\n");
}

TEST(BoardConsole, AnswerSplitOverSegmentsIsPrintedOnce) {
    std::string answer = board_frame_of("08 03 12 04 0A 02 76 31");
    PeerRun r = run_with_peer(
        "board_console",
        {receive_board_frame(), send_bytes(answer.substr(0, 1)), pause_for(50),
         send_bytes(answer.substr(1, 4)), pause_for(50), send_bytes(answer.substr(5))},
        GET_VERSION);
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(after_request(r),
              "[T] [INFO] rev len: 10 \n[T] [INFO] resp_id:3 \n[T] [INFO] version: v1\n\n");
}

TEST(BoardConsole, BadAnswersGiveTheFailureLinesAndStatus2) {
    const struct {
        const char* name;
        std::vector<PeerStep> script;
        std::string lines;
    } cases[] = {
        {"header longer than any frame",
         {receive_board_frame(), send_bytes(bytes_of("FF 03 08 01"))},
         "[T] [INFO] rev len: 4 \n[T] [ERROR] msg size err: total:4, msg len:1023\n"
         "[T] [ERROR] decode failed!\n"},
        {"undecodable payload",
         {receive_board_frame(), send_bytes(board_frame_of("08 FF FF"))},
         "[T] [INFO] rev len: 5 \n[T] [ERROR] pb_decode failed\n[T] [ERROR] decode failed!\n"},
        {"wrong wire type",
         {receive_board_frame(), send_bytes(board_frame_of("0D 01 02 03 04"))},
         "[T] [INFO] rev len: 7 \n[T] [ERROR] pb_decode failed\n[T] [ERROR] decode failed!\n"},
        {"closed without answer",
         {receive_board_frame(), close_link()},
         "[T] [INFO] rev len: 0 \n"},
        {"half an answer then closed",
         {receive_board_frame(), send_bytes(bytes_of("05 00 08")), close_link()},
         "[T] [INFO] rev len: 0 \n"},
        {"reset", {receive_board_frame(), reset_link()}, "[T] [INFO] rev len: -1 \n"},
    };
    for (const auto& c : cases) {
        PeerRun r = run_with_peer("board_console", c.script, GET_VERSION);
        EXPECT_EQ(r.run.status, 2) << c.name;
        EXPECT_EQ(after_request(r), c.lines) << c.name;
    }
}

TEST(BoardConsole, WriteToAResetLinkFails) {
    RunOptions options;
    options.input = {{GET_VERSION, 300}};  // the peer resets the link meanwhile
    PeerRun r = run_with_peer("board_console", {reset_link()}, options);
    EXPECT_EQ(r.run.status, 2);
    EXPECT_EQ(after_request(r), "[T] [ERROR] tcp write failed.\n");
}

TEST(BoardConsole, EndOfInputBeforeTheCommandIsCompleteSendsNothing) {
    for (const char* input : {"", "0\n", "3\n2\n", "3\n2\nabc\n", "4\n0\n1\n255\n"}) {
        PeerRun r = run_with_peer("board_console", {}, input);
        EXPECT_EQ(r.run.status, 4) << input;
        EXPECT_EQ(r.received, "") << input;
        EXPECT_EQ(r.output.find("packing"), std::string::npos) << input;
    }
}

TEST(BoardConsole, SilentBoardTimesOutWithStatus2) {
    PeerRun r =
        run_with_peer("board_console", {receive_board_frame(), pause_for(20000)}, GET_VERSION);
    EXPECT_EQ(r.run.status, 2);
    EXPECT_EQ(after_request(r), "[T] [INFO] rev len: -1 \n");
    EXPECT_GE(r.run.seconds, 14.5);
    EXPECT_LT(r.run.seconds, 19.0);
}

// A request typed by name sends what --encode gives and prints, from
// "packing protobuf msg" on, what the menu path prints, with its status.
TEST(BoardConsole, RequestByNameRunsAsTheMenuPathDoes) {
    const struct {
        const char* text;
        const char* menu_input;
        bool answered;
    } rows[] = {
        {"platform_cmd: GET_FIRMWARE_VERSION", "0\n0\n", true},
        {"power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }", "1\n0\n0\n", true},
        {"chassis <cmd: 0x1>  # unlock", "2\n3\n", false},
    };
    const std::string answer = board_frame_of("08 01");
    for (const auto& row : rows) {
        std::vector<PeerStep> script = {receive_board_frame()};
        script.push_back(row.answered ? send_bytes(answer) : close_link());
        expect_typed_run_as_menu_run("board_console", script, row.text, row.menu_input);
    }
}

TEST(BoardConsole, ATypedRequestThatIsRefusedReachesNoSocket) {
    ProgramRun typed =
        run_program("board_console", {"--request", "chassis { cmd: UNLOCKED }", "127.0.0.1", "1"});
    EXPECT_EQ(typed.status, 255);
    EXPECT_EQ(
        normalized(typed.out),
        "[T] [INFO] Vostrel. Build date: D\n"
        "[T] [ERROR] --request: line 1, column 16: unknown name \"UNLOCKED\" for cmd, expected "
        "a number or one of CHASSIS_NONE, UNLOCK, LOCK, HUB_POWER_OFF, HUB_POWER_ON, "
        "MASK_BUMPER_BRAKE, MASK_ALL_BRAKES\n");
    ProgramRun encoded = run_program("board_console", {"--encode", "chassis {"});
    EXPECT_EQ(encoded.status, 255);
    EXPECT_EQ(
        normalized(encoded.out),
        "[T] [ERROR] --encode: line 1, column 10: expected a field name or \"}\", found the end "
        "of the text\n");
    ProgramRun alone = run_program("board_console", {"--encode", "chassis {}", "127.0.0.1", "1"});
    EXPECT_EQ(alone.status, 255);
    EXPECT_NE(alone.out.find("--encode TEXT takes nothing else"), std::string::npos);
}

}  // namespace
