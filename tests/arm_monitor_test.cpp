// arm_monitor: every report printed, however the stream is cut.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "arm.pb.h"
#include "link/frame.h"
#include "link/wall_clock.h"
#include "mcap/mcap_writer.h"
#include "proto/text_buffer.h"
#include "tests/support/arm_reports.h"
#include "tests/support/capture.h"
#include "tests/support/directory.h"
#include "tests/support/scenario.h"

namespace {

std::string reports_part(const PeerRun& r) {
    const std::string marker = "hex raw: 00000000\n";
    size_t at = r.output.find(marker);
    return at == std::string::npos ? r.output : r.output.substr(at + marker.size());
}

std::string varint(uint64_t value) {
    std::string bytes;
    do {
        uint8_t b = value & 0x7f;
        value >>= 7;
        bytes.push_back(static_cast<char>(value ? b | 0x80 : b));
    } while (value);
    return bytes;
}

TEST(ArmMonitor, WholeRunUntilTheControllerCloses) {
    PeerRun r = run_with_peer(
        "arm_monitor",
        {receive_arm_frame(), send_bytes(arm_frame_of("18 05 20 01 38 02")), close_link()}, "");
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(hex_of(r.received), "00000000");
    EXPECT_EQ(r.output, startup_lines(r.port) +
                            "接收主臂位姿:\n\n"
                            "[T] [DEBUG] call action: 接收主臂位姿:\n\n"
                            "[T] [INFO] packing protobuf msg\n"
                            "[T] [INFO] pb encode len:0\n"
                            "[T] [INFO] total len:4\n"
                            "[T] [INFO] hex raw: 00000000\n"
                            "[T] [INFO] rev len: 10 \n"
                            "[T] [INFO] [5] state:2 enable:0 grip:1 force:0\n"
                            "[T] [INFO] poses:\n"
                            "[T] [INFO] rev len: 0 \n");
}

TEST(ArmMonitor, PrintsEveryKindOfReport) {
    std::string two_angles =
        bytes_of("0a 12 0a 10 00 00 00 00 00 00 f0 3f 00 00 00 00 00 00 00 40");
    std::string six_poses = bytes_of("12 30");
    for (double v : {0.5, -1.25, 2.0, 3.0, 4.0, 1e-7}) {
        char raw[8];
        std::memcpy(raw, &v, 8);
        six_poses.append(raw, 8);
    }
    std::vector<PeerStep> script = {
        receive_arm_frame(),
        send_bytes(arm_frame_of("")),
        send_bytes(arm_frame_of("0a 00")),
        send_bytes(arm_frame_bytes(two_angles)),
        send_bytes(arm_frame_bytes(six_poses + bytes_of("28 01 40 01 38 ff ff ff ff 0f"))),
        send_bytes(arm_frame_bytes(bytes_of("32 06") + "abcdef")),
        send_bytes(arm_frame_bytes(bytes_of("32 03") + "xyz")),
        send_bytes(arm_frame_bytes(bytes_of("18 ff ff ff ff ff ff ff ff ff 01"))),
        close_link()};
    PeerRun r = run_with_peer("arm_monitor", script, "");
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(reports_part(r),
              "[T] [INFO] rev len: 4 \n"
              "[T] [INFO] [0] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] rev len: 6 \n"
              "[T] [INFO] [0] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] angles:\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] rev len: 24 \n"
              "[T] [INFO] [0] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] angles:\n"
              "[T] [INFO] \t\tangle:0 1.000000\n\n"
              "[T] [INFO] \t\tangle:1 2.000000\n\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] rev len: 64 \n"
              "[T] [INFO] [0] state:4294967295 enable:1 grip:0 force:1\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] \t\tpose:0 0.500000\n"
              "[T] [INFO] \t\tpose:1 -1.250000\n"
              "[T] [INFO] \t\tpose:2 2.000000\n"
              "[T] [INFO] \t\tpose:3 3.000000\n"
              "[T] [INFO] \t\tpose:4 4.000000\n"
              "[T] [INFO] \t\tpose:5 0.000000\n"
              "[T] [INFO] rev len: 12 \n"
              "[T] [INFO] [0] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] error: abcdef\n\n"
              "[T] [INFO] rev len: 9 \n"
              "[T] [INFO] [0] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] error: xyz\n\n"
              "[T] [INFO] rev len: 15 \n"
              "[T] [INFO] [-1] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] rev len: 0 \n");
}

TEST(ArmMonitor, UndecodableReportIsDroppedAndTheWatchGoesOn) {
    std::string seven_poses = bytes_of("12 38") + std::string(56, '\0');
    PeerRun r = run_with_peer("arm_monitor",
                              {receive_arm_frame(), send_bytes(arm_frame_bytes(seven_poses)),
                               send_bytes(arm_frame_of("18 07")), close_link()},
                              "");
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(reports_part(r),
              "[T] [INFO] rev len: 62 \n"
              "[T] [ERROR] pb_decode failed\n"
              "[T] [ERROR] decode failed!\n"
              "[T] [INFO] rev len: 6 \n"
              "[T] [INFO] [7] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] rev len: 0 \n");
}

TEST(ArmMonitor, ImpossibleLengthEndsTheWatchWithStatus2) {
    PeerRun r = run_with_peer("arm_monitor",
                              {receive_arm_frame(), send_bytes(arm_frame_of("18 01")),
                               send_bytes(bytes_of("00 01 00 00 18 02")), pause_for(20000)},
                              "");
    EXPECT_EQ(r.run.status, 2);
    EXPECT_LT(r.run.seconds, 10);
    EXPECT_EQ(reports_part(r),
              "[T] [INFO] rev len: 6 \n"
              "[T] [INFO] [1] state:0 enable:0 grip:0 force:0\n"
              "[T] [INFO] poses:\n"
              "[T] [INFO] rev len: 6 \n"
              "[T] [ERROR] msg size err: total:6, msg len:65536\n"
              "[T] [ERROR] decode failed!\n"
              "[T] [ERROR] report stream lost its framing; no later report can be read.\n");
}

TEST(ArmMonitor, TenThousandReportsInLargeBatchesAreEachPrintedInOrder) {
    const int REPORTS = 10000;
    std::string stream;
    for (int i = 0; i < REPORTS; ++i) {
        stream += arm_frame_bytes(bytes_of("18") + varint(static_cast<uint64_t>(i) + 1) +
                                  bytes_of("38") + varint(static_cast<uint64_t>(i) % 3));
    }
    std::vector<PeerStep> script = {receive_arm_frame()};
    const size_t BATCH = 7001;  // cuts reports in the middle
    for (size_t at = 0; at < stream.size(); at += BATCH) {
        script.push_back(send_bytes(stream.substr(at, BATCH)));
        if ((at / BATCH) % 10 == 9) script.push_back(pause_for(5));
    }
    script.push_back(close_link());
    RunOptions options;
    options.timeout_seconds = 60;
    PeerRun r = run_with_peer("arm_monitor", script, options);
    EXPECT_EQ(r.run.status, 0);
    std::istringstream lines(r.output);
    std::string line;
    int next = 1;
    int state_lines = 0;
    while (std::getline(lines, line)) {
        if (line.find("] state:") == std::string::npos) continue;
        ++state_lines;
        std::string expected = "[T] [INFO] [" + std::to_string(next) +
                               "] state:" + std::to_string((next - 1) % 3) +
                               " enable:0 grip:0 force:0";
        if (line != expected) {
            ADD_FAILURE() << "report " << next << ": " << line;
            break;
        }
        ++next;
    }
    EXPECT_EQ(state_lines, REPORTS);
    EXPECT_EQ(r.output.find("ERROR"), std::string::npos);
}

TEST(ArmMonitor, OutputIsLiveThroughAPipe) {
    RunOptions options;
    options.interrupt_when = "state:";
    PeerRun r = run_with_peer(
        "arm_monitor", {receive_arm_frame(), send_bytes(arm_frame_of("18 05")), pause_for(12000)},
        options);
    EXPECT_EQ(r.run.status, 130);  // stopped by Ctrl-C once the report was seen
    EXPECT_LT(r.run.seconds, 6);
}

TEST(ArmMonitor, SignalsEndTheWatchWithEverythingFormedWritten) {
    std::vector<PeerStep> script = {receive_arm_frame()};
    for (int i = 1; i <= 3; ++i)
        script.push_back(send_bytes(arm_frame_of("18 0" + std::to_string(i))));
    script.push_back(pause_for(12000));
    for (int signal : {2, 15, 1}) {  // SIGINT, SIGTERM, SIGHUP
        RunOptions options;
        options.interrupt_when = "[3] state:";
        options.interrupt_delay_ms = 0;
        options.interrupt_signal = signal;
        PeerRun r = run_with_peer("arm_monitor", script, options);
        EXPECT_EQ(r.run.status, 128 + signal);
        const std::string last =
            "[T] [INFO] [3] state:0 enable:0 grip:0 force:0\n[T] [INFO] poses:\n";
        ASSERT_GE(r.output.size(), last.size()) << signal;
        EXPECT_EQ(r.output.substr(r.output.size() - last.size()), last) << signal;
    }
}

TEST(ArmMonitor, SilentControllerEndsTheWatchAfterTheTimeout) {
    PeerRun r = run_with_peer("arm_monitor", {receive_arm_frame(), pause_for(20000)}, "");
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(reports_part(r), "[T] [INFO] rev len: -1 \n");
    EXPECT_GE(r.run.seconds, 14.5);
}

TEST(ArmMonitorCsv, AwkwardValuesGiveExactlyTheirRows) {
    TemporaryDirectory directory;
    const std::string csv = directory.path + "/arm.csv";
    int64_t before_us = wall_clock_milliseconds() * 1000;
    PeerRun with = run_with_peer("arm_monitor", awkward_reports(), RunOptions{}, {"--csv", csv});
    int64_t after_us = (wall_clock_milliseconds() + 1) * 1000;
    PeerRun without = run_with_peer("arm_monitor", awkward_reports(), RunOptions{});
    EXPECT_EQ(with.run.status, 0) << with.output;
    // Standard output is the same, byte for byte, from the connection on,
    // but for the line that says what the file holds.
    const std::string connected = "connected to the server..\n";
    EXPECT_EQ(with.output.substr(with.output.find(connected)),
              without.output.substr(without.output.find(connected)) + "[T] [INFO] 4 reports in " +
                  csv + "\n");
    EXPECT_NE(with.output.find("[T] [ERROR] pb_decode failed"), std::string::npos);

    std::istringstream rows(directory.read("arm.csv"));
    std::string row, rest;
    std::getline(rows, row);
    EXPECT_EQ(row,
              "receive_time_us,timestamp,state,enable,grip,force,angle_0,angle_1,angle_2,angle_3,"
              "angle_4,angle_5,pose_0,pose_1,pose_2,pose_3,pose_4,pose_5,error");
    std::vector<int64_t> times;
    while (std::getline(rows, row)) {
        size_t comma = row.find(',');
        ASSERT_NE(comma, std::string::npos) << row;
        times.push_back(std::stoll(row.substr(0, comma)));
        rest += row.substr(comma) + "\n";
    }
    // The error cell is the terminal's text: one line per row, valid UTF-8.
    EXPECT_EQ(rest,
              ",5,2,1,0,1,-0,5e-324,1e+308,NaN,Inf,-Inf,0.1,-2.5,2.2250738585072014e-308,,,,"
              "\"bad, \"\"very\"\" bad\"\n"
              ",0,0,0,0,0,,,,,,,1,2,3,4,5,6,line1\\x0aline2\n"
              ",6,0,0,0,0,,,,,,,,,,,,,\\x1b]0;t\\x07 \\xff\\xfe \xe5\x9b\xba\n"
              ",7,0,0,0,0,,,,,,,,,,,,,\n");
    ASSERT_EQ(times.size(), 4u);
    for (int64_t t : times) {
        EXPECT_GE(t, before_us);
        EXPECT_LE(t, after_us);
    }
}

// A row reaches the file while the monitor still waits for a report that
// does not come.
TEST(ArmMonitorCsv, RowsReachTheFileWhileTheWatchWaits) {
    TemporaryDirectory directory;
    FakePeer peer({receive_arm_frame(),
                   send_bytes(report_frame([](MainArmStateMsg& r) { r.timestamp = 42; })), gate(),
                   close_link()});
    std::string during;  // while the peer holds back the next report
    std::thread look([&] {
        for (int i = 0; i < 500 && count_of(during, "\n") < 2; ++i) {
            usleep(20 * 1000);
            during = directory.read("arm.csv");
        }
        peer.open_gate();
    });
    ProgramRun run = run_program(
        "arm_monitor", {"--csv", directory.path + "/arm.csv", "127.0.0.1", peer.port_text()},
        RunOptions{});
    look.join();
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(count_of(during, "\n"), 2u) << during;  // the header and the row
    EXPECT_NE(during.find(",42,0,0,0,0,"), std::string::npos) << during;
}

TEST(ArmMonitorCsv, FilesThatCannotBeWrittenEndTheWatchWithStatus3) {
    TemporaryDirectory directory;
    const std::string taken = directory.path + "/taken.csv";
    directory.write("taken.csv", "keep");
    ProgramRun refused = run_program("arm_monitor", {"--csv", taken, "127.0.0.1", "1"});
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(normalized(refused.out)
                  .find("[T] [ERROR] cannot create CSV file " + taken + ": File exists\n"),
              std::string::npos);
    EXPECT_EQ(refused.out.find("server:"), std::string::npos);  // nothing was connected
    EXPECT_EQ(directory.read("taken.csv"), "keep");

    if (system("prlimit --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no prlimit here";
    RunOptions small_files;
    small_files.wrapper = {"prlimit", "--fsize=300"};  // room for the header and three rows
    std::vector<PeerStep> script = {receive_arm_frame()};
    for (int i = 0; i < 4; ++i) {
        script.push_back(send_bytes(report_frame([](MainArmStateMsg& r) { r.poses_count = 6; })));
        script.push_back(pause_for(300));
    }
    script.push_back(pause_for(20000));  // the watch must end at the failure, not at silence
    const std::string full = directory.path + "/full.csv";
    PeerRun failed = run_with_peer("arm_monitor", script, small_files, {"--csv", full});
    EXPECT_EQ(failed.run.status, 3) << failed.output;
    EXPECT_LT(failed.run.seconds, 10);
    EXPECT_NE(
        failed.output.find("[T] [ERROR] cannot write CSV file " + full + ": File too large\n"),
        std::string::npos)
        << failed.output;
    // What is in the file is whole rows: the one cut short is cut back off.
    std::istringstream rows(directory.read("full.csv"));
    std::string row;
    int count = 0;
    while (std::getline(rows, row)) {
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 18) << row;
        ++count;
    }
    EXPECT_EQ(count, 4);  // the header and the three rows that fit in 300 bytes
    EXPECT_EQ(directory.read("full.csv").back(), '\n');
}

TEST(ArmMonitorCsv, AFullDiskLeavesNoFileBehind) {
    TemporaryDirectory directory;
    FullDisk disk(directory.path);
    if (!disk.made) GTEST_SKIP() << "cannot mount a full disk here";
    const std::string csv = directory.path + "/arm.csv";
    for (int run = 0; run < 2; ++run) {  // and the next run is not refused for a stale file
        ProgramRun refused = run_program("arm_monitor", {"--csv", csv, "127.0.0.1", "1"});
        EXPECT_EQ(refused.status, 3);
        EXPECT_NE(
            normalized(refused.out)
                .find("[T] [ERROR] cannot write CSV file " + csv + ": No space left on device\n"),
            std::string::npos)
            << refused.out;
        EXPECT_EQ(refused.out.find("server:"), std::string::npos);
        EXPECT_EQ(directory.files(), std::vector<std::string>{"filler"});
    }
}

// The plot script draws a whole picture or says why not; nothing in a file or
// its name runs, and no partial picture is left behind.
TEST(ArmMonitorCsv, ThePlotScriptDrawsOrSaysWhyNot) {
    if (system("command -v gnuplot >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gnuplot here";
    const std::string header =
        "receive_time_us,timestamp,state,enable,grip,force,angle_0,angle_1,angle_2,angle_3,"
        "angle_4,angle_5,pose_0,pose_1,pose_2,pose_3,pose_4,pose_5,error\n";
    std::string reports;
    for (int i = 0; i < 50; ++i) {
        reports += std::to_string(1784624703000000LL + i * 10000) + ",1,7,1,0,1";
        for (int j = 0; j < 12; ++j) reports += "," + std::to_string(0.01 * i * (j + 1));
        reports += i == 10 ? ",\"a, b\"\n" : ",\n";
    }
    const std::string one_report = reports.substr(0, reports.find('\n') + 1);
    // A playback at --rate max: the reports come at once, their own clock runs on.
    std::string at_once;
    for (int i = 0; i < 50; ++i) {
        at_once += "1784624703000000," + std::to_string(1784624703000LL + i * 10) + ",7,1,0,1";
        for (int j = 0; j < 12; ++j) at_once += "," + std::to_string(0.01 * i * (j + 1));
        at_once += ",\n";
    }
    TemporaryDirectory made;
    McapRecording recording;
    ASSERT_TRUE(recording.create(made.path + "/r.mcap",
                                 {"MainArmStateMsg", "", "/arm/state", {}, "vostrel test"}));
    for (int64_t i = 0; i < 50; ++i) {
        const std::string payload = report_frame([i](MainArmStateMsg& r) {
                                        r.timestamp = 1000 + 10 * i;
                                        r.has_angles = true;
                                        r.angles.angle_count = r.poses_count = 6;
                                        for (int j = 0; j < 6; ++j)
                                            r.angles.angle[j] = r.poses[j] =
                                                0.01 * static_cast<double>(i * j);
                                    }).substr(4);
        recording.add(static_cast<uint64_t>(i) * 10000000,
                      reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    }
    ASSERT_TRUE(recording.finish());
    const struct {
        const char* name;
        std::string file;
        std::string text;
        int status;
        std::string err;  // the script's own line ("" when it draws)
        std::vector<std::string> options = {};
    } rows[] = {
        {"reports", "arm.csv", header + reports, 0, ""},
        {"a playback, by its timestamps", "played.csv", header + at_once, 0, "", {"--timestamp"}},
        {"a recording", "night.mcap", made.read("r.mcap"), 0, ""},
        {"a quote and a command in the name", "a\"; system \"touch PWNED\"; #.csv",
         header + reports, 0, ""},
        {"a name that gnuplot would run", "<touch PWNED", header + reports, 0, ""},
        {"a name that starts with a dash", "-arm.csv", header + reports, 0, ""},
        {"a command as the first time", "evil.csv",
         header + "strlen(system(\"touch PWNED\"))," + reports.substr(17), 3,
         "plot_arm: evil.csv is not a CSV file of arm_monitor: its first report's time is not a "
         "number\n"},
        {"an escape in the name", "t\x1b]0;x\x07.csv", header + reports, 0, ""},
        {"one report", "one.csv", header + one_report, 3,
         "plot_arm: one.csv holds one report: no motion over time to draw\n"},
        {"no report", "none.csv", header, 3, "plot_arm: none.csv holds no report\n"},
    };
    for (const auto& row : rows) {
        TemporaryDirectory directory;
        directory.write(row.file, row.text);
        RunOptions options;
        options.directory = directory.path;
        std::vector<std::string> args = row.options;
        args.push_back(row.file);
        ProgramRun run =
            run_program_at(std::string(VOSTREL_SOURCE_DIR) + "/scripts/plot_arm.sh", args, options);
        EXPECT_EQ(run.status, row.status) << row.name << "\n" << run.err;
        std::string picture = row.file.substr(0, row.file.rfind('.')) + ".png";
        std::vector<std::string> expected = {row.file};
        if (row.status == 0) {
            std::string shown = picture == "t\x1b]0;x\x07.png" ? "t\\033]0;x\\a.png" : picture;
            EXPECT_EQ(run.out, shown + "\n") << row.name;
            EXPECT_EQ(directory.read(picture).substr(0, 8), "\x89PNG\r\n\x1a\n") << row.name;
            expected.push_back(picture);
        } else {
            EXPECT_EQ(run.err, row.err) << row.name;
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(directory.files(), expected) << row.name;  // no PWNED, no stray picture
        EXPECT_EQ((run.out + run.err).find('\x1b'), std::string::npos) << row.name;
    }
}

}  // namespace
