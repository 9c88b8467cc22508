#include "runtime/interrupt.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <streambuf>

namespace {

volatile std::sig_atomic_t interrupt_seen = 0;
bool catching = false;
sigset_t open_mask;  // the signal mask while waiting: SIGINT let through

extern "C" void note_interrupt(int) {
    interrupt_seen = 1;
}

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

void catch_interrupt() {
    struct sigaction action = {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigprocmask(SIG_BLOCK, &blocked, &open_mask);
    sigdelset(&open_mask, SIGINT);
    catching = true;
}

bool interrupted() {
    return interrupt_seen != 0;
}

int wait_until_ready(int fd, short events, int timeout_ms) {
    pollfd ready = {fd, events, 0};
    nfds_t count = fd >= 0 ? 1 : 0;
    if (!catching) return poll(&ready, count, timeout_ms);
    timespec timeout = {timeout_ms / 1000, (timeout_ms % 1000) * 1000000L};
    return ppoll(&ready, count, timeout_ms < 0 ? nullptr : &timeout, &open_mask);
}

std::istream& interruptible_stdin() {
    static InterruptibleInput buffer;
    static std::istream stream(&buffer);
    return stream;
}
