// Programs run by the benchmark: started with their standard input and output
// where a measurement wants them, waited for with their peak memory.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// TO_FILE: OUTPUT_FILE, made new. PTY: a pseudo-terminal of 80 x 24 (TERM
// xterm, a UTF-8 locale) as standard input and output, read by us to its end.
enum class Output { DEV_NULL, PIPE, TO_FILE, PTY };

// Where Output::TO_FILE puts a child's standard output.
constexpr const char OUTPUT_FILE[] = "/tmp/vostrel-bench-output.txt";

struct Child {
    pid_t pid = -1;
    int output = -1;  // our end of its standard output (Output::PIPE, Output::PTY)
};

// Start `argv` with `input` on its standard input (a temporary file) and its
// standard output as `output` says.
Child start_child(const std::vector<std::string>& argv, const std::string& input, Output output);

struct Ended {
    int status = -1;
    double cpu_seconds = 0;  // user and system time the child spent
};

Ended wait_child(const Child& child);

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

// Reads a child's standard output to its end on a thread of its own, counting
// the lines that hold `marker` (not empty).
class OutputCounter {
  public:
    OutputCounter(int fd, std::string marker);
    ~OutputCounter();
    size_t finish();  // wait for the end of the output; the count

  private:
    int fd_;
    std::string marker_;
    std::atomic<size_t> count_{0};
    std::thread thread_;
};

// Seconds on a steady clock.
double now_seconds();
