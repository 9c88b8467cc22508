// board_replay: a record file played back, and a recording round trip.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/background.h"
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
         "line 3: entry 2: \"hexData\" is not two hex digits at position 0"},
        // A header that lies would throw the board's framing off: one byte
        // too many, one too few, and a frame too short to hold it.
        {"- hexData: 0200100101\n  delay: 0\n", "step 1: the header declares 2 bytes where 3 follow"},
        {"- hexData: 02001001\n  delay: 0\n- hexData: 050092010208\n  delay: 0\n",
         "step 2: the header declares 5 bytes where 4 follow"},
        {"- hexData: '05'\n  delay: 0\n", "step 1: shorter than its 2-byte header"},
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

// A recording of three steps whose answers were kept, as board_recorder
// --keep-answers writes it: the answers say resp_id 1, 2, 3.
const std::string ANSWERED =
    "- hexData: 02001001\n  delay: 0\n  answer: " + hex_of(board_frame_of("08 01")) +
    "\n- hexData: 05009201020801\n  delay: 0\n  answer: " + hex_of(board_frame_of("08 02")) +
    "\n- hexData: 0000\n  delay: -1\n  answer: " +
    hex_of(board_frame_bytes(bytes_of("08 03 22 07 08 01 12 03") + "bad")) + "\n";

TEST(BoardRecorder, KeptAnswersAreInTheFileAndInTheUnfinishedRecording) {
    const std::string answer = board_frame_of("08 07");
    for (bool killed : {false, true}) {
        TemporaryDirectory directory;
        RunOptions options;
        options.input = {{"0\n0\n0\n2\n3\n0\n", 0}};
        options.directory = directory.path;
        if (killed) {  // SIGKILL at the menu after the second entry: the unfinished file stays
            options.close_input = false;
            options.interrupt_when = "hex data:05009201020801";
            options.interrupt_signal = 9;
        }
        PeerRun r =
            run_with_peer("board_recorder", board_answers(2, answer), options, {"--keep-answers"});
        ASSERT_EQ(directory.files().size(), 1u) << r.output;
        const std::string name = directory.files()[0];
        EXPECT_EQ(name.rfind(killed ? "unfinished_record_" : "record_", 0), 0u) << name;
        EXPECT_EQ(directory.read(name),
                  "- hexData: 02001001\n  delay: 0\n  answer: 02000807\n"
                  "- hexData: 05009201020801\n  delay: 0\n  answer: 02000807" +
                      std::string(killed ? "\n" : ""));
    }
}

// The options of board_replay, each against a scripted board: pace, loop,
// steps, confirm, answers and expect, with the lines they add.
TEST(BoardReplay, OptionsPlayTheStepsAsAsked) {
    const std::string A1 = board_frame_of("08 01"), A2 = board_frame_of("08 02");
    const std::string A3 = board_frame_bytes(bytes_of("08 03 22 07 08 01 12 03") + "bad");
    const struct {
        const char* name;
        std::vector<std::string> options;
        std::vector<PeerStep> script;
        std::string input;
        int status;
        std::string sent;    // hex
        std::string output;  // after the start-up lines
    } rows[] = {
        {"--steps 2-3 --loop 2",
         {"--steps", "2-3", "--loop", "2"},
         {receive_board_frame(), send_bytes(A2), receive_board_frame(), send_bytes(A3),
          receive_board_frame(), send_bytes(A2), receive_board_frame(), send_bytes(A3)},
         "",
         0,
         "0500920102080100000500920102080100 00",
         "[T] [INFO] pass 1 of 2\n[T] [INFO] send: 05009201020801\n[T] [INFO] rev len: 4 \n"
         "[T] [INFO] delay: 0 s\n[T] [INFO] send: 0000\n[T] [INFO] rev len: 13 \n"
         "[T] [INFO] delay: -1 s\n[T] [INFO] pass 2 of 2\n[T] [INFO] send: 05009201020801\n"
         "[T] [INFO] rev len: 4 \n[T] [INFO] delay: 0 s\n[T] [INFO] send: 0000\n"
         "[T] [INFO] rev len: 13 \n[T] [INFO] delay: -1 s\n"},
        {"--expect, answers as recorded",
         {"--expect", "--steps", "2-"},
         {receive_board_frame(), send_bytes(board_frame_of("08 09")), receive_board_frame(),
          send_bytes(A3)},
         "",
         0,
         "050092010208010000",
         "[T] [INFO] send: 05009201020801\n[T] [INFO] rev len: 4 \n"
         "[T] [INFO] answer: resp_id: 9 (R ms)\n[T] [INFO] delay: 0 s\n"
         "[T] [INFO] send: 0000\n[T] [INFO] rev len: 13 \n"
         "[T] [ERROR] answer: resp_id: 3 error_info { code: 1 message: \"bad\" } (R ms)\n"
         "[T] [INFO] delay: -1 s\n"
         "[T] [INFO] replayed 2 steps: 2 answered, 1 with an error, round trip min R ms, "
         "median R ms, max R ms, 0 differ from the recording\n"},
        {"--expect, one answer changed",
         {"--expect", "--steps", "2"},
         {receive_board_frame(), send_bytes(board_frame_of("08 02 12 02 0a 00"))},
         "",
         6,
         "05009201020801",
         "[T] [INFO] send: 05009201020801\n[T] [INFO] rev len: 8 \n"
         "[T] [INFO] answer: resp_id: 2 version_info { } (R ms)\n"
         "[T] [ERROR] step 2: the answer differs from the recording\n"
         "[T] [ERROR] step 2: version_info: expected absent, got { }\n[T] [INFO] delay: 0 s\n"
         "[T] [INFO] replayed 1 steps: 1 answered, 0 with an error, round trip min R ms, "
         "median R ms, max R ms, 1 differ from the recording\n"},
        {"--expect: a number and a string changed, one line each; 6 stands over 7",
         {"--expect", "--fail-on-error", "--steps", "3"},
         {receive_board_frame(),
          send_bytes(board_frame_of("08 09 22 09 08 02 12 05 77 6f 72 73 65"))},
         "",
         6,
         "0000",
         "[T] [INFO] send: 0000\n[T] [INFO] rev len: 15 \n"
         "[T] [ERROR] answer: resp_id: 9 error_info { code: 2 message: \"worse\" } (R ms)\n"
         "[T] [ERROR] step 3: the answer differs from the recording\n"
         "[T] [ERROR] step 3: error_info.code: expected 1, got 2\n"
         "[T] [ERROR] step 3: error_info.message: expected \"bad\", got \"worse\"\n"
         "[T] [INFO] delay: -1 s\n"
         "[T] [INFO] replayed 1 steps: 1 answered, 1 with an error, round trip min R ms, "
         "median R ms, max R ms, 1 differ from the recording\n"},
        {"--fail-on-error: every step played, status 7, the error answer said",
         {"--fail-on-error", "--rate", "max"},
         {receive_board_frame(), send_bytes(A1), receive_board_frame(),
          send_bytes(board_frame_of("08 02 22 02 08 05")), receive_board_frame(),
          send_bytes(board_frame_of("08 03"))},
         "",
         7,
         "02001001 05009201020801 0000",
         "[T] [INFO] send: 02001001\n[T] [INFO] rev len: 4 \n[T] [INFO] delay: 0 s\n"
         "[T] [INFO] send: 05009201020801\n[T] [INFO] rev len: 8 \n"
         "[T] [ERROR] step 2: the answer reports an error: resp_id: 2 error_info { code: 5 }\n"
         "[T] [INFO] delay: 0 s\n[T] [INFO] send: 0000\n[T] [INFO] rev len: 4 \n"
         "[T] [INFO] delay: -1 s\n"},
        {"--answers, an answer that does not decode",
         {"--answers", "--steps", "3"},
         {receive_board_frame(), send_bytes(board_frame_of("ff"))},
         "",
         0,
         "0000",
         "[T] [INFO] send: 0000\n[T] [INFO] rev len: 3 \n"
         "[T] [ERROR] answer does not decode (R ms)\n[T] [INFO] delay: -1 s\n"
         "[T] [INFO] replayed 1 steps: 1 answered, 1 with an error, round trip min R ms, "
         "median R ms, max R ms\n"},
        {"--confirm: send, skip, ask again, end",
         {"--confirm", "--rate", "max"},
         {receive_board_frame(), send_bytes(A1)},
         "\ns\nx\nq\n",
         0,
         "02001001",
         "step 1: delay 0 s, 4 bytes: platform_cmd: GET_FIRMWARE_VERSION\n  answer: resp_id: 1\n"
         "send? (Enter: send, s: skip, q: end) [T] [INFO] send: 02001001\n[T] [INFO] rev len: 4 \n"
         "[T] [INFO] delay: 0 s\nstep 2: delay 0 s, 7 bytes: chassis { cmd: UNLOCK }\n"
         "  answer: resp_id: 2\nsend? (Enter: send, s: skip, q: end) [T] [INFO] step 2: skipped\n"
         "step 3: delay -1 s, 2 bytes: (empty request)\n  answer: resp_id: 3 error_info { code: "
         "1 message: \"bad\" }\nsend? (Enter: send, s: skip, q: end) send? (Enter: send, s: "
         "skip, q: end) "},
        {"--confirm: the end of input ends it",
         {"--confirm", "--answers"},
         {},
         "",
         0,
         "",
         "step 1: delay 0 s, 4 bytes: platform_cmd: GET_FIRMWARE_VERSION\n  answer: resp_id: 1\n"
         "send? (Enter: send, s: skip, q: end) [T] [INFO] replayed 0 steps: 0 answered, 0 with "
         "an error, round trip min -, median -, max -\n"},
        {"a range past the last step",
         {"--steps", "4-"},
         {},
         "",
         3,
         "",
         "[T] [ERROR] --steps: the range starts at step 4, past the file's last step, 3\n"},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        directory.write("r.yaml", ANSWERED);
        RunOptions options;
        options.input = {{row.input, 0}};
        std::vector<std::string> args = row.options;
        args.push_back(directory.path + "/r.yaml");
        PeerRun r = run_with_peer("board_replay", row.script, options, args);
        EXPECT_EQ(r.run.status, row.status) << row.name << "\n" << r.output;
        std::string sent = row.sent;
        sent.erase(std::remove(sent.begin(), sent.end(), ' '), sent.end());
        EXPECT_EQ(hex_of(r.received), sent) << row.name;
        // Round trips vary: "(0.3 ms)" and "min 0.3 ms" become "R ms".
        std::string output = r.output.substr(startup_lines(r.port).size());
        for (size_t at = output.find(" ms"); at != std::string::npos;
             at = output.find(" ms", at + 3)) {
            size_t start = output.find_last_not_of("0123456789.", at - 1) + 1;
            output.replace(start, at - start, "R");
            at = start;
        }
        EXPECT_EQ(output, row.output) << row.name;
    }
}

TEST(BoardReplay, ARecordingOfTheSimulatorReplaysAsExpected) {
    BackgroundProgram sim("board_sim", {"--port", "0"});
    const std::string port = std::to_string(sim.port_of("board_sim"));
    TemporaryDirectory directory;
    RunOptions recording;
    recording.input = {{"0\n0\n0\n2\n3\n0\n1\n0\n0\n-1\n", 0}};
    recording.directory = directory.path;
    ProgramRun recorded =
        run_program("board_recorder", {"--keep-answers", "127.0.0.1", port}, recording);
    ASSERT_EQ(recorded.status, 0) << recorded.out;
    ASSERT_EQ(directory.files().size(), 1u);
    const std::string file = directory.path + "/" + directory.files()[0];
    ProgramRun replayed = run_program(
        "board_replay", {"--expect", "--loop", "10", "--rate", "max", "127.0.0.1", port, file});
    EXPECT_EQ(replayed.status, 0) << replayed.out;
    EXPECT_EQ(count_of(replayed.out, "[INFO] pass "), 10u);
    EXPECT_NE(replayed.out.find("replayed 30 steps: 30 answered, 0 with an error"),
              std::string::npos)
        << replayed.out;
    EXPECT_NE(replayed.out.find(", 0 differ from the recording\n"), std::string::npos);
    EXPECT_EQ(replayed.out.find("ERROR"), std::string::npos) << replayed.out;
}

// A signal ends a scaled wait, a --confirm prompt or an endless loop at once,
// with the status of today, after the summary line.
TEST(BoardReplay, ASignalEndsAWaitAPromptOrALoop) {
    const struct {
        std::vector<std::string> options;
        const char* when;
        std::string summary;
    } rows[] = {
        {{"--rate", "0.5"}, "delay: 10 s", "delay: 10 s\n[T] [INFO] replayed 1 steps: 1 answered"},
        {{"--confirm"}, "send? (", "end) [T] [INFO] replayed 0 steps: 0 answered"},
        {{"--loop", "0", "--rate", "max", "--steps", "2"}, "pass 3\n", "[T] [INFO] replayed "},
    };
    for (const auto& row : rows) {
        for (int signal : {2, 15, 1}) {
            TemporaryDirectory directory;
            directory.write("r.yaml",
                            "- hexData: 02001001\n  delay: 10\n- hexData: 0000\n  delay: 0\n");
            RunOptions options;
            options.close_input = false;
            options.interrupt_when = row.when;
            options.interrupt_signal = signal;
            std::vector<std::string> args = row.options;
            args.insert(args.end(), {"--answers", directory.path + "/r.yaml"});
            std::vector<PeerStep> script = answers(1);
            for (int i = 0; i < 2000; ++i) script.push_back(send_bytes(ANSWER));  // for the loop
            PeerRun r = run_with_peer("board_replay", script, options, args);
            EXPECT_EQ(r.run.status, 128 + signal) << row.when << "\n" << r.output;
            EXPECT_LT(r.run.seconds, 5) << row.when;
            EXPECT_NE(r.output.find(row.summary), std::string::npos) << row.when << r.output;
            // The summary is the last line.
            size_t summary = r.output.rfind("[T] [INFO] replayed ");
            EXPECT_NE(summary, std::string::npos) << row.when;
            EXPECT_EQ(r.output.find('\n', summary), r.output.size() - 1) << row.when;
        }
    }
}

// --rate divides each delay, never to less.
TEST(BoardReplay, ARateDividesTheDelays) {
    TemporaryDirectory directory;
    PeerRun r = run_with_peer("board_replay", answers(3), RunOptions{},
                              {"--rate", "4",
                               (directory.write("r.yaml",
                                                "- hexData: 02001001\n  delay: 1\n"
                                                "- hexData: 02001001\n  delay: 2\n"
                                                "- hexData: 0000\n  delay: -1\n"),
                                directory.path + "/r.yaml")});
    EXPECT_EQ(r.run.status, 0) << r.output;
    ASSERT_EQ(r.arrivals.size(), 3u);
    EXPECT_GE(r.arrivals[1] - r.arrivals[0], 0.25);
    EXPECT_LT(r.arrivals[1] - r.arrivals[0], 0.9);
    EXPECT_GE(r.arrivals[2] - r.arrivals[1], 0.5);
    EXPECT_NE(r.output.find("[T] [INFO] delay: 2 s\n"), std::string::npos);  // as recorded
}

TEST(BoardReplay, OptionsThatCannotBeAreRefusedBeforeAnySocket) {
    const struct {
        std::vector<std::string> args;
        std::string error;
    } rows[] = {
        {{"--rate", "0"}, "bad rate: 0 (a positive number such as 2 or 0.5, or max)"},
        {{"--rate", "-2"}, "bad rate: -2 (a positive number such as 2 or 0.5, or max)"},
        {{"--rate", "inf"}, "bad rate: inf (a positive number such as 2 or 0.5, or max)"},
        {{"--rate", "fast"}, "bad rate: fast (a positive number such as 2 or 0.5, or max)"},
        {{"--loop", "-1"}, "bad loop count: -1 (a whole number of passes; 0 plays until Ctrl-C)"},
        {{"--loop", "2.5"}, "bad loop count: 2.5 (a whole number of passes; 0 plays until Ctrl-C)"},
        {{"--steps", "0"}, "bad steps: 0 (A, A- or A-B, with 1 <= A <= B)"},
        {{"--steps", "5-2"}, "bad steps: 5-2 (A, A- or A-B, with 1 <= A <= B)"},
        {{"--steps", "-3"}, "bad steps: -3 (A, A- or A-B, with 1 <= A <= B)"},
        {{"--expect", "--expect"}, "--expect given twice"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        args.insert(args.end(), {"127.0.0.1", "1", "r.yaml"});
        ProgramRun run = run_program("board_replay", args);
        EXPECT_EQ(run.status, 255) << row.error;
        EXPECT_NE(normalized(run.out).find("[T] [ERROR] " + row.error + "\nusage: board_replay"),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(run.out.find("Socket"), std::string::npos) << row.error;
    }
}

TEST(BoardReplay, ExpectRefusesStepsWithoutARecordedAnswer) {
    const std::string two_answered = ANSWERED.substr(0, ANSWERED.find("- hexData: 0000"));
    const struct {
        std::string text;
        std::string error;
    } rows[] = {
        {"- hexData: 02001001\n  delay: 0\n",
         "--expect: step 1 cannot be checked: it carries no recorded answer"},
        {two_answered + "- hexData: 0000\n  delay: 0\n  answer: 0300ff\n",
         "--expect: step 3 cannot be checked: its recorded answer does not decode"},
        {two_answered + "- hexData: 0000\n  delay: 0\n  answer: zz\n",
         "--expect: step 3 cannot be checked: it carries no recorded answer"},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        directory.write("r.yaml", row.text);
        PeerRun r = run_with_peer("board_replay", {}, RunOptions{},
                                  {"--expect", directory.path + "/r.yaml"});
        EXPECT_EQ(r.run.status, 3) << row.error;
        EXPECT_EQ(r.received, "");
        EXPECT_NE(r.output.find("[T] [ERROR] " + row.error), std::string::npos) << r.output;
    }
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
        {"answers kept with the steps", ANSWERED, 0,
         "step 1: delay 0 s, 4 bytes: platform_cmd: GET_FIRMWARE_VERSION\n  answer: resp_id: 1\n"
         "step 2: delay 0 s, 7 bytes: chassis { cmd: UNLOCK }\n  answer: resp_id: 2\n"
         "step 3: delay -1 s, 2 bytes: (empty request)\n  answer: resp_id: 3 error_info { code: 1 "
         "message: \"bad\" }\nsteps: 3\n"},
        {"answers that do not pass",
         "- hexData: 0000\n  delay: 0\n  answer: 0300ff\n- hexData: 0000\n  delay: 0\n"
         "  answer: zz\n- hexData: 0000\n  delay: 0\n  answer: 0300ff0102\n",
         3,
         "step 1: delay 0 s, 2 bytes: (empty request)\n  answer: hex 0300ff FLAGGED: the header "
         "declares 3 bytes where 1 follow\nstep 2: delay 0 s, 2 bytes: (empty request)\n  answer: "
         "(unreadable) FLAGGED: the recorded answer cannot be read: it is not two hex digits "
         "at position 0\nstep 3: delay 0 s, 2 bytes: (empty request)\n  answer: hex 0300ff0102 "
         "FLAGGED: it does not decode as a CleaningComponentResponse (invalid wire_type)\n"
         "steps: 3\nreplay time: 0 s, the sum of the delays up to the end\nflagged: 3\n"},
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

namespace {

// The JUnit report as an independent reader sees it: Python's own XML parser
// (expat), one line for the suite and one for each case with what it holds.
std::string junit_as_read(const std::string& path) {
    const char* reader =
        "import sys, xml.etree.ElementTree as E\n"
        "s = E.parse(sys.argv[1]).getroot()\n"
        "print(s.tag, s.get('name'), s.get('tests'), s.get('failures'), s.get('errors'),\n"
        "      s.get('skipped'), float(s.get('time')) >= 0, len(s.get('timestamp')))\n"
        "for c in s:\n"
        "    if c.tag == 'properties':\n"
        "        print([(p.get('name'), p.get('value')) for p in c][:2]); continue\n"
        "    kids = [(k.tag, k.get('message'), k.text) for k in c]\n"
        "    print(repr((c.get('name'), c.get('classname'), float(c.get('time')) >= 0, kids)))\n";
    RunOptions options;
    ProgramRun run = run_program_at("/usr/bin/python3", {"-c", reader, path}, options);
    return run.status == 0 ? run.out : "unreadable: " + run.err;
}

}  // namespace

// A JUnit report a CI server reads: every step, its failures and errors, the
// answers however hostile their texts, at a normal end and at SIGTERM, which
// the report marks.
TEST(BoardReplay, AJunitReportHoldsEveryStepPlayed) {
    // Quotes, markup, a terminal escape, bytes that are not UTF-8, and a NUL
    // (the text ends there, as every answer text does).
    const std::string hostile = std::string("<a href=\"x\">&]]>\x1b[2J\xff\xfe") + '\0' + "tail";
    const std::string hostile_answer = board_frame_bytes(
        bytes_of("08 01 12") + static_cast<char>(hostile.size() + 2) + bytes_of("0a") +
        static_cast<char>(hostile.size()) + hostile);
    const std::string first_case =
        "('step 1 platform_cmd: GET_FIRMWARE_VERSION', 'r', True, [('failure', 'step 1: the "
        "answer differs from the recording', 'step 1: the answer differs from the "
        "recording\\nstep 1: version_info: expected absent, got { version: "
        "\"<a href=\\\\\"x\\\\\">&]]>\\\\033[2J\\\\377\\\\376\" }'), ('system-out', None, "
        "'resp_id: 1 version_info { version: \"<a href=\\\\\"x\\\\\">&]]>\\\\033[2J"
        "\\\\377\\\\376\" }')])\n";
    const struct {
        const char* name;
        std::vector<PeerStep> script;
        int signal;  // SIGTERM once step 2 is sent; 0: none
        int status;
        std::string read;
    } rows[] = {
        {"every step played",
         {receive_board_frame(), send_bytes(hostile_answer), receive_board_frame(),
          send_bytes(board_frame_of("08 02")), receive_board_frame(), close_link()},
         0, 2,
         "testsuite r.yaml 3 1 1 0 True 19\n" + first_case +
             "('step 2 chassis { cmd: UNLOCK }', 'r', True, [('system-out', None, 'resp_id: "
             "2')])\n('step 3 (empty request)', 'r', True, [('error', 'no answer: the board "
             "closed the link', 'no answer: the board closed the link')])\n"},
        {"SIGTERM while step 2 is awaited",
         {receive_board_frame(), send_bytes(hostile_answer), receive_board_frame(),
          pause_for(20000)},
         15, 143,
         "testsuite r.yaml 3 1 2 0 True 19\n" + first_case +
             "('step 2 chassis { cmd: UNLOCK }', 'r', True, [('error', 'no answer: the replay "
             "was ended by a signal', 'no answer: the replay was ended by a signal')])\n"
             "('interrupted', 'r', True, [('error', 'the replay was ended by SIGTERM (status "
             "143)', 'the replay was ended by SIGTERM (status 143)')])\n"},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        directory.write("r.yaml", ANSWERED);
        directory.write("report.xml", "the report of the run before");  // replaced, as runners do
        RunOptions options;
        if (row.signal != 0) {
            options.interrupt_when = "send: 05009201020801";
            options.interrupt_signal = row.signal;
        }
        const std::string report = directory.path + "/report.xml";
        PeerRun r = run_with_peer("board_replay", row.script, options,
                                  {"--expect", "--junit", report, directory.path + "/r.yaml"});
        EXPECT_EQ(r.run.status, row.status) << row.name << "\n" << r.output;
        const std::string properties = "[('controller', '127.0.0.1:" + std::to_string(r.port) +
                                       "'), ('options', '--expect --junit " + report + "')]\n";
        std::string read = row.read;
        read.insert(read.find('\n') + 1, properties);
        EXPECT_EQ(junit_as_read(report), read) << row.name;
        EXPECT_EQ(directory.files(), (std::vector<std::string>{"r.yaml", "report.xml"})) << row.name;
    }
    // A report that cannot be written is refused before any socket: the run's
    // results would be lost after every step was sent.
    TemporaryDirectory directory;
    directory.write("r.yaml", ANSWERED);
    for (const std::string& report :
         {directory.path + "/missing/report.xml", directory.path + "/"}) {
        PeerRun refused = run_with_peer("board_replay", {}, RunOptions{},
                                        {"--junit", report, directory.path + "/r.yaml"});
        EXPECT_EQ(refused.run.status, 3);
        EXPECT_EQ(normalized(refused.run.out),
                  "[T] [INFO] Vostrel. Build date: D\n[T] [ERROR] --junit: cannot write " + report +
                      ": " + (report.back() == '/' ? "Is a directory" : "No such file or directory") +
                      "\n");
        EXPECT_EQ(refused.received, "");
    }
    EXPECT_EQ(directory.files(), (std::vector<std::string>{"r.yaml"}));
}
