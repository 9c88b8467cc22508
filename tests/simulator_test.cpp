// The five tools against the two substitute controllers, and the controllers
// against bad clients.
#include <gtest/gtest.h>
#include <pb_decode.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "arm.pb.h"
#include "board.pb.h"
#include "link/frame_exchange.h"
#include "proto/text_buffer.h"
#include "tests/support/background.h"
#include "tests/support/capture.h"
#include "tests/support/directory.h"
#include "tests/support/fake_peer.h"
#include "tests/support/process.h"
#include "tests/support/scenario.h"

namespace {

struct BoardSim {
    BoardSim()
        : sim("board_sim", {"--port", "0"}), port(std::to_string(sim.port_of("board_sim"))) {}
    BackgroundProgram sim;
    std::string port;
};

struct ArmSim {
    explicit ArmSim(const std::string& rate = "100")
        : sim("arm_sim", {"--command-port", "0", "--report-port", "0", "--rate", rate}),
          commands(std::to_string(sim.port_of("arm_sim command port"))),
          reports(std::to_string(sim.port_of("arm_sim report port"))) {}
    BackgroundProgram sim;
    std::string commands;
    std::string reports;
};

// One raw exchange with a simulator: send `bytes`, take one frame back.
std::string exchange(const std::string& port, const std::string& bytes, FrameFormat format) {
    int link = connect_loopback(static_cast<uint16_t>(std::stoi(port)));
    send(link, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    FrameStream stream;
    stream.link = link;
    stream.format = format;
    stream.timeout_seconds = 5;
    FrameBuffer frame{};
    FrameResult received = receive_frame(stream, frame);
    close(link);
    return received.is_frame() ? std::string(reinterpret_cast<char*>(frame.data()), received.length)
                               : std::string();
}

struct BoardReply {
    bool decoded = false;
    CleaningComponentResponse response{};
    text_buffer version;
    text_buffer message;
};

void decode_board_reply(const std::string& frame, BoardReply& reply) {
    bind_text(reply.response.version_info.version, reply.version);
    bind_text(reply.response.error_info.message, reply.message);
    if (frame.size() < 2) return;
    pb_istream_t in = pb_istream_from_buffer(reinterpret_cast<const pb_byte_t*>(frame.data()) + 2,
                                             frame.size() - 2);
    reply.decoded = pb_decode(&in, CleaningComponentResponse_fields, &reply.response);
}

TEST(BoardSim, BoardConsoleGetsTheFirmwareVersion) {
    BoardSim board;
    ProgramRun run = run_program("board_console", {"127.0.0.1", board.port}, "0\n0\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(normalized(run.out).find("[T] [INFO] resp_id:1 \n"
                                       "[T] [INFO] version: VOSTREL-SIM signal board 1.0.0\n\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(board.sim.log().find("request: platform_cmd: GET_FIRMWARE_VERSION"),
              std::string::npos);
}

TEST(BoardSim, RecordingReplaysToTheSameRequests) {
    BoardSim board;
    TemporaryDirectory directory;
    RunOptions recording;
    recording.input = {{"1\n2\n0\n0\n2\n3\n0\n4\n0\n2\n255\n1000\n-1\n", 0}};
    recording.directory = directory.path;
    ProgramRun recorded = run_program("board_recorder", {"127.0.0.1", board.port}, recording);
    ASSERT_EQ(recorded.status, 0) << recorded.out;
    std::vector<std::string> files = directory.files();
    ASSERT_EQ(files.size(), 1u);
    ProgramRun replayed =
        run_program("board_replay", {"127.0.0.1", board.port, directory.path + "/" + files[0]});
    EXPECT_EQ(replayed.status, 0) << replayed.out;

    std::istringstream log(board.sim.log());
    std::vector<std::string> frames;
    std::string line;
    while (std::getline(log, line)) {
        size_t at = line.find("request frame: ");
        if (at != std::string::npos) frames.push_back(line.substr(at));
    }
    ASSERT_EQ(frames.size(), 6u) << board.sim.log();
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(frames[i], frames[i + 3]);
    EXPECT_NE(board.sim.log().find("changed: rail 机械臂电源: off -> on"), std::string::npos);
    EXPECT_NE(board.sim.log().find("changed: chassis locked: yes -> no"), std::string::npos);
    EXPECT_EQ(count_of(replayed.out, "rev len: "), 3u);
}

TEST(BoardSim, KeepsItsStateAndSaysWhatChanged) {
    BoardSim board;
    for (const char* input : {"1\n2\n0\n", "1\n2\n0\n", "1\n2\n1\n"}) {
        ProgramRun run = run_program("board_console", {"127.0.0.1", board.port}, input);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.find("error:"), std::string::npos);
    }
    std::string log = board.sim.log();
    EXPECT_EQ(count_of(log, "changed: rail 机械臂电源: off -> on"), 1u);
    EXPECT_EQ(count_of(log, "changed: rail 机械臂电源: on -> off"), 1u);
}

TEST(BoardSim, RequestsThatMakeNoSenseAreAnsweredWithAnError) {
    BoardSim board;
    const struct {
        const char* payload;
        int32_t code;
        const char* message;
    } cases[] = {
        {"", 1, "empty request: no command"},
        {"10 07", 2, "unknown platform command 7"},
        {"10 63", 8, "test interface: nothing to test on this board"},
        {"AA 01 04 10 03 18 01", 3, "unknown power rail 3"},
        {"AA 01 04 10 06 18 03", 3, "unknown power switch 3"},
        {"92 01 02 08 09", 4, "unknown chassis command 9"},
        {"B2 01 04 0A 02 08 02", 5, "unknown motor direction 2 for camera cover"},
        {"B2 01 00 BA 01 06 0A 04 08 01 10 65", 5, "duty 101 of end spray is outside 0-100"},
        {"B2 01 0A 12 08 0A 04 08 01 10 10 10 03", 6,
         "unknown outlet selection 3 for toolbox motor"},
        {"82 01 04 1A 02 10 05", 7, "unknown light mode 5 for left"},
        {"08 FF", 9, "undecodable request"},
    };
    int32_t last_id = 0;
    for (const auto& c : cases) {
        BoardReply reply;
        decode_board_reply(exchange(board.port, board_frame_of(c.payload), BOARD_FRAME), reply);
        ASSERT_TRUE(reply.decoded) << c.payload;
        EXPECT_TRUE(reply.response.has_error_info) << c.payload;
        EXPECT_EQ(reply.response.error_info.code, c.code) << c.payload;
        EXPECT_STREQ(reply.message.text, c.message);
        EXPECT_GT(reply.response.resp_id, last_id);
        last_id = reply.response.resp_id;
    }
}

TEST(BoardSim, SurvivesBadClientsAndServesTheNext) {
    BoardSim board;
    for (const std::string& bad : {bytes_of("ff ff 01 02 03"), bytes_of("05 00 08"),
                                   std::string("garbage that is not a frame")}) {
        int link = connect_loopback(static_cast<uint16_t>(std::stoi(board.port)));
        send(link, bad.data(), bad.size(), MSG_NOSIGNAL);
        usleep(50 * 1000);
        close(link);
    }
    ProgramRun run = run_program("board_console", {"127.0.0.1", board.port}, "0\n0\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("version: VOSTREL-SIM"), std::string::npos);
    for (const char* logged : {"frame header declares 65535 bytes, more than 1022",
                               "client left in the middle of a frame (3 bytes held)"}) {
        EXPECT_NE(board.sim.log_holding(logged).find(logged), std::string::npos);
    }
    EXPECT_EQ(board.sim.stop(), 0);
}

TEST(ArmSim, ConsoleCommandsChangeWhatTheMonitorReports) {
    ArmSim arm;
    const struct {
        const char* input;
        const char* line;
    } commands[] = {
        {"0\n", "[T] [INFO] id: VOSTREL-SIM-ARM-0001\n\n"},
        {"1\n", "[T] [INFO] success: 1\n\n"},
        {"2\n1\n", "[T] [INFO] success: 1\n\n"},
        {"3\n1\n", "[T] [INFO] success: 1\n\n"},
        {"4\n0.5\n0\n0\n0\n0\n0.25\n", "[T] [INFO] success: 1\n\n"},
        {"5\n1\n2\n3\n4\n5\n6\n", "[T] [INFO] success: 1\n\n"},
        {"6\n", "[T] [INFO] success: 1\n\n"},
        {"8\n", "[T] [INFO] success: 0\n\n[T] [INFO] error: no request type\n\n"},
    };
    for (const auto& c : commands) {
        ProgramRun run = run_program("arm_console", {"127.0.0.1", arm.commands}, c.input);
        EXPECT_EQ(run.status, 0) << c.input;
        EXPECT_NE(normalized(run.out).find(c.line), std::string::npos) << run.out;
    }
    ProgramRun monitor;
    std::atomic<bool> reported{false};
    RunOptions options;
    options.input = {once_output_holds("pose:5 0.500000\n", "", [&] { reported = true; })};
    std::thread watch([&] {
        monitor = run_program("arm_monitor", {"127.0.0.1", arm.reports}, options);
    });
    for (int i = 0; i < 500 && !reported; ++i) usleep(20 * 1000);
    EXPECT_EQ(arm.sim.stop(), 0);
    watch.join();
    EXPECT_EQ(monitor.status, 0);
    std::string out = normalized(monitor.out);
    EXPECT_NE(out.find("] state:7 enable:1 grip:0 force:1\n"
                       "[T] [INFO] angles:\n"
                       "[T] [INFO] \t\tangle:0 0.500000\n\n"
                       "[T] [INFO] \t\tangle:1 0.000000\n\n"
                       "[T] [INFO] \t\tangle:2 0.000000\n\n"
                       "[T] [INFO] \t\tangle:3 0.000000\n\n"
                       "[T] [INFO] \t\tangle:4 0.000000\n\n"
                       "[T] [INFO] \t\tangle:5 0.250000\n\n"
                       "[T] [INFO] poses:\n"
                       "[T] [INFO] \t\tpose:0 0.570429\n"
                       "[T] [INFO] \t\tpose:1 0.311627\n"
                       "[T] [INFO] \t\tpose:2 0.000000\n"
                       "[T] [INFO] \t\tpose:3 0.250000\n"
                       "[T] [INFO] \t\tpose:4 0.000000\n"
                       "[T] [INFO] \t\tpose:5 0.500000\n"),
              std::string::npos)
        << out.substr(0, 2000);
}

TEST(ArmSim, MonitorAt1000HzPrintsEveryReportSent) {
    ArmSim arm("1000");
    TemporaryDirectory directory;
    const std::string csv = directory.path + "/reports.csv";
    ProgramRun monitor;
    std::thread watch([&] {
        RunOptions options;
        options.timeout_seconds = 60;
        monitor = run_program("arm_monitor", {"--csv", csv, "127.0.0.1", arm.reports}, options);
    });
    for (int i = 0; i < 1000 && count_of(directory.read("reports.csv"), "\n") <= 600; ++i) {
        usleep(20 * 1000);  // until the monitor has written 600 rows
    }
    EXPECT_EQ(arm.sim.stop(), 0);
    watch.join();
    EXPECT_EQ(monitor.status, 0);
    std::string log = arm.sim.log();
    const std::string marker = ": gone after ";
    size_t at = log.find(marker);
    ASSERT_NE(at, std::string::npos) << log;
    size_t sent = std::stoul(log.substr(at + marker.size()));
    EXPECT_GT(sent, 500u);
    EXPECT_EQ(count_of(monitor.out, "] state:"), sent);
    EXPECT_EQ(monitor.out.find("ERROR"), std::string::npos);

    // One row per report printed, in order, with the report's own values.
    std::istringstream rows(directory.read("reports.csv"));
    std::string row;
    std::getline(rows, row);
    std::vector<std::string> timestamps;
    while (std::getline(rows, row)) {
        size_t first = row.find(',');
        timestamps.push_back(row.substr(first + 1, row.find(',', first + 1) - first - 1));
        EXPECT_EQ(row.substr(row.find(',', first + 1)),
                  ",0,0,0,0,0,0,0,0,0,0,0.65,0,0,0,0,0,")  // state, flags, angles, poses
            << row;
    }
    ASSERT_EQ(timestamps.size(), sent);
    std::istringstream lines(monitor.out);
    size_t index = 0;
    while (std::getline(lines, row) && index < timestamps.size()) {
        size_t open = row.find("] [INFO] [");
        if (open == std::string::npos || row.find("] state:") == std::string::npos) continue;
        std::string printed = row.substr(open + 10, row.find(']', open + 10) - open - 10);
        EXPECT_EQ(printed, timestamps[index++]);
    }
}

TEST(ArmSim, BadRequestsAreRefusedAndTheNextClientIsServed) {
    ArmSim arm;
    std::string answer = exchange(arm.commands, arm_frame_of("08 FF"), ARM_FRAME);
    ASSERT_GT(answer.size(), 4u);
    text_buffer error;
    MainArmResponseMsg response{};
    bind_text(response.error, error);
    pb_istream_t in = pb_istream_from_buffer(reinterpret_cast<const pb_byte_t*>(answer.data()) + 4,
                                             answer.size() - 4);
    ASSERT_TRUE(pb_decode(&in, MainArmResponseMsg_fields, &response));
    EXPECT_EQ(response.which_result, MainArmResponseMsg_success_tag);
    EXPECT_FALSE(response.result.success);
    EXPECT_STREQ(error.text, "undecodable request");

    std::string angles = exchange(arm.commands, arm_frame_of("08 02 1a 02 0a 00"), ARM_FRAME);
    EXPECT_NE(angles.find("SYNC_MAIN_ARM needs six angles, got 0"), std::string::npos);

    for (const std::string& bad : {bytes_of("7f ff ff ff 00"), bytes_of("00 00 00 09 08")}) {
        int link = connect_loopback(static_cast<uint16_t>(std::stoi(arm.reports)));
        send(link, bad.data(), bad.size(), MSG_NOSIGNAL);
        usleep(50 * 1000);
        close(link);
    }
    ProgramRun run = run_program("arm_console", {"127.0.0.1", arm.commands}, "0\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("id: VOSTREL-SIM-ARM-0001"), std::string::npos);
    EXPECT_EQ(arm.sim.stop(), 0);
}

TEST(Simulators, HelpAndBadOptions) {
    for (const char* sim : {"board_sim", "arm_sim"}) {
        ProgramRun help = run_program(sim, {"--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find(std::string("usage: ") + sim), std::string::npos);
        ProgramRun bad = run_program(sim, {"--port-typo", "1"});
        EXPECT_EQ(bad.status, 255);
        EXPECT_NE(bad.out.find("[ERROR] unknown option: --port-typo"), std::string::npos);
    }
    ProgramRun rate = run_program("arm_sim", {"--rate", "0"});
    EXPECT_EQ(rate.status, 255);
}

TEST(Demo, TheReadmesRecordFileReplaysCleanly) {
    std::ifstream readme(std::string(VOSTREL_SOURCE_DIR) + "/README.md");
    std::stringstream whole;
    whole << readme.rdbuf();
    const std::string text = whole.str();
    size_t start = text.find("```yaml\n");
    ASSERT_NE(start, std::string::npos);
    start += 8;
    TemporaryDirectory directory;
    directory.write("example.yaml", text.substr(start, text.find("```", start) - start));
    BoardSim board;
    ProgramRun run =
        run_program("board_replay", {"127.0.0.1", board.port, directory.path + "/example.yaml"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(count_of(run.out, "rev len: "), 3u);
    std::string log = board.sim.log();
    EXPECT_NE(log.find("request: platform_cmd: GET_FIRMWARE_VERSION"), std::string::npos) << log;
    EXPECT_NE(log.find("request: chassis { cmd: UNLOCK }"), std::string::npos) << log;
    EXPECT_NE(log.find("request: power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("refused"), std::string::npos) << log;
}

TEST(Demo, ToolRunsAgainstBothSimulators) {
    RunOptions options;
    options.input = {{"0\n0\n", 0}};
    std::string script = std::string(VOSTREL_SOURCE_DIR) + "/scripts/run_with_sims.sh";
    ProgramRun run = run_program_at(script, {VOSTREL_BIN_DIR, "board_console"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    std::string out = normalized(run.out);
    EXPECT_EQ(out.rfind("vostrel demo: board_sim on 127.0.0.1:", 0), 0u) << out;
    EXPECT_NE(out.find("选择操作:\n\n0. 平台命令\n"), std::string::npos);
    EXPECT_NE(out.find("version: VOSTREL-SIM signal board 1.0.0"), std::string::npos);

    options.input = {{"0\n", 0}};
    ProgramRun arm = run_program_at(script, {VOSTREL_BIN_DIR, "arm_console"}, options);
    EXPECT_EQ(arm.status, 0) << arm.err;
    EXPECT_NE(arm.out.find("id: VOSTREL-SIM-ARM-0001"), std::string::npos);
}

// The demo of the rig at the desk: five seconds of the arm's wave recorded,
// then played back to the monitor.
TEST(Demo, TheArmsWaveIsRecordedAndPlayedBack) {
    TemporaryDirectory directory;
    const std::string script = std::string(VOSTREL_SOURCE_DIR) + "/scripts/run_with_sims.sh";
    ProgramRun run = run_program_at(
        script, {VOSTREL_BIN_DIR, "arm_monitor", "--record", directory.path + "/arm.mcap"},
        RunOptions{});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string out = normalized(run.out);
    EXPECT_NE(out.find("recording the arm for 5 s into "), std::string::npos) << out;
    EXPECT_NE(out.find("\nplaying it back (arm_sim --play) on 127.0.0.1:"), std::string::npos);
    EXPECT_GE(count_of(out, "] state:"), 400u);  // some 500 reports at 100 Hz
    EXPECT_NE(out.find(" reports played; closing the link\n"), std::string::npos) << out;
    EXPECT_EQ(directory.files(), std::vector<std::string>{"arm.mcap"});
}

}  // namespace
