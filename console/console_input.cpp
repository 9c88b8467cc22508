#include "console/console_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <streambuf>

#include "console/interrupt.h"
#include "console/log.h"

namespace {

// Standard input read in chunks, each read waiting in wait_until_ready().
class InterruptibleInput : public std::streambuf {
  protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        for (;;) {
            if (interrupted()) return traits_type::eof();
            int ready = wait_until_ready(STDIN_FILENO, POLLIN, -1);
            if (ready < 0 && errno == EINTR) continue;  // the flag decides
            if (ready < 0) return traits_type::eof();
            ssize_t n = read(STDIN_FILENO, chunk_, sizeof chunk_);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return traits_type::eof();
            setg(chunk_, chunk_, chunk_ + n);
            return traits_type::to_int_type(*gptr());
        }
    }

  private:
    char chunk_[4096];
};

}  // namespace

ConsoleInput& console_input() {
    static ConsoleInput input;
    return input;
}

void use_console_input(std::istream& stream) {
    console_input() = ConsoleInput{&stream, false, ""};
}

void ask(const std::string& prompt) {
    write_console(prompt);
    const size_t line_break = prompt.rfind('\n');
    console_input().prompt =
        line_break == std::string::npos ? prompt : prompt.substr(line_break + 1);
}

void answered() {
    console_input().prompt.clear();
}

bool input_ended() {
    ConsoleInput& input = console_input();
    if (interrupted()) input.ended = true;
    return input.ended;
}

bool skip_bad_input() {
    ConsoleInput& input = console_input();
    std::istream& in = *input.stream;
    if (!in.eof() && !in.bad() && !interrupted()) {
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    // A read cut short by a signal looks like the end of input to the stream.
    if (in.eof() || in.bad() || interrupted()) {
        input.ended = true;
        return true;
    }
    return false;
}

std::istream& interruptible_stdin() {
    static InterruptibleInput buffer;
    static std::istream stream(&buffer);
    return stream;
}
