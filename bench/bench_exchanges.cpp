// The one-shot consoles and the replayer against C clients making the same
// exchanges with the same answering peer.
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"

namespace {

std::string bytes_of(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Seconds for `runs` starts of `argv` one after another, from start to exit.
double seconds_for(const std::vector<std::string>& argv, const std::string& input, int runs,
                   bool& ok) {
    double start = now_seconds();
    for (int i = 0; i < runs; ++i) {
        Child child = start_child(argv, input, Output::DEV_NULL);
        if (wait_child(child).status != 0) ok = false;
    }
    return now_seconds() - start;
}

struct OneShot {
    const char* tool;
    const char* input;  // the menu choices
    size_t header_size;
    const char* frame;   // what the tool sends for them
    const char* answer;  // what the peer answers
};

}  // namespace

void measure_one_shots(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const OneShot shots[] = {
        {"board_console", "0\n0\n", 2, "02001001", "0b00 0801 1207 0a05 5631 2e30 30"},
        {"arm_console", "0\n", 4, "000000020801", "00000007080112034142 43"},
    };
    int runs = options.smoke ? 10 : 300;
    for (const OneShot& shot : shots) {
        std::string answer;
        for (char c : std::string(shot.answer)) {
            if (c != ' ') answer += c;
        }
        AnswerServer peer(shot.header_size, bytes_of(answer));
        std::vector<double> ours_runs, client_runs;
        bool ok = true;
        for (int i = 0; i < options.runs; ++i) {
            ours_runs.push_back(seconds_for(
                {options.bin + "/" + shot.tool, "127.0.0.1", peer.port()}, shot.input, runs, ok));
            client_runs.push_back(seconds_for({options.bin + "/oneshot_client", peer.port(),
                                               std::to_string(shot.header_size), shot.frame},
                                              "", runs, ok));
        }
        double ours = median(ours_runs) / runs, client = median(client_runs) / runs;
        char ours_text[32], client_text[32];
        std::snprintf(ours_text, sizeof ours_text, "%.2f ms", ours * 1e3);
        std::snprintf(client_text, sizeof client_text, "%.2f ms", client * 1e3);
        rows.push_back({std::string(shot.tool) + ", one command from start to exit", ours_text,
                        std::string("C client ") + client_text, times_text(ours / client), "<= 2x",
                        true, ok && ours / client <= 2});
    }
}

namespace {

// A record file of `steps` steps of the firmware question, each with `delay`
// but the last (-1); its path.
std::string replay_file(int steps, int delay) {
    char path[] = "/tmp/vostrel-bench-replay-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    std::ofstream file(path);
    for (int i = 0; i < steps; ++i) {
        file << "- hexData: 02001001\n  delay: " << (i + 1 < steps ? delay : -1) << "\n";
    }
    return path;
}

std::string ms_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    return text;
}

}  // namespace

// How late each frame of a replay at --rate 10 goes out, against when it is due:
// the previous answer complete, plus a tenth of the recorded second.
void measure_pacing(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const int steps = options.smoke ? 10 : 100;
    const std::string path = replay_file(steps, 1);
    AnswerServer peer(2, bytes_of("04000801 1807"));
    bool ok = true;
    seconds_for({options.bin + "/board_replay", "--rate", "10", "127.0.0.1", peer.port(), path}, "",
                1, ok);
    unlink(path.c_str());
    AnswerServer::Timeline timeline = peer.timeline();
    std::vector<double> late;
    for (size_t i = 1; i < timeline.arrived.size(); ++i) {
        late.push_back(timeline.arrived[i] - (timeline.answered[i - 1] + 0.1));
    }
    ok = ok && late.size() + 1 == static_cast<size_t>(steps);
    std::sort(late.begin(), late.end());
    const double p99 = late.empty() ? 0 : late[(late.size() * 99 + 99) / 100 - 1];
    const double earliest = late.empty() ? 0 : late.front();
    const double latest = late.empty() ? 0 : late.back();
    rows.push_back(
        {"board_replay --rate 10, " + std::to_string(steps) + " steps of delay 1: sent after due",
         "median " + ms_text(median(late)) + ", p99 " + ms_text(p99) + ", max " + ms_text(latest) +
             ", earliest " + ms_text(earliest),
         "", "", "p99 <= 2 ms, never early", true, ok && p99 <= 0.002 && earliest >= 0});
}

void measure_replay(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const int steps = options.smoke ? 500 : 10000;
    const std::string path = replay_file(steps, 0);
    const std::string looped = replay_file(100, 0);
    AnswerServer peer(2, bytes_of("04000801 1807"));
    std::vector<double> ours_runs, looped_runs, client_runs;
    bool ok = true;
    for (int i = 0; i < options.runs; ++i) {
        seconds_for({options.bin + "/board_replay", "127.0.0.1", peer.port(), path}, "", 1, ok);
        ours_runs.push_back(peer.exchange_rate());
        seconds_for({options.bin + "/board_replay", "--rate", "max", "--loop",
                     std::to_string(steps / 100), "127.0.0.1", peer.port(), looped},
                    "", 1, ok);
        looped_runs.push_back(peer.exchange_rate());
        seconds_for(
            {options.bin + "/replay_client", peer.port(), std::to_string(steps), "02001001"}, "", 1,
            ok);
        client_runs.push_back(peer.exchange_rate());
    }
    unlink(path.c_str());
    unlink(looped.c_str());
    double ours = median(ours_runs), client = median(client_runs), loops = median(looped_runs);
    rows.push_back({"board_replay, " + std::to_string(steps) + " steps at delay 0, the exchanges",
                    rate_text(ours, "exchanges"), "C client " + rate_text(client, "exchanges"),
                    times_text(client > 0 ? ours / client : 0), ">= 0.75x", true,
                    ok && client > 0 && ours / client >= 0.75});
    rows.push_back({"board_replay --rate max --loop " + std::to_string(steps / 100) +
                        ", a 100-step file, the exchanges",
                    rate_text(loops, "exchanges"), "C client " + rate_text(client, "exchanges"),
                    times_text(client > 0 ? loops / client : 0), ">= 0.75x", true,
                    ok && client > 0 && loops / client >= 0.75});
}
