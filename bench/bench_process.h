// Programs run by the benchmark where their CPU time or peak memory is
// measured: started with standard input empty and standard output where a
// measurement wants it, waited for with the CPU they spent. (Programs that
// only have to run to their end go through tests/support's run_program_at().)
#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// TO_FILE: OUTPUT_FILE, made new. PTY: a pseudo-terminal of 80 x 24 (TERM
// xterm, a UTF-8 locale) as standard input and output, read to its end and
// dropped, as a terminal would show it.
enum class Output { DEV_NULL, TO_FILE, PTY };

// Where Output::TO_FILE puts a child's standard output.
constexpr const char OUTPUT_FILE[] = "/tmp/vostrel-bench-output.txt";

struct Child {
    pid_t pid = -1;
    std::thread drain;       // Output::PTY: reads the terminal to its end
    int status = -1;         // once waited for
    double cpu_seconds = 0;  // ... and the user and system time it spent
};

void start_child(const std::vector<std::string>& argv, Output output, Child& child);
void wait_child(Child& child);

// Watches a running child's peak resident memory (VmHWM) on a thread of its
// own. (wait4's ru_maxrss would count the benchmark's own pages, which the
// child shares between fork and exec.)
class PeakMemory {
  public:
    explicit PeakMemory(pid_t pid);
    ~PeakMemory();
    long finish_kib();  // stop watching; the last peak seen

  private:
    pid_t pid_;
    std::atomic<bool> stop_{false};
    std::atomic<long> peak_kib_{0};
    std::thread thread_;
};

// Seconds on a steady clock.
double now_seconds();
