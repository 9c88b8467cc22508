// How long a large recording takes to write out and read back, and how much
// memory yaml-cpp needs for it: the basis of the record file size cap.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "replay/record_file.h"

int main() {
    using Clock = std::chrono::steady_clock;
    std::vector<Action> actions;
    for (int i = 0; i < 3000; ++i) {
        Action action;
        for (int b = 0; b < 1024; ++b) action.data.push_back(static_cast<uint8_t>(b * 31 + i));
        action.delay = i + 1 < 3000 ? 1 : -1;
        actions.push_back(action);
    }
    auto start = Clock::now();
    std::string text = record_text(actions);
    auto written = Clock::now();
    LoadedActions loaded = parse_actions(text);
    auto read = Clock::now();

    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    std::printf("record of %zu frames of 1024 bytes: %.1f MiB of text\n", actions.size(),
                static_cast<double>(text.size()) / 1048576.0);
    std::printf("write %.0f ms, read %.0f ms (%s), peak memory %.0f MiB\n", ms(written - start),
                ms(read - written), loaded.ok ? "loaded" : loaded.error.c_str(),
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return loaded.ok && loaded.actions.size() == actions.size() ? 0 : 1;
}
