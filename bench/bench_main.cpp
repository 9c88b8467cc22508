// What users feel of the tools, side by side with references on 127.0.0.1, as
// one table (scripts/bench.sh builds Release and runs it): the monitor's lost
// reports, CPU at 1 kHz (against a C reader, plain, --csv and --live), memory
// and speed (against a Python monitor); how soon the live view shows a
// report; the one-shot consoles and the replay against C clients; the
// largest recordings saved and loaded.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_report.h"

int main(int argc, char** argv) {
    BenchOptions options;
    options.bin = argc > 1 ? argv[1] : "";
    for (int i = 2; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool valued = i + 1 < argc;
        if (flag == "--smoke") {
            options = {options.bin, options.python_dir, 5000, 1, true, options.beside};
        } else if (valued && flag == "--python") {
            options.python_dir = argv[++i];
        } else if (valued && flag == "--reports") {
            options.reports = std::strtoul(argv[++i], nullptr, 10);
        } else if (valued && flag == "--runs") {
            options.runs = std::atoi(argv[++i]);
        } else if (valued && flag == "--beside") {
            options.beside = argv[++i];
        } else {
            options.bin.clear();
        }
    }
    if (options.bin.empty()) {
        std::fputs(
            "usage: bench BIN_DIR [--python PB2_DIR] [--reports N] [--runs N] [--smoke]\n"
            "             [--beside EARLIER_BIN_DIR]\n",
            stderr);
        return 255;
    }
    // The programs are run from other folders too (tests/support takes a
    // path only when it is absolute).
    options.bin = std::filesystem::absolute(options.bin).string();
    if (!options.beside.empty())
        options.beside = std::filesystem::absolute(options.beside).string();
    std::vector<BenchRow> rows;
    measure_monitors(options, rows);
    measure_live(options, rows);
    measure_one_shots(options, rows);
    measure_replay(options, rows);
    measure_pacing(options, rows);
    measure_playback(options, rows);
    measure_record_files(options, rows);
    measure_recordings(options, rows);
    measure_soak(options, rows);
    measure_viewers(options, rows);
    return print_table(options, rows) || options.smoke ? 0 : 1;
}
