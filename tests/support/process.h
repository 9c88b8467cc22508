// Running the real programs from build/bin with scripted standard input.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct InputChunk {
    InputChunk(std::string text_ = {}, int delay_ms_ = 0)
        : text(std::move(text_)), delay_ms(delay_ms_) {}
    std::string text;
    int delay_ms = 0;             // wait this long before writing the text
    std::string after;            // ... and until standard output holds this
    std::function<void()> first;  // then run this, once, and write the text
};

// A chunk written once standard output holds `after`, just after `first` ran.
InputChunk once_output_holds(const std::string& after, const std::string& text,
                             std::function<void()> first = {});

struct RunOptions {
    std::vector<InputChunk> input;
    bool close_input = true;           // end standard input after the last chunk
    std::string interrupt_when;        // send a signal once standard output contains this
    int interrupt_occurrence = 1;      // ... for the n-th time
    int interrupt_delay_ms = 100;      // ... this long after it appeared
    int interrupt_signal = 2;          // ... this one (SIGINT; 0: none)
    bool drop_output_first = false;    // ... after closing standard output's reader
    std::string directory;             // working directory ("" = the test's)
    int timeout_seconds = 40;          // then the program is killed
    std::vector<std::string> wrapper;  // e.g. {"unshare", "-n"}
    // Standard output is not read (its reader stalls, as a paused pager
    // does) until this says so; checked every 10 ms.
    std::function<bool()> read_output_when;
};

struct ProgramRun {
    int status = -1;  // exit status, or 128 + signal
    bool timed_out = false;
    std::string out;  // standard output as written
    std::string err;
    double seconds = 0;
};

// Path of a program in build/bin (a path that begins with "/" as it stands).
std::string program_path(const std::string& program);

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const RunOptions& options);

// The same for any executable (a script, say) given by its path.
ProgramRun run_program_at(const std::string& path, const std::vector<std::string>& args,
                          const RunOptions& options);

// Shorthand: the whole of `input` at once, then end of input.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const std::string& input = "");

// Standard output with "[T] " for timestamps and "D" for the build date.
std::string normalized(const std::string& out);

// The lines every tool prints up to its connection to 127.0.0.1:port.
std::string startup_lines(int port);
