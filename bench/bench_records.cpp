// The largest recordings the recorder makes, saved as the recorder saves them
// (its text, formed entry by entry while it recorded, to a new file) and
// loaded as board_replay loads them, against yaml-cpp's own load of the same
// file; each in a process of its own so that its time and peak memory are its
// own.
#include <fcntl.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <cstdio>
#include <cstdlib>

#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "record/record_load.h"
#include "record/record_save.h"
#include "tests/support/directory.h"

namespace {

// The text of the largest recording of entries like `entry` that the
// recorder keeps, and how many entries it holds.
std::string largest_recording(const Action& entry, size_t& count) {
    const std::string entry_line = entry_text(entry);
    std::string text;
    RecordSize size;
    for (count = 0; !recording_full(size); ++count) {
        if (!text.empty()) text += '\n';
        text += entry_line;
        add_entry(size, entry_line);
    }
    return text;
}

struct Measured {
    bool ok = false;
    double seconds = 0;
    long peak_kib = 0;
};

// `work` in a child process of its own, in `directory`, its log lines kept
// off the table: how long it took and its peak memory.
template <typename Work>
Measured in_child(const std::string& directory, Work work) {
    std::fflush(stdout);
    double start = now_seconds();
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
        _exit(chdir(directory.c_str()) == 0 && work() ? 0 : 1);
    }
    PeakMemory memory(child.pid);
    Measured measured;
    wait_child(child);
    measured.ok = child.status == 0;
    measured.seconds = now_seconds() - start;
    measured.peak_kib = memory.finish_kib();
    return measured;
}

}  // namespace

void measure_record_files(const BenchOptions& options, std::vector<BenchRow>& rows) {
    std::vector<uint8_t> large(1024, 0xab);
    large[0] = 0xfe;
    large[1] = 0x03;
    for (const std::vector<uint8_t>& frame :
         {std::vector<uint8_t>{0x02, 0x00, 0x10, 0x01}, large}) {
        Action entry;
        entry.data = frame;
        size_t count = 0;
        std::string text = largest_recording(entry, count);
        TemporaryDirectory directory;
        // The recorder's save of what it formed entry by entry; the replayer's load.
        Measured saved = in_child(directory.path, [&text] { return save_record_text(text); });
        const std::vector<std::string> files = directory.files();
        const std::string name = directory.path + "/" + (files.empty() ? "" : files[0]);
        std::vector<double> ours_runs, yaml_runs;
        Measured loaded;
        bool yaml_ok = true;
        for (int run = 0; run < options.runs; ++run) {
            loaded = in_child(directory.path, [&] {
                std::vector<Action> actions;
                std::string error;
                return load_actions(name, actions, error) && actions.size() == count;
            });
            // A file yaml-cpp cannot load ends the child with its exception: not ok.
            Measured yaml =
                in_child(directory.path, [&] { return YAML::LoadFile(name).size() == count; });
            ours_runs.push_back(loaded.seconds);
            yaml_runs.push_back(yaml.seconds);
            yaml_ok = yaml_ok && yaml.ok;
        }
        const double ours = median(ours_runs), yaml = median(yaml_runs);
        char what[96], took[96], reference[64];
        std::snprintf(what, sizeof what, "largest recording: %zu entries of %zu bytes, loaded",
                      count, entry.data.size());
        std::snprintf(took, sizeof took, "%.2f s, %ld MiB (saved %.2f s, %ld MiB)", ours,
                      loaded.peak_kib / 1024, saved.seconds, saved.peak_kib / 1024);
        std::snprintf(reference, sizeof reference, "yaml-cpp's own load %.2f s", yaml);
        bool small_enough = saved.peak_kib < 200 * 1024 && loaded.peak_kib < 200 * 1024;
        rows.push_back({what, took, reference, times_text(yaml > 0 ? ours / yaml : 0),
                        "<= 1.2x, < 200 MB", true,
                        saved.ok && loaded.ok && yaml_ok && ours <= 1.2 * yaml && small_enough});
    }
}
