#include "screen/terminal_screen.h"

#include <curses.h>
#include <langinfo.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

const int CRASH_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// What the crash handler needs, set aside before it is installed and only
// read by it: the terminal's modes and the texts that bring back the normal
// screen and the cursor.
struct Restore {
    termios modes;
    char text[128];
    size_t length;
};
Restore restore = {};

extern "C" void restore_and_die(int number) {
    tcsetattr(STDIN_FILENO, TCSANOW, &restore.modes);
    ssize_t written = write(STDOUT_FILENO, restore.text, restore.length);
    (void)written;
    std::signal(number, SIG_DFL);
    raise(number);
}

void keep_text(const char* capability) {
    const char* text = tigetstr(const_cast<char*>(capability));
    if (text == nullptr || text == reinterpret_cast<char*>(-1)) return;
    size_t length = std::strlen(text);
    if (restore.length + length > sizeof restore.text) return;
    std::memcpy(restore.text + restore.length, text, length);
    restore.length += length;
}

void set_crash_handlers(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int number : CRASH_SIGNALS) sigaction(number, &action, nullptr);
}

// True when the operator's locale is UTF-8, so that the terminal shows the
// block characters. Either way the view's texts are read as UTF-8 (C.UTF-8
// where the locale is another).
bool utf8_locale() {
    std::setlocale(LC_CTYPE, "");  // only the characters: numbers print as the log lines do
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return true;
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return false;
}

}  // namespace

std::string why_no_screen() {
    if (isatty(STDOUT_FILENO) != 1) {
        return "--live draws on a terminal, and standard output is not one";
    }
    int error = 0;
    bool moves = false;
    if (setupterm(nullptr, STDOUT_FILENO, &error) == OK) {
        const char* cup = tigetstr(const_cast<char*>("cup"));
        moves = cup != nullptr && cup != reinterpret_cast<char*>(-1);
        del_curterm(cur_term);
    }
    if (!moves) {
        return "--live cannot draw on this terminal: its type (TERM) is unset or unknown, or "
               "it cannot move the cursor";
    }
    return "";
}

bool watch_resizes(TerminalScreen& screen) {
    sigset_t resize;
    sigemptyset(&resize);
    sigaddset(&resize, SIGWINCH);
    if (sigprocmask(SIG_BLOCK, &resize, nullptr) != 0) return false;
    screen.resizes = signalfd(-1, &resize, SFD_NONBLOCK | SFD_CLOEXEC);
    return screen.resizes >= 0;
}

bool open_screen(TerminalScreen& screen) {
    screen.utf8 = utf8_locale();
    tcgetattr(STDIN_FILENO, &restore.modes);
    SCREEN* terminal = newterm(nullptr, stdout, stdin);
    if (terminal == nullptr) return false;
    screen.terminal = terminal;
    typeahead(-1);  // a redraw never stops to look for keys
    keep_text("rmcup");
    keep_text("cnorm");
    keep_text("sgr0");
    set_crash_handlers(restore_and_die);
    cbreak();
    noecho();
    nodelay(stdscr, TRUE);
    curs_set(0);
    screen.keys = STDIN_FILENO;
    screen.open = true;
    return true;
}

void draw_lines(TerminalScreen& screen, const std::vector<std::string>& shown_lines) {
    if (!screen.open) return;
    erase();
    const int rows = LINES, width_limit = COLS;
    for (int row = 0; row < rows && row < static_cast<int>(shown_lines.size()); ++row) {
        const std::string& line = shown_lines[static_cast<size_t>(row)];
        std::mbstate_t state = {};
        std::wstring shown;
        int width = 0;
        for (size_t at = 0; at < line.size();) {
            wchar_t c = 0;
            size_t length = std::mbrtowc(&c, line.data() + at, line.size() - at, &state);
            if (length == 0 || length > line.size() - at) break;  // no character, or not UTF-8
            int columns_taken = std::max(wcwidth(c), 0);
            if (width + columns_taken > width_limit) break;
            width += columns_taken;
            shown += c;
            at += length;
        }
        mvaddnwstr(row, 0, shown.c_str(), static_cast<int>(shown.size()));
    }
    refresh();
}

int screen_columns(const TerminalScreen& screen) {
    return screen.open ? COLS : 80;
}

std::string take_keys(TerminalScreen& screen) {
    std::string keys;
    if (!screen.open || screen.keys < 0) return keys;
    for (int key = getch(); key != ERR; key = getch()) keys += static_cast<char>(key);
    // Readable, and nothing to take: its input is gone (closed, or /dev/null).
    if (keys.empty()) screen.keys = -1;
    return keys;
}

bool take_resize(TerminalScreen& screen) {
    signalfd_siginfo info = {};
    bool resized = false;
    while (read(screen.resizes, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        resized = true;
    }
    winsize size = {};
    if (!resized || !screen.open || ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return resized;
    resizeterm(size.ws_row, size.ws_col);
    return true;
}

void close_screen(TerminalScreen& screen) {
    if (!screen.open) return;
    endwin();
    set_crash_handlers(SIG_DFL);
    delscreen(static_cast<SCREEN*>(screen.terminal));
    screen.terminal = nullptr;
    screen.open = false;
    screen.keys = -1;
    std::fflush(stdout);
}
