#include "bench/bench_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

double now_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

// A pseudo-terminal of 80 x 24: our end, and the path of the program's.
int open_terminal(std::string& path) {
    int ours = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ours < 0 || grantpt(ours) != 0 || unlockpt(ours) != 0) return -1;
    winsize size = {};
    size.ws_row = 24;
    size.ws_col = 80;
    ioctl(ours, TIOCSWINSZ, &size);
    path = ptsname(ours);
    return ours;
}

// In the child: the terminal at `path` as its controlling terminal, its
// standard input and output.
void take_terminal(const std::string& path) {
    setsid();
    int terminal = open(path.c_str(), O_RDWR);
    dup2(terminal, STDIN_FILENO);
    dup2(terminal, STDOUT_FILENO);
    setenv("TERM", "xterm", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
}

}  // namespace

void start_child(const std::vector<std::string>& argv, Output output, Child& child) {
    std::string terminal;
    const int ours = output == Output::PTY ? open_terminal(terminal) : -1;
    const int output_fd = output == Output::TO_FILE
                              ? open(OUTPUT_FILE, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)
                              : open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::vector<std::string> copies = argv;
    std::vector<char*> args;
    for (std::string& a : copies) args.push_back(a.data());
    args.push_back(nullptr);
    child.pid = fork();
    if (child.pid == 0) {
        int nothing = open("/dev/null", O_RDWR);
        dup2(nothing, STDIN_FILENO);
        dup2(nothing, STDERR_FILENO);
        dup2(output_fd, STDOUT_FILENO);
        if (output == Output::PTY) take_terminal(terminal);
        signal(SIGPIPE, SIG_DFL);
        execv(args[0], args.data());
        _exit(121);
    }
    close(output_fd);
    if (ours >= 0) {
        child.drain = std::thread([ours] {
            char chunk[1 << 16];
            while (read(ours, chunk, sizeof chunk) > 0) {
            }
            close(ours);
        });
    }
}

void wait_child(Child& child) {
    int status = 0;
    rusage usage = {};
    wait4(child.pid, &status, 0, &usage);
    if (child.drain.joinable()) child.drain.join();
    child.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    child.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

PeakMemory::PeakMemory(pid_t pid) : pid_(pid) {
    thread_ = std::thread([this] {
        const std::string path = "/proc/" + std::to_string(pid_) + "/status";
        while (!stop_) {
            std::ifstream status(path);
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("VmHWM:", 0) == 0) peak_kib_ = std::atol(line.c_str() + 6);
            }
            usleep(2000);
        }
    });
}

PeakMemory::~PeakMemory() {
    finish_kib();
}

long PeakMemory::finish_kib() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return peak_kib_;
}
