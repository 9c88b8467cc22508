#include "arm/live_watch.h"

#include <algorithm>

#include "arm/live_figures.h"
#include "arm/live_view.h"
#include "console/exit_status.h"
#include "console/log.h"
#include "link/link_timeout.h"

namespace {

constexpr std::chrono::milliseconds REDRAW_AT_MOST_EVERY{100};
constexpr std::chrono::seconds REDRAW_AT_LEAST_EVERY{1};  // the clocks of the view move on

class LiveWatch : public WatchConsumer {
  public:
    LiveWatch(ArmWatch& watch, TerminalScreen& screen, const std::string& peer)
        : watch_(watch), screen_(screen) {
        start_figures(figures_, LiveClock::now(), peer);
        watch_.keys = screen_.keys;
        watch_.resizes = screen_.resizes;
        draw(LiveClock::now());
    }

    Outcome report(const ArmReport& report, const FrameResult& frame) override {
        count_report(figures_, report, frame.complete_at);
        return redraw_soon(frame.complete_at);
    }
    Outcome bad_frame(const FrameBuffer&, const FrameResult& frame, Unpacked) override {
        count_bad_frame(figures_);
        return redraw_soon(frame.complete_at);
    }
    Outcome keys() override {
        const LiveClock::time_point now = LiveClock::now();
        for (char key : take_keys(screen_)) {
            if (key == 'q') return end_with(STATUS_OK);
            if (key == ' ') pause_or_resume(now);
            if (key == 'r') reset_ranges(figures_);
        }
        watch_.keys = screen_.keys;  // -1 once the keyboard is gone
        // A key shows at the next redraw, within the tenth of a second.
        watch_.redraw_due = std::min(watch_.redraw_due, drawn_ + REDRAW_AT_MOST_EVERY);
        return go_on();
    }
    Outcome resize() override {
        if (take_resize(screen_)) draw(LiveClock::now());
        return go_on();
    }
    Outcome redraw() override {
        draw(LiveClock::now());
        return go_on();
    }
    void leave(const WatchEnd&) override { close_screen(screen_); }
    void sum_up(const WatchEnd& end, int) override;

  private:
    Outcome redraw_soon(LiveClock::time_point now) {
        watch_.redraw_due = std::min(watch_.redraw_due, drawn_ + REDRAW_AT_MOST_EVERY);
        if (now >= watch_.redraw_due) draw(LiveClock::now());
        return go_on();
    }
    void pause_or_resume(LiveClock::time_point now) {
        paused_ = !paused_;
        if (!paused_) return;
        frozen_ = figures_;
        frozen_at_ = now;
    }
    void draw(LiveClock::time_point now) {
        const LiveStatus status{paused_, silent_seconds(figures_, now)};
        draw_lines(screen_, view_lines(paused_ ? frozen_ : figures_, paused_ ? frozen_at_ : now,
                                       status, screen_columns(screen_), screen_.utf8));
        drawn_ = now;
        watch_.redraw_due = now + REDRAW_AT_LEAST_EVERY;
    }

    ArmWatch& watch_;
    TerminalScreen& screen_;
    LiveFigures figures_;
    LiveFigures frozen_;  // what a paused view shows, as it stood at frozen_at_
    LiveClock::time_point frozen_at_{};
    bool paused_ = false;
    LiveClock::time_point drawn_{};
};

// After the view: what the plain monitor would have printed last, the
// summary, and what ended the link.
void LiveWatch::sum_up(const WatchEnd& end, int) {
    const ArmReport* latest = latest_report(watch_);
    if (latest != nullptr) print_report(*latest);
    log_info("%s\n", watched_text(figures_, LiveClock::now()).c_str());
    if (end.link.kind != FrameResult::PENDING) log_received(end.link);
    switch (end.reason) {
        case WatchEnd::CLOSED:
            log_info("%s\n", "the arm closed the link");
            break;
        case WatchEnd::SILENT:
            log_info("the link was silent for %d s\n", LINK_TIMEOUT_SECONDS);
            break;
        case WatchEnd::LINK_FAILED:
            log_info("%s\n", "the link failed");
            break;
        case WatchEnd::FRAMING_LOST:
            log_framing_lost(nullptr);
            log_info("%s\n", "the framing was lost");
            break;
        default:
            break;
    }
}

}  // namespace

int watch_live(ArmWatch& watch, TerminalScreen& screen, const std::string& peer) {
    if (!open_screen(screen)) {
        log_error("%s\n", "--live: this terminal cannot be drawn on (is TERM set?)");
        return STATUS_BAD_ARGUMENTS;
    }
    LiveWatch live(watch, screen, peer);
    return run_watch(watch, live);
}
