// The one-shot consoles and the replayer against the C floor making the same
// exchanges with the same answering peer.
#include <unistd.h>

#include <algorithm>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "link/frame_exchange.h"
#include "mcap/mcap_writer.h"
#include "tests/support/background.h"
#include "tests/support/bytes.h"
#include "tests/support/directory.h"
#include "tests/support/fake_peer.h"

namespace {

const char BOARD_ANSWER[] = "04000801 1807";

// Seconds for `runs` runs of `program` (in BIN_DIR) one after another, from
// start to exit, its output dropped.
double seconds_for(const BenchOptions& options, const std::string& program,
                   const std::vector<std::string>& args, bool& ok, int runs = 1) {
    std::vector<std::string> argv = {options.bin + "/" + program};
    argv.insert(argv.end(), args.begin(), args.end());
    const double start = now_seconds();
    for (int i = 0; i < runs; ++i) {
        Child child;
        start_child(argv, Output::DEV_NULL, child);
        wait_child(child);
        ok = child.status == 0 && ok;
    }
    return now_seconds() - start;
}

std::string ms_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    return text;
}

// A record file `name` in `directory` of `steps` steps of the firmware
// question, each with `delay` but the last (-1); its path.
std::string replay_file(const TemporaryDirectory& directory, const char* name, int steps,
                        int delay) {
    std::string text;
    for (int i = 0; i < steps; ++i) {
        text +=
            "- hexData: 02001001\n  delay: " + std::to_string(i + 1 < steps ? delay : -1) + "\n";
    }
    directory.write(name, text);
    return directory.path + "/" + name;
}

BenchRow exchanges_row(const std::string& what, double ours, double floor) {
    const double ratio = floor > 0 ? ours / floor : 0;
    return {what,
            rate_text(ours, "exchanges"),
            "C client " + rate_text(floor, "exchanges"),
            times_text(ratio),
            ">= 0.8x",
            true,
            ratio >= 0.8};
}

}  // namespace

void measure_one_shots(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const struct {
        const char* tool;
        const char* request;  // typed, as a script sends one
        const char* header_size;
        const char* frame;   // what the tool sends for it
        const char* answer;  // what the peer answers
    } shots[] = {
        {"board_console", "platform_cmd: GET_FIRMWARE_VERSION", "2", "02001001",
         "0b00 0801 1207 0a05 5631 2e30 30"},
        {"arm_console", "req_type: GET_ID", "4", "000000020801", "00000007080112034142 43"},
    };
    const int runs = options.smoke ? 10 : 300;
    for (const auto& shot : shots) {
        AnswerServer peer(shot.header_size[0] - '0', bytes_of(shot.answer));
        std::vector<double> ours, floor;
        bool ok = true;
        for (int i = 0; i < options.runs; ++i) {
            ours.push_back(seconds_for(options, shot.tool,
                                       {"--request", shot.request, "127.0.0.1", peer.port()}, ok,
                                       runs) /
                           runs);
            floor.push_back(
                seconds_for(options, "c_floor",
                            {"exchange", peer.port(), shot.header_size, "1", shot.frame}, ok,
                            runs) /
                runs);
        }
        const double ratio = median(ours) / median(floor);
        rows.push_back({std::string(shot.tool) + ", one command from start to exit",
                        ms_text(median(ours)), "C client " + ms_text(median(floor)),
                        times_text(ratio), "<= 2x", true, ok && ratio <= 2});
    }
}

// How late each frame of a replay at --rate 10 goes out, against when it is due:
// the previous answer complete, plus a tenth of the recorded second.
void measure_pacing(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const int steps = options.smoke ? 10 : 100;
    TemporaryDirectory directory;
    const std::string path = replay_file(directory, "paced.yaml", steps, 1);
    AnswerServer peer(2, bytes_of(BOARD_ANSWER));
    bool ok = true;
    seconds_for(options, "board_replay", {"--rate", "10", "127.0.0.1", peer.port(), path}, ok);
    AnswerServer::Timeline timeline = peer.timeline();
    std::vector<double> late;
    for (size_t i = 1; i < timeline.arrived.size(); ++i) {
        late.push_back(timeline.arrived[i] - (timeline.answered[i - 1] + 0.1));
    }
    rows.push_back(lateness_row(
        "board_replay --rate 10, " + std::to_string(steps) + " steps of delay 1: sent after due",
        late, ok && late.size() + 1 == static_cast<size_t>(steps)));
}

// How late each report of arm_sim --play arrives, against when it is due: the
// first one's arrival plus the recorded gaps, 1 ms each. Measured where they
// arrive, so the first one's own delivery moves them all by its loopback
// jitter (a few tens of microseconds).
void measure_playback(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const size_t count = options.smoke ? 200 : 5000;
    size_t length = 0;
    const std::string stream = report_stream(count, length);
    TemporaryDirectory directory;
    McapRecording recording;
    bool ok = recording.create(directory.path + "/arm.mcap",
                               {"MainArmStateMsg", "", "/arm/state", {}, "vostrel bench"});
    for (size_t i = 0; i < count; ++i) {
        recording.add(i * 1000000, reinterpret_cast<const uint8_t*>(stream.data()) + i * length + 4,
                      length - 4);
    }
    ok = recording.finish() && ok;
    BackgroundProgram player("arm_sim", {"--command-port", "0", "--report-port", "0", "--play",
                                         directory.path + "/arm.mcap"});
    FrameStream reports(
        connect_loopback(static_cast<uint16_t>(player.port_of("arm_sim report port"))), ARM_FRAME);
    const uint8_t request[4] = {};  // the all-zero request
    ok = send_frame(reports.link, request, sizeof request).is_frame() && ok;
    std::vector<double> late;
    FrameBuffer frame{};
    for (double first = 0; receive_frame(reports, frame).is_frame();) {
        const double now = now_seconds();
        if (late.empty()) first = now;
        late.push_back(now - (first + static_cast<double>(late.size()) * 0.001));
    }
    close(reports.link);
    rows.push_back(lateness_row(
        "arm_sim --play at 1 kHz, " + std::to_string(count) + " reports: received after due", late,
        ok && late.size() == count, 0.0001));
}

void measure_replay(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const int steps = options.smoke ? 500 : 10000;
    const std::string passes = std::to_string(steps / 100);
    TemporaryDirectory directory;
    const std::string path = replay_file(directory, "steps.yaml", steps, 0);
    const std::string looped = replay_file(directory, "looped.yaml", 100, 0);
    AnswerServer peer(2, bytes_of(BOARD_ANSWER));
    std::vector<double> ours, loops, floor;
    bool ok = true;
    for (int i = 0; i < options.runs; ++i) {
        seconds_for(options, "board_replay", {"127.0.0.1", peer.port(), path}, ok);
        ours.push_back(peer.exchange_rate());
        seconds_for(options, "board_replay",
                    {"--rate", "max", "--loop", passes, "127.0.0.1", peer.port(), looped}, ok);
        loops.push_back(peer.exchange_rate());
        seconds_for(options, "c_floor",
                    {"exchange", peer.port(), "2", std::to_string(steps), "02001001"}, ok);
        floor.push_back(peer.exchange_rate());
    }
    const double floor_rate = ok ? median(floor) : 0;
    rows.push_back(
        exchanges_row("board_replay, " + std::to_string(steps) + " steps at delay 0, the exchanges",
                      median(ours), floor_rate));
    rows.push_back(exchanges_row(
        "board_replay --rate max --loop " + passes + ", a 100-step file, the exchanges",
        median(loops), floor_rate));
}
