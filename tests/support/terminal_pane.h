// A real terminal for the tests: a tmux server of the test's own (its socket
// in a temporary directory) with one window of a given size, running an
// interactive shell in a UTF-8 locale. The test types into it and reads back
// what its pane shows, as an engineer at that terminal would see it.
#pragma once

#include <string>

#include "tests/support/directory.h"

// True when tmux can be run here.
bool tmux_available();

class TerminalPane {
  public:
    TerminalPane(int columns = 80, int rows = 24);
    ~TerminalPane();  // the server and everything in its pane end
    TerminalPane(const TerminalPane&) = delete;
    TerminalPane& operator=(const TerminalPane&) = delete;

    bool started() const { return started_; }

    // Type `text` as it is, then Enter.
    void type_line(const std::string& text);
    // Press one key by its tmux name: "q", "Space", "C-c".
    void press(const std::string& key);
    void resize(int columns, int rows);

    // What the pane shows now, with the last 100 lines that scrolled off the
    // normal screen: one line per row, a line that wrapped joined up again.
    std::string shown();
    // What the pane shows once it contains `text` (or, after `seconds`, what
    // it shows then).
    std::string wait_for(const std::string& text, int seconds = 10);
    // A tmux format about the pane: "#{alternate_on}", "#{cursor_flag}".
    std::string query(const std::string& format);

    TemporaryDirectory directory;  // the socket, and room for the test's files

  private:
    std::string tmux(const std::vector<std::string>& args);

    std::string socket_;
    bool started_ = false;
};
