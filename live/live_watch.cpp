#include "live/live_watch.h"

#include <algorithm>

#include "console/log.h"
#include "link/frame_exchange.h"
#include "live/live_view.h"
#include "report/printed_reports.h"

namespace {

constexpr std::chrono::milliseconds REDRAW_AT_MOST_EVERY{100};
constexpr std::chrono::seconds REDRAW_AT_LEAST_EVERY{1};  // the clocks of the view move on

}  // namespace

LiveWatch::LiveWatch(TerminalScreen& screen, const std::string& peer, int timeout_seconds,
                     std::function<const ArmReport*()> latest, const GapWatch* gaps)
    : screen_(screen), timeout_seconds_(timeout_seconds), latest_(std::move(latest)), gaps_(gaps) {
    start_figures(figures_, LiveClock::now(), peer);
    draw(LiveClock::now());
}

void LiveWatch::report(const ArmReport& report, const FrameResult& frame) {
    count_report(figures_, report, frame.complete_at);
    redraw_soon(frame.complete_at);
}

void LiveWatch::bad_frame(const FrameBuffer&, const FrameResult& frame, Unpacked) {
    count_bad_frame(figures_);
    last_bad_ = frame;
    redraw_soon(frame.complete_at);
}

void LiveWatch::write_due() {
    if (LiveClock::now() >= redraw_due_) draw(LiveClock::now());
}

void LiveWatch::add_waits(std::vector<pollfd>& waits) {
    waits.push_back({screen_.keys, POLLIN, 0});  // -1 once the keyboard is gone
    waits.push_back({screen_.resizes, POLLIN, 0});
}

void LiveWatch::woken(const pollfd* waits) {
    const LiveClock::time_point now = LiveClock::now();
    if (waits[0].revents != 0) {
        for (char key : take_keys(screen_)) {
            if (key == 'q') quit_ = true;
            if (key == ' ') pause_or_resume(now);
            if (key == 'r') reset_ranges(figures_);
        }
        // A key shows at the next redraw, within the tenth of a second.
        redraw_due_ = std::min(redraw_due_, drawn_ + REDRAW_AT_MOST_EVERY);
    }
    if (waits[1].revents != 0 && take_resize(screen_)) draw(now);
}

void LiveWatch::redraw_soon(LiveClock::time_point now) {
    redraw_due_ = std::min(redraw_due_, drawn_ + REDRAW_AT_MOST_EVERY);
    if (now >= redraw_due_) draw(LiveClock::now());
}

void LiveWatch::pause_or_resume(LiveClock::time_point now) {
    paused_ = !paused_;
    if (!paused_) return;
    frozen_ = figures_;
    frozen_at_ = now;
}

void LiveWatch::draw(LiveClock::time_point now) {
    const long gaps = gaps_ != nullptr ? static_cast<long>(gaps_->gaps) : -1;
    const LiveStatus status{paused_, silent_seconds(figures_, now), gaps};
    draw_lines(screen_, view_lines(paused_ ? frozen_ : figures_, paused_ ? frozen_at_ : now, status,
                                   screen_columns(screen_), screen_.utf8));
    drawn_ = now;
    redraw_due_ = now + REDRAW_AT_LEAST_EVERY;
}

// After the view: what the plain monitor would have printed last, the
// summary, and what ended the link.
void LiveWatch::sum_up(const WatchEnd& end) {
    const ArmReport* latest = latest_();
    if (latest != nullptr) print_report(*latest);
    log_info("%s\n", watched_text(figures_, LiveClock::now()).c_str());
    if (is_link_end(end.reason)) log_received(link_end_result(end.reason));
    if (end.reason == WatchEnd::FRAMING_LOST) {
        log_received(last_bad_);
        log_framing_lost(nullptr);
    }
    const std::string words = link_end_words(end.reason, timeout_seconds_);
    if (!words.empty()) log_info("%s\n", words.c_str());
}

bool open_live_view(TerminalScreen& screen) {
    if (open_screen(screen)) return true;
    log_error("%s\n", "--live: this terminal cannot be drawn on (is TERM set?)");
    return false;
}
