// A view drawn in place on the terminal's alternate screen (ncurses): whole
// lines, redrawn as they change; the keys typed, one at a time, without
// echo; the terminal's resizes. However the program ends, the terminal comes
// back as it was: the normal screen, the cursor, echo and line mode. A
// normal end or a caught signal restores it through close_screen(); a crash
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) restores it from the signal
// path, with what open_screen() set aside before it installed the handler.
//
// The steps, in order:
//     TerminalScreen screen;
//     watch_resizes(screen);  // before catch_interrupt(): SIGWINCH is read, not caught
//     catch_interrupt();
//     open_screen(screen);    // the alternate screen
//     draw_lines(screen, lines); ... take_keys(screen) ... take_resize(screen)
//     close_screen(screen);   // the normal screen, as it was
#pragma once

#include <string>
#include <vector>

struct TerminalScreen {
    int keys = -1;             // readable when a key was typed (standard input)
    int resizes = -1;          // readable when the terminal was resized
    bool open = false;         // the alternate screen is shown
    bool utf8 = false;         // the block characters can be drawn (the locale is UTF-8)
    void* terminal = nullptr;  // ncurses' SCREEN
};

// Why the view cannot be drawn on standard output, or "" when it can: it is
// not a terminal, or the terminal's type (TERM) is unset, unknown or cannot
// move the cursor.
std::string why_no_screen();

// Block SIGWINCH and read it from a descriptor instead (screen.resizes),
// before catch_interrupt() sets the signal mask of its waits. False when it
// cannot.
bool watch_resizes(TerminalScreen& screen);

// Take the terminal: the alternate screen, no echo, keys one at a time, no
// cursor. False when the terminal cannot be driven (its type unknown).
bool open_screen(TerminalScreen& screen);

// Draw `lines` from the top, each cut to the screen's width (in columns,
// wide characters counted twice) and the lines to its height.
void draw_lines(TerminalScreen& screen, const std::vector<std::string>& lines);

// The screen's width in columns.
int screen_columns(const TerminalScreen& screen);

// After screen.keys was readable: the keys typed since, one character each.
// None at all means the keyboard is gone (its input closed): screen.keys is
// then -1, and no key ends a wait any more.
std::string take_keys(TerminalScreen& screen);

// After screen.resizes was readable: take the new size. True when the
// screen must be drawn again.
bool take_resize(TerminalScreen& screen);

// Give the terminal back as it was; the program's lines then go to the
// normal screen.
void close_screen(TerminalScreen& screen);
