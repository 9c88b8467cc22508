// board_replay: a record file played back, and a recording round trip.
#include <gtest/gtest.h>

#include "tests/support/capture.h"
#include "tests/support/directory.h"
#include "tests/support/scenario.h"

namespace {

const std::string ANSWER = board_frame_of("08 01");

std::vector<PeerStep> answers(int count) {
    return board_answers(count, ANSWER);
}

PeerRun replay(const TemporaryDirectory& directory, const std::string& text,
               std::vector<PeerStep> script) {
    directory.write("r.yaml", text);
    RunOptions options;
    options.close_input = true;
    return run_with_peer("board_replay", std::move(script), options, {directory.path + "/r.yaml"});
}

TEST(BoardReplay, PlaysEveryEntryAndShowsEachStep) {
    TemporaryDirectory directory;
    PeerRun r = replay(directory, "- hexData: 02001001\n  delay: 0\n- hexData: 0000\n  delay: -1\n",
                       answers(2));
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(r.output, startup_lines(r.port) +
                            "[T] [INFO] send: 02001001\n"
                            "[T] [INFO] rev len: 4 \n"
                            "[T] [INFO] delay: 0 s\n"
                            "[T] [INFO] send: 0000\n"
                            "[T] [INFO] rev len: 4 \n"
                            "[T] [INFO] delay: -1 s\n");
    EXPECT_EQ(hex_of(r.received), "020010010000");
}

TEST(BoardReplay, NegativeDelayInTheMiddleStopsThere) {
    TemporaryDirectory directory;
    PeerRun r = replay(directory,
                       "- hexData: 02001001\n  delay: 0\n- hexData: 02001004\n  delay: -1\n"
                       "- hexData: 02001063\n  delay: 0\n",
                       answers(3));
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(hex_of(r.received), "0200100102001004");
    EXPECT_EQ(r.output.substr(r.output.size() - 23), "[T] [INFO] delay: -1 s\n");
}

TEST(BoardReplay, EmptyRecordSendsNothing) {
    TemporaryDirectory directory;
    PeerRun r = replay(directory, "", {});
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(r.output, startup_lines(r.port));
    EXPECT_EQ(r.received, "");
}

TEST(BoardReplay, BadRecordIsReportedAfterConnectingAndNothingIsSent) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"hexData: 0000\ndelay: 0\n", "line 1: the top level is a map, not a sequence"},
        {"- hexData: 0000\n  delay: 1.5\n", "line 2: entry 1: \"delay\" is not a 32-bit integer"},
        {"- hexData: 0000\n  delay: 0\n- hexData: g0\n  delay: 0\n",
         "line 3: entry 2: \"hexData\" has no hex digit at position 0"},
    };
    for (const auto& c : cases) {
        TemporaryDirectory directory;
        PeerRun r = replay(directory, c.text, answers(2));
        EXPECT_EQ(r.run.status, 3) << c.text;
        EXPECT_EQ(r.output, startup_lines(r.port) + "[T] [ERROR] cannot load record file " +
                                directory.path + "/r.yaml: " + c.reason + "\n");
        EXPECT_EQ(r.received, "");
    }
    FakePeer peer({});
    ProgramRun missing =
        run_program("board_replay", {"127.0.0.1", peer.port_text(), "/nonexistent/r.yaml"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(
        normalized(missing.out),
        startup_lines(peer.port()) +
            "[T] [ERROR] cannot load record file /nonexistent/r.yaml: No such file or directory\n");
}

TEST(BoardReplay, EmptyFrameIsAFailedWrite) {
    TemporaryDirectory directory;
    PeerRun r = replay(directory, "- hexData: ''\n  delay: 0\n", answers(1));
    EXPECT_EQ(r.run.status, 2);
    EXPECT_EQ(r.output,
              startup_lines(r.port) + "[T] [INFO] send: \n[T] [ERROR] tcp write failed.\n");
}

TEST(BoardReplay, BoardClosingEndsTheReplay) {
    TemporaryDirectory directory;
    // The board takes the second frame, then closes without answering it.
    std::vector<PeerStep> script = answers(1);
    script.push_back(receive_board_frame());
    script.push_back(close_link());
    PeerRun r = replay(
        directory, "- hexData: 02001001\n  delay: 0\n- hexData: 02001004\n  delay: 0\n", script);
    EXPECT_EQ(r.run.status, 2);
    EXPECT_EQ(r.output.substr(r.output.find("[T] [INFO] send: 02001004\n")),
              "[T] [INFO] send: 02001004\n[T] [INFO] rev len: 0 \n[T] [ERROR] tcp read failed.\n");
}

TEST(BoardReplay, WriteToAResetLinkFails) {
    TemporaryDirectory directory;
    std::vector<PeerStep> script = answers(1);
    script.push_back(reset_link());
    PeerRun r = replay(
        directory, "- hexData: 02001001\n  delay: 1\n- hexData: 02001004\n  delay: 0\n", script);
    EXPECT_EQ(r.run.status, 2);
    EXPECT_EQ(r.output.substr(r.output.find("[T] [INFO] delay: 1 s\n")),
              "[T] [INFO] delay: 1 s\n[T] [INFO] send: 02001004\n[T] [ERROR] tcp write failed.\n");
}

TEST(BoardReplay, SplitAndMergedAnswersAreTakenFrameByFrame) {
    TemporaryDirectory directory;
    PeerRun r =
        replay(directory, "- hexData: 02001001\n  delay: 0\n- hexData: 02001004\n  delay: -1\n",
               {receive_board_frame(), send_bytes(ANSWER.substr(0, 1)), pause_for(50),
                send_bytes(ANSWER.substr(1)), receive_board_frame(), send_bytes(ANSWER + ANSWER)});
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(hex_of(r.received), "0200100102001004");
}

TEST(BoardReplay, SilentBoardTimesOutWithStatus2) {
    TemporaryDirectory directory;
    PeerRun r = replay(directory, "- hexData: 02001001\n  delay: 0\n",
                       {receive_board_frame(), pause_for(20000)});
    EXPECT_EQ(r.run.status, 2);
    EXPECT_EQ(r.output.substr(r.output.find("[T] [INFO] send: ")),
              "[T] [INFO] send: 02001001\n[T] [INFO] rev len: -1 \n[T] [ERROR] tcp read failed.\n");
    EXPECT_GE(r.run.seconds, 14.5);
}

TEST(RecordRoundTrip, ReplaySendsWhatTheRecorderSentWithItsDelays) {
    TemporaryDirectory directory;
    RunOptions recording;
    recording.input = {{"0\n0\n1\n2\n3\n0\n3\n1\n50\n-1\n", 0}};
    recording.directory = directory.path;
    PeerRun recorded = run_with_peer("board_recorder", answers(3), recording);
    ASSERT_EQ(recorded.run.status, 0) << recorded.output;
    std::vector<std::string> files = directory.files();
    ASSERT_EQ(files.size(), 1u);

    RunOptions replaying;
    std::vector<PeerStep> script = answers(3);
    script.push_back(receive_board_frame());  // a fourth frame would be wrong
    PeerRun replayed =
        run_with_peer("board_replay", script, replaying, {directory.path + "/" + files[0]});
    EXPECT_EQ(replayed.run.status, 0) << replayed.output;
    EXPECT_EQ(hex_of(replayed.received), hex_of(recorded.received));
    ASSERT_EQ(replayed.arrivals.size(), 3u);
    double gap = replayed.arrivals[1] - replayed.arrivals[0];
    EXPECT_GE(gap, 0.95);
    EXPECT_LT(gap, 2.5);
    EXPECT_LT(replayed.arrivals[2] - replayed.arrivals[1], 0.5);
    EXPECT_EQ(replayed.output.substr(replayed.output.size() - 23), "[T] [INFO] delay: -1 s\n");
}

// `board_replay --check`: what each step will do, read before it reaches a
// board; run in an empty network namespace where one can be made, so that a
// connection could not go anywhere even by mistake.
ProgramRun check(const TemporaryDirectory& directory, const std::string& text) {
    directory.write("r.yaml", text);
    RunOptions options;
    if (system("unshare -n true >/dev/null 2>&1") == 0) options.wrapper = {"unshare", "-n"};
    return run_program("board_replay", {"--check", directory.path + "/r.yaml"}, options);
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(RecordCheck, EachStepIsDescribedAndFaultyOnesFlagged) {
    std::string oversize = "0004";
    for (int i = 0; i < 512; ++i) oversize += "0801";  // spare_1 again and again
    const struct {
        const char* name;
        std::string text;
        int status;
        std::string report;  // after the banner
    } rows[] = {
        {"recorder output",
         "- hexData: 02001001\n  delay: 2\n- hexData: 0700aa010410061801\n  delay: 0\n"
         "- hexData: 1000b20100ba010a12080a04080110321002\n  delay: -1",
         0,
         "step 1: delay 2 s, 4 bytes: platform_cmd: GET_FIRMWARE_VERSION\n"
         "step 2: delay 0 s, 9 bytes: power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }\n"
         "step 3: delay -1 s, 18 bytes: motors { } water { toolbox_supply { drive { direction: "
         "MOTOR_FORWARD duty: 50 } select_mask: SELECT_2 } }\n"
         "steps: 3\nreplay time: 2 s, the sum of the delays up to the end\nflagged: 0\n"},
        {"a mis-framed step", "- hexData: 07009201020801\n  delay: 0\n", 3,
         "step 1: delay 0 s, 7 bytes: chassis { cmd: UNLOCK } FLAGGED: the header declares 7 "
         "bytes where 5 follow\nsteps: 1\nreplay time: 0 s, the sum of the delays up to the "
         "end\nflagged: 1\n"},
        {"an oversize step", "- hexData: " + oversize + "\n  delay: 0\n", 3,
         "step 1: delay 0 s, 1026 bytes: spare_1: 1 # with fields no console sends FLAGGED: longer "
         "than the board's 1024-byte buffer\n"},
        {"an undecodable payload", "- hexData: 0300ff0102\n  delay: 1\n", 3,
         "step 1: delay 1 s, 5 bytes: hex 0300ff0102 FLAGGED: the payload does not decode as a "
         "CleaningComponentRequest (invalid wire_type)\n"},
        {"unknown fields",
         "- hexData: 0300f00101\n  delay: 1\n- hexData: 0500ba01024801\n  delay: 0\n", 3,
         "step 1: delay 1 s, 5 bytes: (empty request) FLAGGED: carries field 30, which the "
         "schema does not know\nstep 2: delay 0 s, 7 bytes: water { } FLAGGED: carries field 23.9, "
         "which the schema does not know\n"},
        {"an empty request, and a step after the end",
         "- hexData: 0000\n  delay: -1\n- hexData: 02001001\n  delay: 9\n", 0,
         "step 1: delay -1 s, 2 bytes: (empty request)\nstep 2: delay 9 s, 4 bytes: "
         "platform_cmd: GET_FIRMWARE_VERSION (not sent: the replay ends at step 1)\n"
         "steps: 2 (1 sent)\nreplay time: 0 s, the sum of the delays up to the end\n"
         "flagged: 0\n"},
        {"a file that cannot be loaded", "- hexData: 0000\n  delay: soon\n", 3,
         "[T] [ERROR] cannot load record file DIR/r.yaml: line 2: entry 1: \"delay\" is not a "
         "32-bit integer\n"},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        ProgramRun run = check(directory, row.text);
        EXPECT_EQ(run.status, row.status) << row.name;
        std::string out = normalized(run.out);
        std::string report = replace_all(row.report, "DIR", directory.path);
        size_t banner = out.find('\n') + 1;
        EXPECT_EQ(out.substr(0, banner), "[T] [INFO] Vostrel. Build date: D\n") << row.name;
        EXPECT_EQ(out.substr(banner, report.size()), report) << row.name;
        EXPECT_EQ(out.find("Socket"), std::string::npos) << row.name;
    }
}

TEST(RecordCheck, WhatTheRecorderSavesIsDescribedStepByStep) {
    TemporaryDirectory directory;
    RunOptions recording;
    recording.input = {{"1\n1\n0\n5\n3\n4\n1\n80\n3\n3\n4\n2\n2\n255\n1000\n-1\n", 0}};
    recording.directory = directory.path;
    PeerRun recorded = run_with_peer("board_recorder", answers(3), recording);
    ASSERT_EQ(recorded.run.status, 0) << recorded.output;
    ASSERT_EQ(directory.files().size(), 1u);
    ProgramRun run = check(directory, directory.read(directory.files()[0]));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(normalized(run.out),
              "[T] [INFO] Vostrel. Build date: D\n"
              "step 1: delay 5 s, 9 bytes: power_cmd { channel: POWER_HUB on_off: POWER_ON }\n"
              "step 2: delay 3 s, 15 bytes: motors { toolbox_motor { drive { direction: "
              "MOTOR_FORWARD duty: 80 } select_mask: SELECT_3 } }\n"
              "step 3: delay -1 s, 15 bytes: leds { top { rgb: 255 mode: LED_BREATHING "
              "period_ms: 1000 } }\n"
              "steps: 3\nreplay time: 8 s, the sum of the delays up to the end\nflagged: 0\n");
}

}  // namespace
