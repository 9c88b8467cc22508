// The largest recording that the replayer accepts, saved and loaded.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "replay/record_file.h"

namespace {

// The largest recording of entries like `entry` that the recorder keeps.
std::vector<Action> largest_recording(const Action& entry) {
    std::vector<Action> actions;
    RecordSize size;
    while (!recording_full(size)) {
        actions.push_back(entry);
        add_entry(size, entry);
    }
    actions.back().delay = -1;
    return actions;
}

// save_actions() in a scratch directory, its log line kept off the table.
bool save_quietly(const std::vector<Action>& actions, std::string& directory) {
    char scratch[] = "/tmp/vostrel-bench-records-XXXXXX";
    directory = mkdtemp(scratch);
    char* previous = getcwd(nullptr, 0);
    int saved_output = dup(STDOUT_FILENO);
    int null_output = open("/dev/null", O_WRONLY);
    std::fflush(stdout);
    dup2(null_output, STDOUT_FILENO);
    bool ok = chdir(directory.c_str()) == 0 && save_actions(actions);
    std::fflush(stdout);
    dup2(saved_output, STDOUT_FILENO);
    close(saved_output);
    close(null_output);
    ok = chdir(previous) == 0 && ok;
    std::free(previous);
    return ok;
}

}  // namespace

void measure_record_files(const BenchOptions&, std::vector<BenchRow>& rows) {
    Action small;
    small.data = {0x02, 0x00, 0x10, 0x01};
    Action large;
    large.data.assign(1024, 0xab);
    large.data[0] = 0xfe;
    large.data[1] = 0x03;
    for (const Action& entry : {small, large}) {
        std::vector<Action> actions = largest_recording(entry);
        std::string directory;
        double start = now_seconds();
        bool saved = save_quietly(actions, directory);
        double save_seconds = now_seconds() - start;
        std::string name;
        std::string command = "ls " + directory + "/record_*.yaml";
        if (FILE* list = popen(command.c_str(), "r")) {
            char line[512] = {};
            if (std::fgets(line, sizeof line, list)) name = line;
            pclose(list);
        }
        if (!name.empty() && name.back() == '\n') name.pop_back();
        start = now_seconds();
        LoadedActions loaded = load_actions(name);
        double load_seconds = now_seconds() - start;
        std::remove(name.c_str());
        rmdir(directory.c_str());
        char what[96], took[64];
        std::snprintf(what, sizeof what, "largest recording: %zu entries of %zu bytes",
                      actions.size(), entry.data.size());
        std::snprintf(took, sizeof took, "saved %.2f s, loaded %.2f s", save_seconds, load_seconds);
        bool ok = saved && loaded.ok && loaded.actions.size() == actions.size();
        rows.push_back(
            {what, took, "", "", "< 1 s each", true, ok && save_seconds < 1 && load_seconds < 1});
    }
}
