// What users feel of the tools, side by side with references on 127.0.0.1, as
// one table (scripts/bench.sh builds Release and runs it): the monitor's lost
// reports, CPU at 1 kHz (against a C reader, plain, --csv and --live), memory
// and speed (against a Python monitor); how soon the live view shows a
// report; the one-shot consoles and the replay against C clients; the
// largest recordings saved and loaded.
// usage: bench BIN_DIR [--python PB2_DIR] [--reports N] [--runs N] [--smoke]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_report.h"

int main(int argc, char** argv) {
    BenchOptions options;
    if (argc < 2) {
        std::fprintf(
            stderr, "usage: bench BIN_DIR [--python PB2_DIR] [--reports N] [--runs N] [--smoke]\n");
        return 255;
    }
    options.bin = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--smoke") {
            options.smoke = true;
            options.reports = 5000;
            options.runs = 1;
        } else if (i + 1 < argc && flag == "--python") {
            options.python_dir = argv[++i];
        } else if (i + 1 < argc && flag == "--reports") {
            options.reports = std::strtoul(argv[++i], nullptr, 10);
        } else if (i + 1 < argc && flag == "--runs") {
            options.runs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "bench: unknown argument %s\n", argv[i]);
            return 255;
        }
    }
    std::vector<BenchRow> rows;
    measure_monitors(options, rows);
    measure_live(options, rows);
    measure_one_shots(options, rows);
    measure_replay(options, rows);
    measure_pacing(options, rows);
    measure_record_files(options, rows);
    bool all_met = print_table(options, rows);
    return options.smoke || all_met ? 0 : 1;
}
