#include "runtime/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupt_seen = 0;

extern "C" void note_interrupt(int) {
    interrupt_seen = 1;
}

}  // namespace

void catch_interrupt() {
    struct sigaction action = {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked read must come back
    sigaction(SIGINT, &action, nullptr);
}

bool interrupted() {
    return interrupt_seen != 0;
}
