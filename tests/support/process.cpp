#include "tests/support/process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "tests/support/capture.h"

std::string program_path(const std::string& program) {
    return std::string(VOSTREL_BIN_DIR) + "/" + program;
}

namespace {

using Clock = std::chrono::steady_clock;

size_t count_of(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Would this command line reach beyond 127.0.0.1: a tool's compiled-in default
// address, or an explicit address outside loopback?
bool leaves_loopback(const std::string& program, const std::vector<std::string>& args) {
    bool takes_file = program == "board_replay";
    bool is_tool = takes_file || program == "board_console" || program == "board_recorder" ||
                   program == "arm_console" || program == "arm_monitor";
    if (!is_tool) return false;
    size_t targetless = takes_file ? 1 : 0;
    if (args.size() == targetless) {
        return !(args.size() == 1 && (args[0] == "-h" || args[0] == "--help"));
    }
    if (args.size() == targetless + 2) {
        in_addr address = {};
        return inet_pton(AF_INET, args[0].c_str(), &address) == 1 && args[0].rfind("127.", 0) != 0;
    }
    return false;
}

}  // namespace

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const RunOptions& options) {
    bool isolated = !options.wrapper.empty() && options.wrapper[0] == "unshare";
    if (!isolated && leaves_loopback(program, args)) {
        ADD_FAILURE() << program << " would reach beyond 127.0.0.1; run it under unshare -n";
        return {};
    }
    return run_program_at(program_path(program), args, options);
}

ProgramRun run_program_at(const std::string& path, const std::vector<std::string>& args,
                          const RunOptions& options) {
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0 ||
        pipe2(err_pipe, O_CLOEXEC) != 0) {
        return {};
    }
    std::vector<std::string> argv_text = options.wrapper;
    argv_text.push_back(path);
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in_pipe[0], STDIN_FILENO);
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(err_pipe[1], STDERR_FILENO);
        signal(SIGINT, SIG_DFL);
        signal(SIGPIPE, SIG_DFL);
        if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(120);
        execvp(argv[0], argv.data());
        _exit(121);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    signal(SIGPIPE, SIG_IGN);

    ProgramRun run;
    int in_fd = in_pipe[1];
    size_t chunk = 0, written = 0;
    auto chunk_due =
        start + std::chrono::milliseconds(options.input.empty() ? 0 : options.input[0].delay_ms);
    bool interrupted = false;
    bool out_open = true, err_open = true;
    auto deadline = start + std::chrono::seconds(options.timeout_seconds);
    while (out_open || err_open) {
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            run.timed_out = true;
            break;
        }
        if (in_fd >= 0 && chunk >= options.input.size() && options.close_input) {
            close(in_fd);
            in_fd = -1;
        }
        std::vector<pollfd> fds;
        if (out_open) fds.push_back({out_pipe[0], POLLIN, 0});
        if (err_open) fds.push_back({err_pipe[0], POLLIN, 0});
        bool want_write = in_fd >= 0 && chunk < options.input.size() && Clock::now() >= chunk_due;
        if (want_write) fds.push_back({in_fd, POLLOUT, 0});
        poll(fds.data(), fds.size(), 10);
        for (const pollfd& p : fds) {
            if (p.revents == 0) continue;
            if (p.fd == in_fd) {
                const std::string& text = options.input[chunk].text;
                ssize_t n = write(in_fd, text.data() + written, text.size() - written);
                if (n < 0) {  // the program stopped reading
                    close(in_fd);
                    in_fd = -1;
                    continue;
                }
                written += static_cast<size_t>(n);
                if (written == text.size()) {
                    written = 0;
                    ++chunk;
                    if (chunk < options.input.size()) {
                        chunk_due =
                            Clock::now() + std::chrono::milliseconds(options.input[chunk].delay_ms);
                    }
                }
                continue;
            }
            char buffer[65536];
            ssize_t n = read(p.fd, buffer, sizeof buffer);
            bool is_out = p.fd == out_pipe[0];
            if (n <= 0) {
                (is_out ? out_open : err_open) = false;
                continue;
            }
            (is_out ? run.out : run.err).append(buffer, static_cast<size_t>(n));
        }
        if (!interrupted && !options.interrupt_when.empty() &&
            count_of(run.out, options.interrupt_when) >=
                static_cast<size_t>(options.interrupt_occurrence)) {
            usleep(static_cast<useconds_t>(options.interrupt_delay_ms) * 1000);
            if (options.drop_output_first && out_open) {
                close(out_pipe[0]);  // like a reader (tee, head) that has gone away
                out_pipe[0] = -1;
                out_open = false;
            }
            if (options.interrupt_signal != 0) kill(pid, options.interrupt_signal);
            interrupted = true;
        }
    }
    if (in_fd >= 0) close(in_fd);
    if (out_pipe[0] >= 0) close(out_pipe[0]);
    close(err_pipe[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input) {
    RunOptions options;
    options.input = {{input, 0}};
    return run_program(program, args, options);
}

std::string normalized(const std::string& out) {
    std::string text = without_timestamps(out);
    const std::string marker = "Build date: ";
    size_t at = text.find(marker);
    if (at != std::string::npos) {
        size_t end = text.find('\n', at);
        text.replace(at + marker.size(), end - at - marker.size(), "D");
    }
    return text;
}

std::string startup_lines(int port) {
    return "[T] [INFO] Vostrel. Build date: D\n"
           "[T] [INFO] server: 127.0.0.1 port: " +
           std::to_string(port) +
           "\n"
           "[T] [INFO] Socket successfully created..\n"
           "connected to the server..\n";
}
