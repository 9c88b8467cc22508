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
    if (!program.empty() && program[0] == '/') return program;  // a path already (the bench's)
    return std::string(VOSTREL_BIN_DIR) + "/" + program;
}

namespace {

using Clock = std::chrono::steady_clock;

// Would this command line reach beyond 127.0.0.1: a tool's compiled-in default
// address, or an explicit address outside loopback? Options and their values
// are set aside first; some forms make no connection at all.
bool leaves_loopback(const std::string& program, const std::vector<std::string>& given) {
    bool takes_file = program == "board_replay";
    bool is_tool = takes_file || program == "board_console" || program == "board_recorder" ||
                   program == "arm_console" || program == "arm_monitor";
    if (!is_tool) return false;
    std::vector<std::string> args;
    for (size_t i = 0; i < given.size(); ++i) {
        const std::string& a = given[i];
        if (a == "-h" || a == "--help" || a == "--version" || a == "--check") return false;
        if (a == "--csv") {
            ++i;  // its value
            continue;
        }
        if (!a.empty() && a[0] == '-') return false;  // refused before any connection
        args.push_back(a);
    }
    size_t targetless = takes_file ? 1 : 0;
    if (args.size() == targetless) return true;
    if (args.size() == targetless + 2) {
        in_addr address = {};
        return inet_pton(AF_INET, args[0].c_str(), &address) == 1 && args[0].rfind("127.", 0) != 0;
    }
    return false;
}

}  // namespace

InputChunk once_output_holds(const std::string& after, const std::string& text,
                             std::function<void()> first) {
    InputChunk chunk(text);
    chunk.after = after;
    chunk.first = std::move(first);
    return chunk;
}

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const RunOptions& options) {
    bool isolated = !options.wrapper.empty() && options.wrapper[0] == "unshare";
    if (!isolated && leaves_loopback(program, args)) {
        ADD_FAILURE() << program << " would reach beyond 127.0.0.1; run it under unshare -n";
        return {};
    }
    return run_program_at(program_path(program), args, options);
}

namespace {

// A started program: its process and our ends of its three standard streams.
struct Child {
    pid_t pid = -1;
    int input = -1;   // we write its standard input here
    int output = -1;  // and read its standard output and error here
    int error = -1;
};

Child spawn(const std::string& path, const std::vector<std::string>& args,
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
    return {pid, in_pipe[1], out_pipe[0], err_pipe[0]};
}

// Feeding the scripted input chunk by chunk, each after its delay and once
// the output holds what the chunk waits for.
struct InputFeed {
    const std::vector<InputChunk>& chunks;
    size_t chunk = 0;
    size_t written = 0;
    Clock::time_point due;

    bool wants_write(const std::string& out) const {
        return chunk < chunks.size() && Clock::now() >= due &&
               out.find(chunks[chunk].after) != std::string::npos;
    }
    bool done() const { return chunk >= chunks.size(); }

    // Write what the pipe takes, running the chunk's `first` before its
    // first byte; false when the program stopped reading.
    bool write_some(int fd) {
        if (written == 0 && chunks[chunk].first) chunks[chunk].first();
        const std::string& text = chunks[chunk].text;
        ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0) return false;
        written += static_cast<size_t>(n);
        if (written == text.size()) {
            written = 0;
            ++chunk;
            if (chunk < chunks.size()) {
                due = Clock::now() + std::chrono::milliseconds(chunks[chunk].delay_ms);
            }
        }
        return true;
    }
};

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Send the signal once the output holds its marker, as the options say.
bool signal_when_due(Child& child, const RunOptions& options, const std::string& out) {
    if (options.interrupt_when.empty() ||
        count_of(out, options.interrupt_when) < static_cast<size_t>(options.interrupt_occurrence)) {
        return false;
    }
    usleep(static_cast<useconds_t>(options.interrupt_delay_ms) * 1000);
    if (options.drop_output_first) close_fd(child.output);  // like a reader (tee, head) gone
    if (options.interrupt_signal != 0) kill(child.pid, options.interrupt_signal);
    return true;
}

// Feed the input and collect the output until both output streams close or
// the time is up (the program is then killed).
void pump(Child& child, const RunOptions& options, Clock::time_point start, ProgramRun& run) {
    InputFeed feed{
        options.input, 0, 0,
        start + std::chrono::milliseconds(options.input.empty() ? 0 : options.input[0].delay_ms)};
    bool signalled = false;
    const auto deadline = start + std::chrono::seconds(options.timeout_seconds);
    while (child.output >= 0 || child.error >= 0) {
        if (Clock::now() >= deadline) {
            kill(child.pid, SIGKILL);
            run.timed_out = true;
            break;
        }
        if (child.input >= 0 && feed.done() && options.close_input) close_fd(child.input);
        std::vector<pollfd> fds;
        const bool stalled = options.read_output_when && !options.read_output_when();
        if (child.output >= 0 && !stalled) fds.push_back({child.output, POLLIN, 0});
        if (child.error >= 0) fds.push_back({child.error, POLLIN, 0});
        if (child.input >= 0 && feed.wants_write(run.out)) {
            fds.push_back({child.input, POLLOUT, 0});
        }
        poll(fds.data(), fds.size(), 10);
        for (const pollfd& p : fds) {
            if (p.revents == 0) continue;
            if (p.fd == child.input) {
                if (!feed.write_some(child.input)) close_fd(child.input);
                continue;
            }
            bool is_out = p.fd == child.output;
            char buffer[65536];
            ssize_t n = read(p.fd, buffer, sizeof buffer);
            if (n <= 0) {
                close_fd(is_out ? child.output : child.error);
                continue;
            }
            (is_out ? run.out : run.err).append(buffer, static_cast<size_t>(n));
        }
        if (!signalled) signalled = signal_when_due(child, options, run.out);
    }
    close_fd(child.input);
    close_fd(child.output);
    close_fd(child.error);
}

}  // namespace

ProgramRun run_program_at(const std::string& path, const std::vector<std::string>& args,
                          const RunOptions& options) {
    auto start = Clock::now();
    Child child = spawn(path, args, options);
    if (child.pid < 0) return {};
    ProgramRun run;
    pump(child, options, start, run);
    int status = 0;
    waitpid(child.pid, &status, 0);
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
