#include "console/line_editing.h"

#include <histedit.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cwchar>
#include <streambuf>
#include <string>

#include "console/console_input.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "files/file_writing.h"

namespace {

// One key off the terminal, waiting in wait_until_ready(): 1 with the key's
// character, 0 at the end of input, -1 when a caught signal arrived.
int read_key(EditLine*, wchar_t* key) {
    std::mbstate_t state = {};
    for (;;) {
        if (interrupted()) return -1;
        int ready = wait_until_ready(STDIN_FILENO, POLLIN, -1);
        if (ready < 0 && errno == EINTR) continue;  // the flag decides
        if (ready < 0) return 0;
        char byte = 0;
        ssize_t n = read(STDIN_FILENO, &byte, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return 0;
        const size_t length = std::mbrtowc(key, &byte, 1, &state);
        if (length == static_cast<size_t>(-2)) continue;  // more bytes of one character
        if (length == static_cast<size_t>(-1)) {
            state = {};
            *key = static_cast<unsigned char>(byte);  // not in the locale: taken as it is
        }
        return 1;
    }
}

class EditedInput : public std::streambuf {
  public:
    EditedInput() {
        history_ = history_init();
        HistEvent event;
        history(history_, &event, H_SETSIZE, 100);
        editor_ = el_init("vostrel", stdin, stdout, stderr);
        el_set(editor_, EL_EDITOR, "emacs");
        el_set(editor_, EL_SIGNAL, 0);  // the program's own handlers stay
        el_set(editor_, EL_HIST, history, history_);
        el_set(editor_, EL_CLIENTDATA, this);
        el_set(editor_, EL_PROMPT, prompt_of);
        el_set(editor_, EL_GETCFN, read_key);
        // Ctrl-D ends the input quietly, as a terminal's end of file does.
        el_set(editor_, EL_BIND, "^D", "ed-end-of-file", nullptr);
    }
    ~EditedInput() override {
        el_end(editor_);  // the terminal as it was
        history_end(history_);
    }

  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (interrupted()) return traits_type::eof();
        // The program's own prompt, on the line it asked on, is redrawn by
        // libedit over itself; the line typed answers it.
        prompt_ = console_input().prompt;
        answered();
        write_all(STDOUT_FILENO, "\r");
        int count = 0;
        const char* typed = el_gets(editor_, &count);
        if (typed == nullptr || count <= 0) {
            // A signal ended the line: what comes next starts a line of its own.
            if (interrupted()) write_console("\n");
            return traits_type::eof();
        }
        line_.assign(typed, static_cast<size_t>(count));
        if (line_.back() != '\n') line_ += '\n';
        if (line_.size() > 1) {
            HistEvent event;
            history(history_, &event, H_ENTER, line_.substr(0, line_.size() - 1).c_str());
        }
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(*gptr());
    }

  private:
    static char* prompt_of(EditLine* editor) {
        EditedInput* self = nullptr;
        el_get(editor, EL_CLIENTDATA, &self);
        return self->prompt_.data();
    }

    EditLine* editor_ = nullptr;
    History* history_ = nullptr;
    std::string line_;
    std::string prompt_;
};

}  // namespace

bool at_a_terminal() {
    return isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
}

std::istream& operator_stdin() {
    return at_a_terminal() ? edited_stdin() : interruptible_stdin();
}

std::istream& edited_stdin() {
    std::setlocale(LC_CTYPE,
                   "");  // the prompts' characters and their widths, before libedit starts
    static EditedInput buffer;
    static std::istream stream(&buffer);
    return stream;
}
