// board_recorder: passes, the record file, and a recording that is never lost.
#include <gtest/gtest.h>

#include "tests/support/capture.h"
#include "tests/support/directory.h"
#include "tests/support/fake_peer.h"
#include "tests/support/process.h"
#include "tests/support/scenario.h"
#include "tests/support/terminal_pane.h"

namespace {

const std::string ANSWER = board_frame_of("08 01");

std::vector<PeerStep> answers(int count) {
    return board_answers(count, ANSWER);
}

struct Recording {
    PeerRun r;
    std::vector<std::string> files;
    std::string text;  // the one record file, if there is exactly one
};

Recording record(std::vector<PeerStep> script, RunOptions options) {
    TemporaryDirectory directory;
    options.directory = directory.path;
    Recording rec;
    rec.r = run_with_peer("board_recorder", std::move(script), options);
    rec.files = directory.files();
    if (rec.files.size() == 1) rec.text = directory.read(rec.files[0]);
    return rec;
}

Recording record(std::vector<PeerStep> script, const std::string& input) {
    RunOptions options;
    options.input = {{input, 0}};
    return record(std::move(script), options);
}

TEST(BoardRecorder, NegativeDelayEndsARecordingOfOnePass) {
    Recording rec = record(answers(1), "0\n0\n-1\n");
    EXPECT_EQ(rec.r.run.status, 0);
    ASSERT_EQ(rec.files.size(), 1u);
    EXPECT_EQ(rec.text, "- hexData: 02001001\n  delay: -1");
    const std::string tail =
        "[T] [INFO] hex raw: 02001001\n"
        "[T] [INFO] rev len: 4 \n"
        "等待时间(s)[T] [INFO] hex data:02001001\r\n\n"
        "[T] [INFO] save actions to " +
        rec.files[0] + "\n";
    EXPECT_EQ(rec.r.output.substr(rec.r.output.size() - std::min(rec.r.output.size(), tail.size())),
              tail);
    EXPECT_EQ(hex_of(rec.r.received), "02001001");
}

// --answers shows each answer as board_console prints it, before the delay
// prompt; without it the output is as it always was.
TEST(BoardRecorder, AnswersAreShownBeforeTheDelayPromptWhenAsked) {
    const std::string refused = board_frame_bytes(bytes_of("08 04 22 0b 08 03 12 07") + "refused");
    for (bool shown : {false, true}) {
        TemporaryDirectory directory;
        RunOptions options;
        options.input = {{"0\n0\n-1\n", 0}};
        options.directory = directory.path;
        PeerRun r = run_with_peer(
            "board_recorder", {receive_board_frame(), send_bytes(refused)}, options,
            shown ? std::vector<std::string>{"--answers"} : std::vector<std::string>{});
        EXPECT_EQ(r.run.status, 0);
        const std::string answer =
            shown ? "[T] [INFO] resp_id:4 \n[T] [INFO] error: refused\n" : "";
        EXPECT_NE(r.output.find("[T] [INFO] rev len: 17 \n" + answer + "等待时间(s)[T] [INFO] hex"),
                  std::string::npos)
            << r.output;
    }
}

TEST(BoardRecorder, SeveralPassesEachShowTheirOwnFrame) {
    Recording rec = record(answers(3), "0\n0\n0\n2\n3\nabc\n2\n5\n-3\n");
    EXPECT_EQ(rec.r.run.status, 0) << rec.r.output;
    EXPECT_EQ(rec.text,
              "- hexData: 02001001\n  delay: 0\n"
              "- hexData: 05009201020801\n  delay: 2\n"
              "- hexData: 0000\n  delay: -3");
    EXPECT_NE(rec.r.output.find("hex data:02001001\r\n\n"), std::string::npos);
    EXPECT_NE(rec.r.output.find("hex data:05009201020801\r\n\n"), std::string::npos);
    EXPECT_NE(rec.r.output.find("hex data:0000\r\n\n"), std::string::npos);
    EXPECT_NE(
        rec.r.output.find("等待时间(s)等待时间(s)[T] [ERROR] Invalid input. Please try again.\n"),
        std::string::npos);
    EXPECT_EQ(hex_of(rec.r.received),
              "02001001"
              "05009201020801"
              "0000");
}

TEST(BoardRecorder, EndOfInputAtTheDelayPromptSavesTheEntryAsTheLast) {
    Recording rec = record(answers(2), "0\n0\n4\n0\n1\n");
    EXPECT_EQ(rec.r.run.status, 0);
    EXPECT_EQ(rec.text, "- hexData: 02001001\n  delay: 4\n- hexData: 02001004\n  delay: -1");
}

TEST(BoardRecorder, EndOfInputAtAMenuSavesWhatWasAnswered) {
    const char* inputs[] = {"0\n0\n1\n", "0\n0\n1\n3\n2\n", "0\n0\n1\n4\n0\n2\n255\n"};
    for (const char* input : inputs) {
        Recording rec = record(answers(1), input);
        EXPECT_EQ(rec.r.run.status, 0) << input;
        EXPECT_EQ(rec.text, "- hexData: 02001001\n  delay: 1") << input;
        EXPECT_EQ(hex_of(rec.r.received), "02001001") << input;
    }
}

TEST(BoardRecorder, EndOfInputWithNothingRecordedLeavesNoFile) {
    Recording rec = record(answers(1), "0\n");
    EXPECT_EQ(rec.r.run.status, 4);
    EXPECT_TRUE(rec.files.empty());
    EXPECT_EQ(rec.r.received, "");
}

TEST(BoardRecorder, ReadFailureSavesTheAnsweredPasses) {
    std::vector<PeerStep> script = answers(2);
    script.push_back(receive_board_frame());
    script.push_back(close_link());
    Recording rec = record(script, "0\n0\n0\n0\n1\n0\n0\n3\n0\n");
    EXPECT_EQ(rec.r.run.status, 2);
    EXPECT_NE(rec.r.output.find("[T] [INFO] rev len: 0 \n[T] [ERROR] tcp read failed.\n"
                                "[T] [INFO] save actions to "),
              std::string::npos)
        << rec.r.output;
    EXPECT_EQ(rec.text, "- hexData: 02001001\n  delay: 0\n- hexData: 02001004\n  delay: 0");
}

TEST(BoardRecorder, WriteFailureSavesTheAnsweredPasses) {
    std::vector<PeerStep> script = answers(1);
    script.push_back(reset_link());
    RunOptions options;
    options.input = {{"0\n0\n7\n", 0}, {"0\n1\n", 400}};
    Recording rec = record(script, options);
    EXPECT_EQ(rec.r.run.status, 2);
    EXPECT_NE(rec.r.output.find("[T] [ERROR] tcp write failed.\n[T] [INFO] save actions to "),
              std::string::npos)
        << rec.r.output;
    EXPECT_EQ(rec.text, "- hexData: 02001001\n  delay: 7");
}

// Ctrl-C ends a recording at once wherever it comes, and saves what was
// answered: at the delay prompt the entry becomes the last; at a menu or
// while an answer is awaited the pass under way is abandoned.
TEST(BoardRecorder, CtrlCSavesWhatWasAnsweredWhereverItComes) {
    const struct {
        const char* name;
        const char* input;
        const char* when;   // Ctrl-C once the output holds this...
        int occurrence;     // ... for the n-th time
        int delay_ms;       // ... this long after
        bool answers_once;  // the second request is never answered
        const char* saved;
    } rows[] = {
        {"at the delay prompt", "0\n0\n", "等待时间(s)", 1, 100, false,
         "- hexData: 02001001\n  delay: -1"},
        // Before the program is back in its read of the console: never waits for a key.
        {"as soon as the prompt shows", "0\n0\n", "等待时间(s)", 1, 0, false,
         "- hexData: 02001001\n  delay: -1"},
        {"at a menu", "0\n0\n5\n", "选择操作:", 2, 100, false, "- hexData: 02001001\n  delay: 5"},
        {"while the answer is awaited", "0\n0\n2\n0\n1\n", "hex raw: 02001004", 1, 100, true,
         "- hexData: 02001001\n  delay: 2"},
    };
    for (const auto& row : rows) {
        for (int run = 0; run < (row.delay_ms == 0 ? 5 : 1); ++run) {
            RunOptions options;
            options.input = {{row.input, 0}};
            options.close_input = false;
            options.interrupt_when = row.when;
            options.interrupt_occurrence = row.occurrence;
            options.interrupt_delay_ms = row.delay_ms;
            options.timeout_seconds = 10;
            std::vector<PeerStep> script = answers(1);
            if (row.answers_once) script.push_back(pause_for(20000));
            Recording rec = record(script, options);
            EXPECT_EQ(rec.r.run.status, 130) << row.name;
            EXPECT_FALSE(rec.r.run.timed_out) << row.name;
            EXPECT_EQ(rec.r.output.find("tcp read failed"), std::string::npos) << row.name;
            EXPECT_EQ(rec.text, row.saved) << row.name;
        }
    }
}

TEST(BoardRecorder, UnwritableDirectoryPrintsTheRecordingAndGivesStatus3) {
    RunOptions options;
    options.input = {{"0\n0\n-1\n", 0}};
    options.directory = "/proc";
    PeerRun r = run_with_peer("board_recorder", answers(1), options);
    EXPECT_EQ(r.run.status, 3);
    EXPECT_NE(r.output.find("[T] [ERROR] cannot write record file record_"), std::string::npos);
    EXPECT_NE(r.output.find("\n- hexData: 02001001\n  delay: -1\n"), std::string::npos) << r.output;
}

TEST(BoardRecorder, SecondRecordingInTheSameSecondGetsItsOwnName) {
    TemporaryDirectory directory;
    std::vector<std::string> earlier;
    for (int s = 0; s < 4; ++s) {
        earlier.push_back("record_" + local_stamp(s) + ".yaml");
        directory.write(earlier.back(), "earlier");
    }
    RunOptions options;
    options.input = {{"0\n0\n-1\n", 0}};
    options.directory = directory.path;
    PeerRun r = run_with_peer("board_recorder", answers(1), options);
    EXPECT_EQ(r.run.status, 0);
    size_t ours = 0;
    for (const std::string& name : directory.files()) {
        if (directory.read(name) == "earlier") continue;
        ++ours;
        EXPECT_EQ(name.rfind("record_", 0), 0u);
        EXPECT_EQ(name.substr(name.size() - 7), "_1.yaml") << name;
        EXPECT_EQ(directory.read(name), "- hexData: 02001001\n  delay: -1");
    }
    EXPECT_EQ(ours, 1u);
    EXPECT_EQ(directory.files().size(), 5u);
    EXPECT_EQ(count_of(r.output, "save actions to "), 1u);
}

}  // namespace

namespace {

// Wait, bounded, until the program in the pane reads its keys one by one
// (the line editor has the terminal), so that no key is typed ahead.
void wait_for_the_editor(TerminalPane& pane) {
    const std::string tty = pane.query("#{pane_tty}");
    for (int i = 0; i < 500; ++i) {
        if (run_program_at("stty", {"-F", tty, "-a"}, RunOptions{}).out.find("-icanon") !=
            std::string::npos) {
            return;
        }
        usleep(20 * 1000);
    }
    ADD_FAILURE() << "the line editor never took the terminal";
}

// At a terminal the prompts edit their line: an arrow key is never a choice
// and shows no escape, Up recalls the last line, Left moves within it; Ctrl-C
// saves as it always does, and the terminal is given back.
TEST(LineEditing, KeysEditTheLineAndCtrlCStillSaves) {
    FakePeer peer(answers(1));
    TerminalPane pane(100, 40);
    if (!tmux_available() || !pane.started()) GTEST_SKIP() << "no tmux here";
    pane.type_line("cd " + pane.directory.path + " && " + program_path("board_recorder") +
                   " 127.0.0.1 " + peer.port_text() + "; echo \"status $?\"");
    pane.wait_for("4. 灯光控制");
    wait_for_the_editor(pane);
    pane.press("Up");
    pane.press("Left");
    pane.type_line("0");  // once echoed, the keys before it were taken
    pane.wait_for("0. 获取固件版本");
    wait_for_the_editor(pane);
    pane.type_line("0");
    pane.wait_for("等待时间(s)");
    wait_for_the_editor(pane);
    pane.press("Up");  // the last line typed: 0
    for (const char* key : {"1", "2", "Left", "3", "Enter"}) pane.press(key);  // 0132
    pane.wait_for("hex data:02001001");
    std::string shown = pane.wait_for("4. 灯光控制\n\n");
    wait_for_the_editor(pane);
    EXPECT_EQ(shown.find("^["), std::string::npos) << shown;
    EXPECT_NE(shown.find("等待时间(s)0132"), std::string::npos) << shown;
    // The light's two number prompts are each drawn once, and Ctrl-C at the
    // second, half typed, leaves what follows a line of its own.
    for (const auto& [choice, next] : {std::pair<const char*, const char*>{"4", "5. 后向灯"},
                                       {"0", "4. 流水"},
                                       {"1", "rgb值(整数)"},
                                       {"50", "灯效毫秒周期(整数)"}}) {
        pane.type_line(choice);
        pane.wait_for(next);
        wait_for_the_editor(pane);
    }
    pane.press("7");
    pane.wait_for("灯效毫秒周期(整数)7");
    pane.press("C-c");
    shown = normalized(pane.wait_for("\nstatus "));
    EXPECT_NE(shown.find("\nstatus 130"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("(整数)灯效"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\nrgb值(整数)50\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\n灯效毫秒周期(整数)7\n[T] [INFO] save actions to "), std::string::npos)
        << shown;
    EXPECT_EQ(hex_of(peer.received()), "02001001");
    const std::vector<std::string> files = pane.directory.files();
    ASSERT_EQ(files.size(), 2u);  // the pane's socket, and the recording
    EXPECT_EQ(pane.directory.read(files[0] == "tmux" ? files[1] : files[0]),
              "- hexData: 02001001\n  delay: 132");
    pane.type_line(
        "stty -a | tr ' ' '\\n' | grep -x -e -icanon -e icanon -e -echo -e echo | "
        "tr '\\n' ' '; echo modes");
    EXPECT_NE(normalized(pane.wait_for(" modes\n$")).find("\nicanon echo modes\n"),
              std::string::npos);
}

}  // namespace
