#include "tests/support/terminal_pane.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "tests/support/process.h"

bool tmux_available() {
    return std::system("tmux -V >/dev/null 2>&1") == 0;
}

TerminalPane::TerminalPane(int columns, int rows) : socket_(directory.path + "/tmux") {
    // No user configuration, the locale of the block characters, a prompt that
    // says nothing but "$ ".
    RunOptions options;
    options.timeout_seconds = 20;
    ProgramRun run = run_program_at(
        "tmux",
        {"-u", "-S", socket_, "-f", "/dev/null", "new-session", "-d", "-x", std::to_string(columns),
         "-y", std::to_string(rows), "env LC_ALL=C.UTF-8 PS1='$ ' ENV= sh"},
        options);
    started_ = run.status == 0;
    if (started_) wait_for("$");
}

TerminalPane::~TerminalPane() {
    if (started_) tmux({"kill-server"});
}

std::string TerminalPane::tmux(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"-u", "-S", socket_};
    all.insert(all.end(), args.begin(), args.end());
    RunOptions options;
    options.timeout_seconds = 20;
    return run_program_at("tmux", all, options).out;
}

void TerminalPane::type_line(const std::string& text) {
    tmux({"send-keys", "-t", "0", "-l", text});
    tmux({"send-keys", "-t", "0", "Enter"});
}

void TerminalPane::press(const std::string& key) {
    tmux({"send-keys", "-t", "0", key});
}

void TerminalPane::resize(int columns, int rows) {
    tmux({"resize-window", "-t", "0", "-x", std::to_string(columns), "-y", std::to_string(rows)});
}

std::string TerminalPane::shown() {
    return tmux({"capture-pane", "-p", "-J", "-S", "-100", "-t", "0"});
}

std::string TerminalPane::wait_for(const std::string& text, int seconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::string now = shown();
    while (now.find(text) == std::string::npos && std::chrono::steady_clock::now() < until) {
        usleep(20 * 1000);
        now = shown();
    }
    return now;
}

std::string TerminalPane::query(const std::string& format) {
    std::string answer = tmux({"display-message", "-p", "-t", "0", format});
    while (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
}
