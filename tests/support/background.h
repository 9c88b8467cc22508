// A simulator running beside a test: started from build/bin, its log kept in
// a file so the test can read it while it runs, stopped with Ctrl-C.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class BackgroundProgram {
  public:
    BackgroundProgram(const std::string& program, const std::vector<std::string>& args);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Everything it has logged so far.
    std::string log() const;
    // ... once it holds `text` (waits up to 10 s, then what there is).
    std::string log_holding(const std::string& text) const;

    // The port logged as "<what> listening on 127.0.0.1:PORT" (waits up to 5 s; 0 if none).
    int port_of(const std::string& what) const;

    pid_t pid() const { return pid_; }

    // Send Ctrl-C and wait (up to 20 s, then kill); returns the exit status.
    int stop();

  private:
    pid_t pid_ = -1;
    std::string log_path_;
    int status_ = -1;
};
