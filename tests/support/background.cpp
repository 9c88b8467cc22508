#include "tests/support/background.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "tests/support/process.h"

BackgroundProgram::BackgroundProgram(const std::string& program,
                                     const std::vector<std::string>& args) {
    char path[] = "/tmp/vostrel-sim-log-XXXXXX";
    int fd = mkstemp(path);
    log_path_ = path;
    std::vector<std::string> argv_text = {program_path(program)};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        int null_input = open("/dev/null", O_RDONLY);
        dup2(null_input, STDIN_FILENO);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        signal(SIGINT, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(121);
    }
    close(fd);
}

BackgroundProgram::~BackgroundProgram() {
    stop();
    unlink(log_path_.c_str());
}

std::string BackgroundProgram::log() const {
    std::ifstream in(log_path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string BackgroundProgram::log_holding(const std::string& text) const {
    std::string logged = log();
    for (int i = 0; i < 1000 && logged.find(text) == std::string::npos; ++i) {
        usleep(10 * 1000);
        logged = log();
    }
    return logged;
}

int BackgroundProgram::port_of(const std::string& what) const {
    const std::string marker = what + " listening on 127.0.0.1:";
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text = log();
        size_t at = text.find(marker);
        if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
            return std::stoi(text.substr(at + marker.size()));
        }
        usleep(10 * 1000);
    }
    return 0;
}

int BackgroundProgram::stop() {
    if (pid_ <= 0) return status_;
    kill(pid_, SIGINT);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        usleep(10 * 1000);
    }
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
}
