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

int temporary_file(const std::string& text) {
    char path[] = "/tmp/vostrel-bench-XXXXXX";
    int fd = mkstemp(path);
    unlink(path);
    if (fd >= 0) {
        ssize_t written = write(fd, text.data(), text.size());
        (void)written;
        lseek(fd, 0, SEEK_SET);
    }
    return fd;
}

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

Child start_child(const std::vector<std::string>& argv, const std::string& input, Output output) {
    int input_fd = temporary_file(input);
    int pipe_fds[2] = {-1, -1};
    int output_fd = -1;
    std::string terminal;
    if (output == Output::PTY) pipe_fds[0] = open_terminal(terminal);
    if (output == Output::PIPE && pipe2(pipe_fds, O_CLOEXEC) == 0) output_fd = pipe_fds[1];
    if (output == Output::DEV_NULL) output_fd = open("/dev/null", O_WRONLY);
    if (output == Output::TO_FILE)
        output_fd = open(OUTPUT_FILE, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    std::vector<std::string> copies = argv;
    for (std::string& a : copies) args.push_back(a.data());
    args.push_back(nullptr);
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(input_fd, STDIN_FILENO);
        dup2(output_fd, STDOUT_FILENO);
        if (output == Output::PTY) take_terminal(terminal);
        int null_error = open("/dev/null", O_WRONLY);
        dup2(null_error, STDERR_FILENO);
        signal(SIGPIPE, SIG_DFL);
        execv(args[0], args.data());
        _exit(121);
    }
    close(input_fd);
    if (output_fd >= 0) close(output_fd);
    child.output = pipe_fds[0];
    return child;
}

Ended wait_child(const Child& child) {
    int status = 0;
    rusage usage = {};
    wait4(child.pid, &status, 0, &usage);
    Ended ended;
    ended.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    ended.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return ended;
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

OutputCounter::OutputCounter(int fd, std::string marker) : fd_(fd), marker_(std::move(marker)) {
    thread_ = std::thread([this] {
        std::string tail;  // the end of the last chunk, for a marker cut in two
        char chunk[1 << 16];
        ssize_t n;
        while ((n = read(fd_, chunk, sizeof chunk)) > 0) {
            std::string text = tail + std::string(chunk, static_cast<size_t>(n));
            size_t count = 0;
            for (size_t at = text.find(marker_); at != std::string::npos;
                 at = text.find(marker_, at + marker_.size())) {
                ++count;
            }
            count_ += count;
            size_t keep = marker_.size() - 1;
            tail = text.size() > keep ? text.substr(text.size() - keep) : text;
        }
    });
}

OutputCounter::~OutputCounter() {
    finish();
}

size_t OutputCounter::finish() {
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    return count_;
}
