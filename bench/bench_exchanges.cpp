// The one-shot consoles and the replayer against C clients making the same
// exchanges with the same answering peer.
#include <unistd.h>

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

void measure_replay(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const int steps = options.smoke ? 500 : 10000;
    char path[] = "/tmp/vostrel-bench-replay-XXXXXX";
    int fd = mkstemp(path);
    close(fd);
    {
        std::ofstream file(path);
        for (int i = 0; i < steps; ++i) {
            file << "- hexData: 02001001\n  delay: " << (i + 1 < steps ? 0 : -1) << "\n";
        }
    }
    AnswerServer peer(2, bytes_of("04000801 1807"));
    std::vector<double> ours_runs, client_runs;
    bool ok = true;
    for (int i = 0; i < options.runs; ++i) {
        ours_runs.push_back(seconds_for(
            {options.bin + "/board_replay", "127.0.0.1", peer.port(), path}, "", 1, ok));
        client_runs.push_back(seconds_for(
            {options.bin + "/replay_client", peer.port(), std::to_string(steps), "02001001"}, "", 1,
            ok));
    }
    unlink(path);
    double ours = steps / median(ours_runs), client = steps / median(client_runs);
    rows.push_back({"board_replay, " + std::to_string(steps) + " steps at delay 0",
                    rate_text(ours, "exchanges"), "C client " + rate_text(client, "exchanges"),
                    times_text(ours / client), ">= 0.75x", true, ok && ours / client >= 0.75});
}
