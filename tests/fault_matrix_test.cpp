// Faults of an engineer's day, against the real programs: signals that end a
// recording, files that are not what board_replay expects, controller texts
// that would drive the terminal, readers that go away and clients that stall.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/support/background.h"
#include "tests/support/capture.h"
#include "tests/support/directory.h"
#include "tests/support/scenario.h"

namespace {

const std::string ANSWER = board_frame_of("08 01");
const char FIRST_ENTRY[] = "- hexData: 02001001\n  delay: 3\n";

mode_t shared_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Recorder rows: two passes, the signal at the second delay prompt.
TEST(FaultMatrix, SignalsEndingARecording) {
    const struct {
        const char* name;
        int signal;
        bool input_ends_too;  // a closed terminal: end of input and SIGHUP together
        bool output_gone;     // standard output's reader died first (| tee, then Ctrl-C)
        std::vector<int> statuses;
        bool saved;  // the finished record file is there
    } rows[] = {
        {"Ctrl-C", SIGINT, false, false, {130}, true},
        {"kill", SIGTERM, false, false, {143}, true},
        {"dropped session", SIGHUP, false, false, {129}, true},
        {"closed terminal", SIGHUP, true, false, {0, 129}, true},
        {"Ctrl-C after tee died", SIGINT, false, true, {130}, true},
        {"kill -9", SIGKILL, false, false, {137}, false},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        RunOptions options;
        options.input = {{"0\n0\n3\n0\n1\n", 0}};
        options.close_input = row.input_ends_too;
        options.directory = directory.path;
        options.interrupt_when = "等待时间(s)";
        options.interrupt_occurrence = 2;
        options.interrupt_delay_ms = row.input_ends_too ? 0 : 100;
        options.interrupt_signal = row.signal;
        options.drop_output_first = row.output_gone;
        PeerRun r = run_with_peer("board_recorder", board_answers(2, ANSWER), options);
        EXPECT_NE(std::find(row.statuses.begin(), row.statuses.end(), r.run.status),
                  row.statuses.end())
            << row.name << ": status " << r.run.status;
        std::vector<std::string> files = directory.files();
        ASSERT_EQ(files.size(), 1u) << row.name << ": " << testing::PrintToString(files);
        const std::string& name = files[0];
        if (row.saved) {
            EXPECT_EQ(name.rfind("record_", 0), 0u) << row.name << ": " << name;
            EXPECT_EQ(directory.read(name),
                      "- hexData: 02001001\n  delay: 3\n- hexData: 02001004\n  delay: -1")
                << row.name;
            struct stat info = {};
            ASSERT_EQ(stat((directory.path + "/" + name).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, shared_mode()) << row.name;
        } else {
            // What SIGKILL leaves: the unfinished recording, playable as it is.
            EXPECT_EQ(name.rfind("unfinished_record_", 0), 0u) << row.name << ": " << name;
            EXPECT_EQ(directory.read(name), FIRST_ENTRY) << row.name;
            PeerRun replayed = run_with_peer("board_replay", board_answers(1, ANSWER), RunOptions{},
                                             {directory.path + "/" + name});
            EXPECT_EQ(replayed.run.status, 0) << replayed.output;
            EXPECT_EQ(hex_of(replayed.received), "02001001");
        }
    }
}

TEST(FaultMatrix, UnfinishedRecordingGrowsEntryByEntryAndGoesWhenSaved) {
    TemporaryDirectory directory;
    RunOptions options;
    std::vector<std::string> during;  // once the first entry is sent
    options.input = {{"0\n0\n3\n"}, once_output_holds("hex data:", "0\n1\n-1\n", [&] {
                         during = directory.files();
                     })};
    options.directory = directory.path;
    PeerRun r = run_with_peer("board_recorder", board_answers(2, ANSWER), options);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0].rfind("unfinished_record_", 0), 0u) << during[0];
    EXPECT_EQ(r.run.status, 0);
    std::vector<std::string> after = directory.files();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].rfind("record_", 0), 0u) << after[0];
}

// Journal rows: three passes of 32-byte entries ("- hexData: 02001001\n  delay: 10\n");
// the record file (95 bytes) cannot be written, and the unfinished recording
// is named only when it is there, whole and loading.
TEST(FaultMatrix, UnfinishedRecordingIsWholeOrGone) {
    if (system("prlimit --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no prlimit here";
    const char ENTRY[] = "- hexData: 02001001\n  delay: 10\n";
    const struct {
        const char* name;
        int size_limit;  // bytes a file may hold
        int entries;     // whole entries left in the unfinished recording (0: no file)
    } rows[] = {
        {"cut inside the first entry", 20, 0},
        {"room for one entry", 32, 1},
        {"cut inside the second entry", 50, 1},
        {"cut inside the third entry", 94, 2},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        RunOptions options;
        options.input = {{"0\n0\n10\n0\n0\n10\n0\n0\n10\n", 0}};
        options.directory = directory.path;
        options.wrapper = {"prlimit", "--fsize=" + std::to_string(row.size_limit)};
        PeerRun r = run_with_peer("board_recorder", board_answers(3, ANSWER), options);
        EXPECT_EQ(r.run.status, 3) << row.name << "\n" << r.output;
        std::vector<std::string> files = directory.files();
        if (row.entries == 0) {
            EXPECT_TRUE(files.empty()) << row.name << ": " << testing::PrintToString(files);
            EXPECT_EQ(r.output.find("the recording stays in"), std::string::npos) << row.name;
            continue;
        }
        ASSERT_EQ(files.size(), 1u) << row.name << ": " << testing::PrintToString(files);
        std::string whole;
        for (int i = 0; i < row.entries; ++i) whole += ENTRY;
        EXPECT_EQ(directory.read(files[0]), whole) << row.name;
        std::string stays = "[T] [ERROR] the recording stays in " + files[0] + " (its first " +
                            std::to_string(row.entries) + " of 3 entries)\n";
        EXPECT_NE(r.output.find(stays), std::string::npos) << row.name << "\n" << r.output;
        EXPECT_EQ(count_of(r.output, "cannot keep the unfinished recording"), 1u) << row.name;
    }
}

TEST(FaultMatrix, UnfinishedRecordingOnAFullDiskAndInARemovedDirectory) {
    {
        // A full disk: nothing whole can be kept, so nothing is left or named.
        TemporaryDirectory directory;
        FullDisk disk(directory.path);
        if (!disk.made) GTEST_SKIP() << "cannot mount a full disk here";
        RunOptions options;
        options.input = {{"0\n0\n3\n0\n0\n-1\n", 0}};
        options.directory = directory.path;
        PeerRun r = run_with_peer("board_recorder", board_answers(2, ANSWER), options);
        EXPECT_EQ(r.run.status, 3) << r.output;
        EXPECT_EQ(directory.files(), std::vector<std::string>{"filler"});
        EXPECT_EQ(count_of(r.output, "[ERROR] cannot keep the unfinished recording in "), 1u)
            << r.output;
        EXPECT_NE(r.output.find(": No space left on device\n"), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("the recording stays in"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("\n- hexData: 02001001\n  delay: 3\n- hexData: 02001001\n"),
                  std::string::npos);  // printed for the operator to keep

        // Space comes back after the first entry failed: the next entry brings
        // every entry in.
        FullDisk again(directory.path);
        ASSERT_TRUE(again.made);
        options.input = {{"0\n0\n3\n"},
                         once_output_holds("cannot keep the unfinished recording", "0\n0\n-1\n",
                                           [&] { again.make_room(); })};
        r = run_with_peer("board_recorder", board_answers(2, ANSWER), options);
        EXPECT_EQ(r.run.status, 0) << r.output;
        EXPECT_NE(r.output.find(" holds all 2 entries again\n"), std::string::npos) << r.output;
    }
    {
        // The directory is removed mid-recording: the save fails, and no file is named.
        TemporaryDirectory directory;
        RunOptions options;
        auto remove = [&] {
            for (const std::string& name : directory.files()) {
                unlink((directory.path + "/" + name).c_str());
            }
            rmdir(directory.path.c_str());
        };
        options.input = {{"0\n0\n3\n"}, once_output_holds("hex data:", "0\n0\n-1\n", remove)};
        options.directory = directory.path;
        PeerRun r = run_with_peer("board_recorder", board_answers(2, ANSWER), options);
        EXPECT_EQ(r.run.status, 3) << r.output;
        EXPECT_NE(r.output.find("[ERROR] cannot write record file record_"), std::string::npos);
        EXPECT_EQ(r.output.find("the recording stays in"), std::string::npos) << r.output;
    }
}

// Replay rows: files that are not record files reach no socket write and
// never block, and what is said of them cannot drive the terminal.
TEST(FaultMatrix, FilesHandedToTheReplayer) {
    TemporaryDirectory directory;
    const std::string fifo = directory.path + "/fifo.yaml";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string frame = "- hexData: &f " + std::string(2 * 65535, '0') + "\n  delay: 0\n";
    std::string bomb = frame;
    for (int i = 0; i < 200; ++i) bomb += "- hexData: *f\n  delay: 0\n";
    directory.write("bomb.yaml", bomb);
    directory.write("title\x1b]0;owned\x07.yaml", "%YAML 1.\x1b]0;t\x07\x1b[2J\n- a\n");
    const struct {
        const char* name;
        std::string path;
        std::string line;  // what follows "cannot load record file "
    } rows[] = {
        {"FIFO", fifo, fifo + ": not a regular file"},
        {"directory", directory.path, directory.path + ": not a regular file"},
        {"device", "/dev/zero", "/dev/zero: not a regular file"},
        {"aliases repeating a 64 KiB frame", directory.path + "/bomb.yaml",
         directory.path +
             "/bomb.yaml: line 129: entry 65: the frames add up to more than 4 MiB (aliases "
             "repeating a frame?)"},
        {"escapes in the name and in the YAML reader's error",
         directory.path + "/title\x1b]0;owned\x07.yaml",
         directory.path +
             "/title\\x1b]0;owned\\x07.yaml: line 1: not valid YAML (bad YAML version: "
             "1.\\x1b]0;t\\x07\\x1b[2J)"},
    };
    for (const auto& row : rows) {
        RunOptions options;
        options.timeout_seconds = 20;
        PeerRun r = run_with_peer("board_replay", {}, options, {row.path});
        EXPECT_EQ(r.run.status, 3) << row.name;
        EXPECT_FALSE(r.run.timed_out) << row.name;
        EXPECT_EQ(r.output,
                  startup_lines(r.port) + "[T] [ERROR] cannot load record file " + row.line + "\n")
            << row.name;
        EXPECT_EQ(r.received, "") << row.name;

        ProgramRun checked = run_program("board_replay", {"--check", row.path}, options);
        EXPECT_EQ(checked.status, 3) << row.name;
        EXPECT_NE(
            normalized(checked.out).find("[T] [ERROR] cannot load record file " + row.line + "\n"),
            std::string::npos)
            << row.name << "\n"
            << checked.out;
        EXPECT_EQ(checked.out.find('\x1b'), std::string::npos) << row.name;
    }
    EXPECT_EQ(directory.files(),
              (std::vector<std::string>{"bomb.yaml", "fifo.yaml", "title\x1b]0;owned\x07.yaml"}));
}

// Text rows: what a controller says reaches the terminal with its controls escaped.
TEST(FaultMatrix, ControllerTextsCannotDriveTheTerminal) {
    auto text_field = [](int key, const std::string& text) {
        return std::string{static_cast<char>(key), static_cast<char>(text.size())} + text;
    };
    const struct {
        const char* name;
        const char* program;
        const char* input;
        std::string answer;
        std::string line;
    } rows[] = {
        {"clear screen in the version", "board_console", "0\n0\n",
         board_frame_bytes(text_field(0x12, text_field(0x0a, "\x1b[2J\x1b[H1.0"))),
         "version: \\x1b[2J\\x1b[H1.0\n\n"},
        {"erase the line above in the error", "board_console", "0\n0\n",
         board_frame_bytes(text_field(0x22, text_field(0x12, "bad\x1b[1A\x1b[2K"))),
         "error: bad\\x1b[1A\\x1b[2K\n"},
        {"retitle the window in the id", "arm_console", "0\n",
         arm_frame_bytes("\x08\x01" + text_field(0x12, "\x1b]0;owned\x07")),
         "id: \\x1b]0;owned\\x07\n\n"},
        {"clipboard write in the error", "arm_console", "0\n",
         arm_frame_bytes("\x08\x01" + text_field(0x22, "\x1b]52;c;aGk=\x07")),
         "error: \\x1b]52;c;aGk=\\x07\n\n"},
        {"C1 controls, encoded and raw", "arm_monitor", "",
         arm_frame_bytes(text_field(0x32,
                                    "\xc2\x9b"
                                    "2J \x9b"
                                    "2J\x7f")),
         "error: \\xc2\\x9b2J \\x9b2J\\x7f\n\n"},
        {"line breaks and tabs", "arm_monitor", "", arm_frame_bytes(text_field(0x32, "a\tb\r\nc")),
         "error: a\\x09b\\x0d\\x0ac\n\n"},
        {"Chinese prints unchanged", "board_console", "0\n0\n",
         board_frame_bytes(text_field(0x12, text_field(0x0a, "固件 v1.0 (稳定) \\ ok"))),
         "version: 固件 v1.0 (稳定) \\ ok\n\n"},
    };
    for (const auto& row : rows) {
        bool arm = row.program[0] == 'a';
        std::vector<PeerStep> script = {arm ? receive_arm_frame() : receive_board_frame(),
                                        send_bytes(row.answer), close_link()};
        PeerRun r = run_with_peer(row.program, script, row.input);
        EXPECT_NE(r.output.find("[T] [INFO] " + row.line), std::string::npos) << row.name << "\n"
                                                                              << r.output;
        EXPECT_EQ(r.run.out.find('\x1b'), std::string::npos) << row.name;
    }
}

// A monitor whose reader is gone stops at once, even with SIGPIPE ignored.
TEST(FaultMatrix, MonitorStopsWhenItsOutputIsGone) {
    std::vector<PeerStep> script = {receive_arm_frame()};
    for (int i = 0; i < 400; ++i) {
        script.push_back(send_bytes(arm_frame_of("18 05 20 01 38 02")));
        script.push_back(pause_for(50));
    }
    RunOptions options;
    options.interrupt_when = "state:";
    options.interrupt_signal = 0;
    options.drop_output_first = true;
    PeerRun r = run_with_peer("arm_monitor", script, options);
    EXPECT_EQ(r.run.status, 5);
    EXPECT_EQ(r.run.err, "arm_monitor: standard output failed; the watch ends\n");
}

// Client rows: a stalled client never holds up another tool.
TEST(FaultMatrix, SimulatorsServeOthersWhileOneClientStalls) {
    BackgroundProgram board("board_sim", {"--port", "0"});
    const std::string port = std::to_string(board.port_of("board_sim"));
    int half_frame = connect_loopback(static_cast<uint16_t>(std::stoi(port)));
    send(half_frame, "\x05\x00\x08", 3, MSG_NOSIGNAL);
    int at_prompt = connect_loopback(static_cast<uint16_t>(std::stoi(port)));
    send(at_prompt, "\x02\x00\x10\x01", 4, MSG_NOSIGNAL);
    ProgramRun run = run_program("board_console", {"127.0.0.1", port}, "0\n0\n");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("version: VOSTREL-SIM"), std::string::npos);

    BackgroundProgram arm("arm_sim", {"--command-port", "0", "--report-port", "0"});
    const std::string commands = std::to_string(arm.port_of("arm_sim command port"));
    const std::string reports = std::to_string(arm.port_of("arm_sim report port"));
    std::vector<int> silent;
    for (int i = 0; i < 6; ++i) {
        silent.push_back(connect_loopback(static_cast<uint16_t>(std::stoi(commands))));
    }
    ProgramRun id = run_program("arm_console", {"127.0.0.1", commands}, "0\n");
    EXPECT_EQ(id.status, 0) << id.out;
    EXPECT_NE(id.out.find("id: VOSTREL-SIM-ARM-0001"), std::string::npos);

    // Short report connections are reaped: their threads' stacks do not pile up.
    auto virtual_kib = [&arm] {
        std::ifstream status("/proc/" + std::to_string(arm.pid()) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7));
        }
        return 0L;
    };
    long before = virtual_kib();
    for (int i = 0; i < 300; ++i) {
        int link = connect_loopback(static_cast<uint16_t>(std::stoi(reports)));
        send(link, "\x00\x00\x00\x00", 4, MSG_NOSIGNAL);
        close(link);
    }
    EXPECT_GT(before, 0);
    const long bound = 1024L * 1024;  // 300 leaked stacks: 2.4 GiB
    for (int i = 0; i < 500 && virtual_kib() - before >= bound; ++i) usleep(20 * 1000);
    EXPECT_LT(virtual_kib() - before, bound);

    for (int link : silent) close(link);
    close(half_frame);
    close(at_prompt);
    EXPECT_EQ(arm.stop(), 0);
    EXPECT_EQ(board.stop(), 0);
}

TEST(FaultMatrix, BoardSimClosesAConnectionHoldingHalfAFrame) {
    BackgroundProgram board("board_sim", {"--port", "0"});
    int link = connect_loopback(static_cast<uint16_t>(board.port_of("board_sim")));
    timeval patient = {25, 0};
    setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &patient, sizeof patient);
    send(link, "\x05\x00\x08", 3, MSG_NOSIGNAL);
    char byte = 0;
    EXPECT_EQ(recv(link, &byte, 1, 0), 0);  // the board closes it after 15 s
    close(link);
    EXPECT_NE(board.log().find("client held half a frame for 15 s (3 bytes)"), std::string::npos)
        << board.log();
    EXPECT_EQ(board.stop(), 0);
}

}  // namespace
