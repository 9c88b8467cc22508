// The rig overnight: the stream's health a line a second (--stats), one
// recording across a controller that goes away and comes back
// (--reconnect), a recording that a stalled terminal never holds back, and
// what a recording holds (--info).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <regex>

#include "mcap_read/mcap_reader.h"
#include "tests/support/arm_reports.h"
#include "tests/support/background.h"
#include "tests/support/bytes.h"
#include "tests/support/directory.h"
#include "tests/support/scenario.h"

namespace {

std::string report(int64_t timestamp) {
    return report_frame([timestamp](MainArmStateMsg& r) {
        r.timestamp = timestamp;
        r.poses_count = 1;
        r.poses[0] = static_cast<double>(timestamp) / 1000;
    });
}

// The number after `label` in `text` ("gaps 2" gives 2 for "gaps "); -1 when absent.
double number_after(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::stod(text.substr(at + label.size()));
}

// A loopback port free just now, for a controller that goes and comes back.
std::string free_port() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return std::to_string(ntohs(address.sin_port));
}

size_t messages_in(const std::string& path) {
    McapReader reader;
    McapMessage message;
    size_t count = 0;
    if (reader.open(path)) {
        while (reader.next(message) == McapReader::MESSAGE) ++count;
    }
    return count;
}

// Reports 20 ms apart on the controller's clock and on the link, one that
// does not decode, then 600 ms of silence: the intervals, exactly by the
// reports' own timestamps, and the silence as a gap.
TEST(LongSessions, StatsTellTheRateTheIntervalsAndTheGaps) {
    std::vector<PeerStep> script = {receive_arm_frame()};
    int64_t stamp = 1000;
    for (int i = 0; i < 40; ++i) {
        if (i == 30) {
            script.push_back(send_bytes(arm_frame_of("08")));
            script.push_back(pause_for(600));
            stamp += 600;
        }
        script.push_back(send_bytes(report(stamp)));
        script.push_back(pause_for(20));
        stamp += 20;
    }
    script.push_back(close_link());
    PeerRun r = run_with_peer("arm_monitor", script, RunOptions{}, {"--stats"});
    EXPECT_EQ(r.run.status, 0) << r.output;
    EXPECT_EQ(r.output.find("] state:"), std::string::npos) << r.output;
    EXPECT_TRUE(std::regex_search(
        r.output,
        std::regex("\n\\[T\\] \\[INFO\\] [0-9.]+ reports/s  interval ms (-|min [0-9.]+ mean "
                   "[0-9.]+ max [0-9.]+ sd [0-9.]+)  timestamp ms (-|min [0-9.]+ mean "
                   "[0-9.]+ max [0-9.]+ sd [0-9.]+)  gaps [0-9]+  undecodable [01]  "
                   "[0-9.]+ KB/s\n")))
        << r.output;
    const std::string summary = r.output.substr(r.output.find("[INFO] stats: "));
    EXPECT_TRUE(std::regex_search(
        summary, std::regex("^\\[INFO\\] stats: 40 reports in [0-9.]+ s, [0-9.]+ reports/s  "
                            "interval ms min [0-9.]+ mean [0-9.]+ max [0-9.]+ sd [0-9.]+  "
                            "timestamp ms min 20\\.000 mean 35\\.385 max 620\\.000 sd [0-9.]+  "
                            "gaps [1-9][0-9]*, the longest [0-9.]+ ms at [-0-9 :.]+  "
                            "undecodable 1  [0-9.]+ KB/s\n$")))
        << summary;
    EXPECT_GE(number_after(summary, "the longest "), 580) << summary;
}

// The controller goes away and comes back on its port three seconds later:
// the watch goes on across the gap, each loss and return logged, and the one
// recording holds both sides, its gap named by --info.
TEST(LongSessions, AReconnectingMonitorKeepsOneRecordingAcrossTheGap) {
    TemporaryDirectory directory;
    const std::string port = free_port();
    const std::string file = directory.path + "/night.mcap";
    const std::vector<std::string> arm = {"--command-port", "0",  "--report-port", port,
                                          "--rate",         "100"};
    auto first = std::make_unique<BackgroundProgram>("arm_sim", arm);
    ASSERT_NE(first->port_of("arm_sim report port"), 0);
    BackgroundProgram monitor("arm_monitor",
                              {"--reconnect", "--stats", "--record", file, "127.0.0.1", port});
    monitor.log_holding(" reports/s ");
    first->stop();
    monitor.log_holding("the link is lost: the arm closed the link; trying again every second");
    usleep(3000 * 1000);  // refused, try after try
    BackgroundProgram second("arm_sim", arm);
    monitor.log_holding("the link is back after ");
    usleep(1500 * 1000);  // reports on the link made again
    EXPECT_EQ(monitor.stop(), 130);
    const std::string log = normalized(monitor.log());
    EXPECT_GE(number_after(log, "the link is back after "), 2.9) << log;
    EXPECT_EQ(count_of(log, "the link is lost"), 1u) << log;
    ProgramRun info = run_program("arm_monitor", {"--info", file});
    EXPECT_EQ(info.status, 0) << info.out;
    EXPECT_GE(number_after(info.out, "gaps: "), 1) << info.out;
    EXPECT_GE(number_after(info.out, "the longest "), 2900) << info.out;
    EXPECT_EQ(number_after(info.out, "reports: "), static_cast<double>(messages_in(file)));
    EXPECT_NE(info.out.find(", 0 that do not decode\n"), std::string::npos) << info.out;
}

// Standard output's reader stops reading (a paused pager) while 20000
// reports come flat out: every one is recorded, the lines that could not be
// held are dropped by whole reports and counted, and the watch ends.
TEST(LongSessions, AStalledTerminalNeverHoldsTheRecordingBack) {
    TemporaryDirectory directory;
    const std::string file = directory.path + "/arm.mcap";
    std::string reports;  // 16 lines each, some 14 MB of lines in all
    for (int i = 1; i <= 20000; ++i) {
        reports += report_frame([i](MainArmStateMsg& r) {
            r.timestamp = i;
            r.has_angles = true;
            r.angles.angle_count = r.poses_count = 6;
            for (int k = 0; k < 6; ++k) r.angles.angle[k] = r.poses[k] = i + k;
        });
    }
    RunOptions options;
    options.read_output_when = [&file] {  // once the recording is finished
        std::ifstream in(file, std::ios::binary | std::ios::ate);
        if (!in || in.tellg() < 8) return false;
        in.seekg(-8, std::ios::end);
        std::string tail(8, '\0');
        in.read(&tail[0], 8);
        return tail == std::string("\x89MCAP0\r\n", 8);
    };
    PeerRun r =
        run_with_peer("arm_monitor", {receive_arm_frame(), send_bytes(reports), close_link()},
                      options, {"--record", file});
    EXPECT_EQ(r.run.status, 0);
    EXPECT_EQ(messages_in(file), 20000u);
    const std::string end =
        "[T] [INFO] 20000 reports in " + file + "\n[T] [INFO] standard output did not keep up: ";
    const double dropped = number_after(r.output, end);
    EXPECT_GT(dropped, 0) << r.output.substr(r.output.size() - 300);
    EXPECT_EQ(count_of(r.output, "] state:") + static_cast<size_t>(dropped), 20000u);
    EXPECT_EQ(r.output.substr(r.output.size() - 33), " reports in all were not printed\n");
}

// What a recording holds, whole, cut or not one at all.
TEST(LongSessions, InfoTellsWhatARecordingHolds) {
    TemporaryDirectory directory;
    std::vector<PeerStep> script = {
        receive_arm_frame(), send_bytes(report(1)), send_bytes(arm_frame_of("08")),
        pause_for(1200),     send_bytes(report(2)), close_link()};
    PeerRun recorded = run_with_peer("arm_monitor", script, RunOptions{},
                                     {"--record", directory.path + "/a.mcap"});
    ASSERT_EQ(recorded.run.status, 0);
    const std::string bytes = directory.read("a.mcap");
    directory.write("cut.mcap", bytes.substr(0, bytes.size() - 200));
    const struct {
        const char* file;
        int status;
        std::vector<std::string> lines;
    } rows[] = {
        {"a.mcap",
         0,
         {"\nfile: DIR/a.mcap, ", " kB, written by vostrel ", "\nchunks: 2, zstd, ",
          "\nreports: 3, 1 that do not decode\nduration: 1.",
          "\nchannel: /arm/state, schema MainArmStateMsg (protobuf), in protobuf, "}},
        {"cut.mcap",
         0,
         {"\ncut at byte ", ": read up to its last whole record\nchunks: -\n",
          "\nreports: 3, 1 that do not decode\n"}},
        {"missing.mcap", 3, {"[ERROR] cannot read DIR/missing.mcap: No such file or directory\n"}},
    };
    for (const auto& row : rows) {
        ProgramRun run = run_program("arm_monitor", {"--info", directory.path + "/" + row.file});
        std::string out = run.out;
        for (size_t at = out.find(directory.path); at != std::string::npos;
             at = out.find(directory.path)) {
            out.replace(at, directory.path.size(), "DIR");
        }
        EXPECT_EQ(run.status, row.status) << out;
        for (const std::string& line : row.lines) {
            EXPECT_NE(out.find(line), std::string::npos) << row.file << ": " << line << "\n" << out;
        }
    }
}

}  // namespace
