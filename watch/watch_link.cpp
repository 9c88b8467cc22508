#include "watch/watch_link.h"

#include <cerrno>

#include "arm.pb.h"
#include "console/log.h"
#include "link/frame_exchange.h"
#include "program/connection.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds TRY_EVERY{1};

// The all-zero request that asks for the reports, on the link just made.
bool ask_for_reports(int link) {
    FrameBuffer frame{};
    MainArmRequestMsg request{};
    const FrameResult encoded = encode_frame(MainArmRequestMsg_fields, &request, ARM_FRAME, frame);
    return encoded.is_frame() && send_frame(link, frame.data(), encoded.length).is_frame();
}

}  // namespace

void lose_link(WatchLink& link, WatchEnd::Reason why, std::string& held) {
    const std::string words = link_end_words(why, link.timeout_seconds);
    log_to(&held, "ERROR", "the link is lost: %s; trying again every second\n",
           words.empty() ? "it could not be made" : words.c_str());
    link.fd.reset();
    link.state = WatchLink::DOWN;
    link.lost_at = Clock::now();
    link.next_step = link.lost_at + TRY_EVERY;
    link.tries = 0;
}

pollfd link_wait(const WatchLink& link) {
    return {link.state == WatchLink::CONNECTING ? link.fd.get() : -1, POLLOUT, 0};
}

bool tend_link(WatchLink& link, const pollfd& woken, std::string& held) {
    const Clock::time_point now = Clock::now();
    if (link.state == WatchLink::CONNECTING && woken.revents != 0 &&
        connection_error(link.fd.get()) == 0 && ask_for_reports(link.fd.get())) {
        link.state = WatchLink::UP;
        link.next_step = Deadline::max();
        const std::chrono::duration<double> gap = now - link.lost_at;
        log_to(&held, "INFO", "the link is back after %.1f s (%zu %s)\n", gap.count(), link.tries,
               link.tries == 1 ? "try" : "tries");
        return true;
    }
    if (link.state == WatchLink::CONNECTING && (woken.revents != 0 || now >= link.next_step)) {
        link.fd.reset();  // refused, or no answer within its second
        link.state = WatchLink::DOWN;
    }
    if (link.state == WatchLink::DOWN && now >= link.next_step) {
        ++link.tries;
        link.fd = begin_connection(link.server, link.timeout_seconds);
        link.state = link.fd.is_open() ? WatchLink::CONNECTING : WatchLink::DOWN;
        link.next_step = now + TRY_EVERY;
    }
    return false;
}
