// arm_monitor --live in a real terminal (tmux): what the view shows of known
// reports, its keys, and the terminal given back however the watch ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/arm_reports.h"
#include "tests/support/bytes.h"
#include "tests/support/directory.h"
#include "tests/support/process.h"
#include "tests/support/scenario.h"
#include "tests/support/terminal_pane.h"

namespace {

const std::string KEYS_LINE = "keys: q quit  space pause  r reset";

// A report at `timestamp` with angle 0 at `angle` (the other angles 0.25)
// and three poses; enable set, and grip or force as the timestamp is even or odd.
PeerStep report_at(int64_t timestamp, double angle, const char* error = "") {
    return send_bytes(report_frame(
        [=](MainArmStateMsg& r) {
            r.timestamp = timestamp;
            r.state = 7;
            r.enable = true;
            r.grip = timestamp % 2 == 0;
            r.force = timestamp % 2 == 1;
            r.has_angles = true;
            r.angles.angle_count = 6;
            for (double& a : r.angles.angle) a = 0.25;
            r.angles.angle[0] = angle;
            r.poses_count = 3;
            r.poses[0] = 0.5;
            r.poses[1] = -0.5;
            r.poses[2] = 0.125;
        },
        error));
}

// Start the monitor in the pane's shell and wait for its view; the shell
// prints "status N" when it ends.
void start_live(TerminalPane& pane, const FakePeer& peer, const std::string& options = "",
                const std::string& wrapper = "", bool view_stays = true) {
    pane.type_line("sh -c 'echo $$ > " + pane.directory.path + "/pid; exec " + wrapper +
                   program_path("arm_monitor") + " --live " + options + " 127.0.0.1 " +
                   peer.port_text() + "'; echo \"status $?\"");
    if (view_stays) pane.wait_for(KEYS_LINE);
}

pid_t monitor_pid(const TerminalPane& pane) {
    return static_cast<pid_t>(std::stol(pane.directory.read("pid")));
}

// The line of the view that begins with `label`.
std::string line_of(const std::string& shown, const std::string& label) {
    std::istringstream lines(shown);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(label, 0) == 0) return line;
    }
    return "";
}

// The normal screen is back with its cursor, and the shell echoes what is
// typed and runs it at Enter.
void expect_terminal_given_back(TerminalPane& pane) {
    EXPECT_EQ(pane.query("#{alternate_on} #{cursor_flag}"), "0 1");
    pane.type_line(
        "stty -a | tr ' ' '\\n' | grep -x -e -icanon -e icanon -e -echo -e echo | "
        "tr '\\n' ' '; echo modes");
    std::string shown = normalized(pane.wait_for(" modes\n$"));
    EXPECT_NE(shown.find("\nicanon echo modes\n"), std::string::npos) << shown;
}

#define SKIP_WITHOUT_TMUX(pane) \
    if (!tmux_available() || !(pane).started()) GTEST_SKIP() << "no tmux here"

TEST(ArmMonitorLive, ShowsEachFigureOfKnownReports) {
    FakePeer peer({receive_arm_frame(), report_at(1001, -1), gate(),
                   report_at(1002, 1.5, "\x1b[2J\x1b]0;owned\x07 \xff"),
                   send_bytes(arm_frame_bytes(bytes_of("12 38") + std::string(56, '\0'))), gate(),
                   close_link()});
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    start_live(pane, peer);
    std::string shown = pane.wait_for("reports 1 ");
    EXPECT_EQ(line_of(shown, "arm_monitor").substr(0, 49 + peer.port_text().size()),
              "arm_monitor --live  127.0.0.1:" + peer.port_text() + "  connected 00:00:0")
        << shown;
    EXPECT_EQ(line_of(shown, "timestamp"), "timestamp 1001  state 7  enable 1  grip 0  force 1");
    EXPECT_EQ(line_of(shown, "angle 0").substr(0, 49),
              "angle 0     -1.000000    -1.000000    -1.000000  ");
    EXPECT_EQ(line_of(shown, "pose 2").substr(0, 49),
              "pose 2       0.125000     0.125000     0.125000  ");
    EXPECT_EQ(line_of(shown, "pose 3"), "pose 3              -            -            -");
    EXPECT_EQ(line_of(shown, "error"), "error: -");

    usleep(400 * 1000);  // the next value lands in a later column of the trace
    peer.open_gate();
    shown = pane.wait_for("bad frames 1");
    EXPECT_NE(line_of(shown, "reports 2  rate ").find("bad frames 1"), std::string::npos);
    EXPECT_EQ(line_of(shown, "timestamp"), "timestamp 1002  state 7  enable 1  grip 1  force 0");
    const std::string angle = line_of(shown, "angle 0");
    EXPECT_EQ(angle.substr(0, 49), "angle 0      1.500000    -1.000000     1.500000  ");
    EXPECT_TRUE(std::regex_search(angle, std::regex("  ▁ +█ *$"))) << angle;
    EXPECT_TRUE(std::regex_search(line_of(shown, "angle 1"), std::regex("  ▅ +▅ *$"))) << shown;
    EXPECT_EQ(line_of(shown, "error"), "error: \\x1b[2J\\x1b]0;owned\\x07 \\xff");
    EXPECT_NE(pane.query("#{pane_title}"), "owned");

    shown = pane.wait_for("link silent for ");
    EXPECT_TRUE(std::regex_search(line_of(shown, "arm_monitor"),
                                  std::regex("  connected 00:00:0[0-9]  link silent for [1-9] s$")))
        << shown;

    // A small terminal shows what fits, the silence on the first line still;
    // a larger one the whole view again.
    pane.resize(40, 6);
    shown = pane.wait_for("angle 1 ");
    EXPECT_EQ(line_of(shown, "angle 1 "), "angle 1      0.250000     0.250000     0");
    EXPECT_TRUE(std::regex_search(line_of(shown, "arm_monitor"),
                                  std::regex("^arm_monitor --live   link silent for [1-9] s$")))
        << shown;
    EXPECT_EQ(shown.find(KEYS_LINE), std::string::npos);
    pane.resize(80, 24);
    EXPECT_NE(pane.wait_for(KEYS_LINE).find(KEYS_LINE), std::string::npos);

    peer.open_gate();  // the link closes
    shown = normalized(pane.wait_for("\nstatus "));
    EXPECT_NE(shown.find("[T] [INFO] [1002] state:7 enable:1 grip:1 force:0\n"
                         "[T] [INFO] angles:\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("[T] [INFO]            pose:2 0.125000\n"
                         "[T] [INFO] error: \\x1b[2J\\x1b]0;owned\\x07 \\xff\n\n"),
              std::string::npos)
        << shown;
    EXPECT_TRUE(std::regex_search(
        shown, std::regex("\\[T\\] \\[INFO\\] watched 2 reports in [0-9.]+ s, [0-9.]+ per "
                          "second, largest gap [0-9.]+ ms, 1 bad frames\n"
                          "\\[T\\] \\[INFO\\] rev len: 0 \n"
                          "\\[T\\] \\[INFO\\] the arm closed the link\nstatus 0\n")))
        << shown;
    expect_terminal_given_back(pane);
}

// Space freezes the view while the reports are still counted and written; r
// starts the ranges afresh; q ends the watch.
TEST(ArmMonitorLive, KeysFreezeResetAndEndTheView) {
    FakePeer peer({receive_arm_frame(), report_at(1, 0), gate(), report_at(2, 2), gate(),
                   report_at(3, 1), pause_for(20000)});
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    start_live(pane, peer, "--csv " + pane.directory.path + "/arm.csv");
    pane.wait_for("timestamp 1 ");
    pane.press("Space");
    EXPECT_NE(line_of(pane.wait_for("space resume"), "arm_monitor").find("  paused"),
              std::string::npos);
    peer.open_gate();
    for (int i = 0; i < 250 && count_of(pane.directory.read("arm.csv"), "\n") < 3; ++i) {
        usleep(20 * 1000);  // the row reaches the file within a quarter of a second
    }
    ASSERT_EQ(count_of(pane.directory.read("arm.csv"), "\n"), 3u);
    std::string shown = pane.shown();
    EXPECT_NE(shown.find("\nreports 1  rate"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\ntimestamp 1 "), std::string::npos) << shown;

    pane.press("Space");
    shown = pane.wait_for("timestamp 2 ");
    EXPECT_EQ(shown.find("paused"), std::string::npos) << shown;
    EXPECT_NE(shown.find(KEYS_LINE), std::string::npos) << shown;
    EXPECT_EQ(line_of(shown, "angle 0").substr(0, 49),
              "angle 0      2.000000     0.000000     2.000000  ");

    pane.press("r");  // the traces start afresh with the ranges
    shown = pane.wait_for("largest gap 0.0 ms");
    EXPECT_TRUE(
        std::regex_search(line_of(shown, "angle 0"),
                          std::regex("^angle 0      2.000000     2.000000     2.000000 *$")))
        << shown;
    peer.open_gate();
    shown = pane.wait_for("timestamp 3 ");
    EXPECT_EQ(line_of(shown, "angle 0").substr(0, 49),
              "angle 0      1.000000     1.000000     2.000000  ");

    pane.press("q");
    shown = normalized(pane.wait_for("\nstatus "));
    EXPECT_TRUE(std::regex_search(
        shown, std::regex("\\[T\\] \\[INFO\\] watched 3 reports in [0-9.]+ s, [0-9.]+ per "
                          "second, largest gap [0-9.]+ ms, 0 bad frames\nstatus 0\n")))
        << shown;
    EXPECT_EQ(count_of(pane.directory.read("arm.csv"), "\n"), 4u);
    expect_terminal_given_back(pane);
}

struct LiveEnd {
    const char* name;
    std::function<void(TerminalPane&, FakePeer&)> end;
    int status;
    std::string last_lines;  // what comes just before "status N"
    std::string wrapper = "";
    std::string options = "";
};

TEST(ArmMonitorLive, EachEndGivesItsStatusAndTheTerminalBack) {
    const std::string summary =
        "\\[T\\] \\[INFO\\] watched 1 reports in [0-9.]+ s, [0-9.]+ per "
        "second, largest gap 0\\.0 ms, 0 bad frames\n";
    const std::string report = "\\[T\\] \\[INFO\\]            pose:2 0\\.125000\n";
    auto key = [](const char* name) {
        return [name](TerminalPane& pane, FakePeer&) { pane.press(name); };
    };
    auto signal = [](int number) {
        return [number](TerminalPane& pane, FakePeer&) { kill(monitor_pid(pane), number); };
    };
    const bool prlimit = system("prlimit --version >/dev/null 2>&1") == 0;
    std::vector<LiveEnd> ends = {
        {"q", key("q"), 0, report + summary},
        {"Ctrl-C", key("C-c"), 130, report + summary},
        {"SIGTERM", signal(SIGTERM), 143, report + summary},
        {"SIGHUP", signal(SIGHUP), 129, report + summary},
        {"the link closed", [](TerminalPane&, FakePeer& peer) { peer.open_gate(); }, 0,
         report + summary +
             "\\[T\\] \\[INFO\\] rev len: 0 \n\\[T\\] \\[INFO\\] the arm closed the link\n"},
        {"a crash", signal(SIGSEGV), 139, "\n"},  // given back from the signal path
    };
    if (prlimit) {  // room for the header alone: the first write of a row fails
        ends.push_back({"a failed CSV write", [](TerminalPane&, FakePeer&) {}, 3,
                        "\\[T\\] \\[ERROR\\] cannot write CSV file .*: File too large\n(.*\n)*" +
                            report + summary,
                        "prlimit --fsize=200 ", "--csv arm.csv"});
    }
    for (const LiveEnd& how : ends) {
        FakePeer peer({receive_arm_frame(), report_at(77, 0), gate(), close_link()});
        TerminalPane pane;
        SKIP_WITHOUT_TMUX(pane);
        pane.type_line("cd " + pane.directory.path);
        start_live(pane, peer, how.options, how.wrapper);
        pane.wait_for("reports 1 ");
        how.end(pane, peer);
        std::string shown = normalized(pane.wait_for("\nstatus "));
        EXPECT_TRUE(std::regex_search(
            shown, std::regex(how.last_lines + "status " + std::to_string(how.status) + "\n")))
            << how.name << "\n"
            << shown;
        expect_terminal_given_back(pane);
    }
}

// Where the locale is not UTF-8, the trace is drawn in plain characters.
TEST(ArmMonitorLive, ALocaleThatIsNotUtf8GetsThePlainTrace) {
    FakePeer peer(
        {receive_arm_frame(), report_at(1, -1), gate(), report_at(2, 1), gate(), close_link()});
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    start_live(pane, peer, "", "env LC_ALL=C ");
    pane.wait_for("timestamp 1 ");
    usleep(200 * 1000);  // the next value lands in a later column of the trace
    peer.open_gate();
    const std::string shown = pane.wait_for("timestamp 2 ");
    const std::string angle = line_of(shown, "angle 0");
    EXPECT_TRUE(std::regex_search(angle, std::regex("  \\. *@ *$"))) << angle;
    EXPECT_TRUE(std::regex_search(line_of(shown, "angle 1"), std::regex("  \\+ *\\+ *$"))) << shown;
    EXPECT_EQ(shown.find("\u2581"), std::string::npos);
    peer.open_gate();
    pane.wait_for("\nstatus ");
    expect_terminal_given_back(pane);
}

// q ends the watch while reports flood in at 1 kHz: the keys are looked at
// every 50 ms however fast the reports come.
TEST(ArmMonitorLive, QEndsTheWatchDuringAFlood) {
    std::string frames;
    for (int64_t i = 0; i < 20000; ++i) {
        frames += report_frame([i](MainArmStateMsg& r) { r.timestamp = 1000000 + i; });
    }
    FakePeer peer(
        {receive_arm_frame(), send_paced(frames, frames.size() / 20000, 1000), close_link()});
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    start_live(pane, peer);
    pane.wait_for("timestamp 100");
    pane.press("q");
    const std::string shown = normalized(pane.wait_for("\nstatus ", 15));
    std::smatch watched;
    ASSERT_TRUE(std::regex_search(
        shown, watched,
        std::regex("\\[T\\] \\[INFO\\] watched ([0-9]+) reports in [^\n]*\nstatus 0\n")))
        << shown;
    EXPECT_LT(std::stoi(watched[1]), 15000) << shown;
    expect_terminal_given_back(pane);
}

TEST(ArmMonitorLive, SilenceEndsTheWatchAfterTheTimeout) {
    FakePeer peer({receive_arm_frame(), report_at(5, 0), pause_for(25000)});
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    start_live(pane, peer);
    EXPECT_NE(pane.wait_for("link silent for 1").find("link silent for 1"), std::string::npos);
    std::string shown = normalized(pane.wait_for("\nstatus ", 25));
    EXPECT_NE(shown.find(" 0 bad frames\n[T] [INFO] rev len: -1 \n"
                         "[T] [INFO] the link was silent for 15 s\nstatus 0\n"),
              std::string::npos)
        << shown;
    expect_terminal_given_back(pane);
}

TEST(ArmMonitorLive, IsRefusedWhereItCannotDraw) {
    TemporaryDirectory directory;
    FakePeer peer({receive_arm_frame(), close_link()});
    ProgramRun refused = run_program("arm_monitor", {"--live", "--csv", directory.path + "/arm.csv",
                                                     "127.0.0.1", peer.port_text()});
    EXPECT_EQ(refused.status, 255);
    EXPECT_NE(normalized(refused.out)
                  .find("[T] [ERROR] --live draws on a terminal, and standard output is not one\n"),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(refused.out.find("server:"), std::string::npos);  // no socket was made
    EXPECT_TRUE(directory.files().empty());

    // A terminal of a type that cannot be drawn on.
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    pane.type_line("TERM=no-such-terminal " + program_path("arm_monitor") + " --live 127.0.0.1 " +
                   peer.port_text() + "; echo \"status $?\"");
    std::string shown = normalized(pane.wait_for("\nstatus "));
    EXPECT_NE(shown.find("[T] [ERROR] --live cannot draw on this terminal: its type (TERM) is "
                         "unset or unknown, or it cannot move the cursor\nstatus 255\n"),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("server:"), std::string::npos);
}

// The same stream gives the same CSV rows with the view as without it (but
// for the time each report came).
TEST(ArmMonitorLive, WritesTheRowsOfThePlainMonitor) {
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    FakePeer peer(awkward_reports());
    start_live(pane, peer, "--csv " + pane.directory.path + "/live.csv", "", false);
    EXPECT_NE(normalized(pane.wait_for("\nstatus ")).find(" 1 bad frames\n"), std::string::npos);
    PeerRun plain = run_with_peer("arm_monitor", awkward_reports(), RunOptions{},
                                  {"--csv", pane.directory.path + "/plain.csv"});
    EXPECT_EQ(plain.run.status, 0);
    auto without_times = [&](const std::string& name) {
        std::istringstream rows(pane.directory.read(name));
        std::string all;
        for (std::string row; std::getline(rows, row);) all += row.substr(row.find(',')) + "\n";
        return all;
    };
    EXPECT_EQ(count_of(pane.directory.read("live.csv"), "\n"), 5u);
    EXPECT_EQ(without_times("live.csv"), without_times("plain.csv"));
}

// The demo's arm swings by itself (arm_sim --wave), and the view shows it move.
TEST(ArmMonitorLive, TheDemoShowsTheArmMoving) {
    TerminalPane pane;
    SKIP_WITHOUT_TMUX(pane);
    pane.type_line(std::string(VOSTREL_SOURCE_DIR) + "/scripts/run_with_sims.sh " +
                   VOSTREL_BIN_DIR + " arm_monitor --live; echo \"status $?\"");
    const std::string first = line_of(pane.wait_for(KEYS_LINE), "angle 0").substr(0, 21);
    std::string now = first;
    for (int i = 0; i < 100 && now == first; ++i) {
        usleep(50 * 1000);
        now = line_of(pane.shown(), "angle 0").substr(0, 21);
    }
    EXPECT_NE(now, first);
    pane.press("q");
    std::string shown = pane.wait_for("\nstatus ");
    EXPECT_NE(shown.find("\n--- what arm_sim logged meanwhile ---\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\nstatus 0\n"), std::string::npos) << shown;
}

}  // namespace
