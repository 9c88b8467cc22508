#include "console/interrupt.h"

#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>

namespace {

const int CAUGHT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// The longest a caught wait sleeps before it looks at the flag again: a signal
// wakes only the thread it is delivered to.
constexpr int WAIT_SLICE_MS = 100;

// Written by the handler on whichever thread the signal reaches, read by all.
std::atomic<int> first_signal{0};
static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");
// Set once by catch_interrupt(): open_mask first, then catching_signals (release), so
// that a thread that sees catching also sees the mask.
std::atomic<bool> catching_signals{false};
sigset_t open_mask;  // the signal mask while waiting: the caught signals let through

extern "C" void note_signal(int number) {
    int saved_errno = errno;  // the interrupted code may be about to read it
    int none = 0;
    first_signal.compare_exchange_strong(none, number);
    errno = saved_errno;
}

}  // namespace

void catch_interrupt() {
    struct sigaction action = {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int number : CAUGHT_SIGNALS) {
        sigaction(number, &action, nullptr);
        sigaddset(&blocked, number);
    }
    sigprocmask(SIG_BLOCK, &blocked, &open_mask);
    for (int number : CAUGHT_SIGNALS) sigdelset(&open_mask, number);
    catching_signals.store(true, std::memory_order_release);
}

bool interrupted() {
    return first_signal.load() != 0;
}

int interrupt_status() {
    int number = first_signal.load();
    return 128 + (number != 0 ? number : SIGINT);
}

void fail_writes_gently() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

int wait_until_ready(int fd, short events, int timeout_ms) {
    if (timeout_ms < 0) return wait_until_ready(fd, events, Deadline::max());
    return wait_until_ready(
        fd, events, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms));
}

int wait_until_ready(int fd, short events, Deadline deadline) {
    pollfd ready = {fd, events, 0};
    return wait_until_ready(&ready, fd >= 0 ? 1 : 0, deadline);
}

int wait_until_ready(pollfd* fds, size_t count, Deadline deadline) {
    using std::chrono::nanoseconds;
    const bool catching = catching_signals.load(std::memory_order_acquire);
    const nanoseconds slice_limit =
        catching ? nanoseconds(std::chrono::milliseconds(WAIT_SLICE_MS)) : nanoseconds::max();
    for (;;) {
        if (catching && interrupted()) {
            errno = EINTR;
            return -1;
        }
        nanoseconds slice = slice_limit;
        if (deadline != Deadline::max()) {
            nanoseconds left = deadline - std::chrono::steady_clock::now();
            if (left < slice) slice = left > nanoseconds(0) ? left : nanoseconds(0);
        }
        timespec timeout = {static_cast<time_t>(slice.count() / 1000000000),
                            static_cast<long>(slice.count() % 1000000000)};
        const timespec* limit = slice == nanoseconds::max() ? nullptr : &timeout;
        int result = ppoll(fds, count, limit, catching ? &open_mask : nullptr);
        if (result != 0) return result;
        if (deadline != Deadline::max() && std::chrono::steady_clock::now() >= deadline) return 0;
    }
}

bool wait_until(Deadline due) {
    while (wait_until_ready(-1, 0, due) != 0 && !interrupted()) {
    }
    return !interrupted();
}
