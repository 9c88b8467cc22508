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
    std::vector<PeerStep> script = answers(1);
    script.push_back(close_link());
    PeerRun r = replay(
        directory, "- hexData: 02001001\n  delay: 0\n- hexData: 02001004\n  delay: 0\n", script);
    EXPECT_EQ(r.run.status, 2);
    bool read_failed = r.output.find("[T] [INFO] rev len: 0 \n[T] [ERROR] tcp read failed.\n") !=
                       std::string::npos;
    bool write_failed = r.output.find("[T] [ERROR] tcp write failed.\n") != std::string::npos;
    EXPECT_TRUE(read_failed || write_failed) << r.output;
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

}  // namespace
