#include "arm/live_watch.h"

#include <algorithm>

#include "arm/live_figures.h"
#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"

namespace {

constexpr std::chrono::milliseconds REDRAW_AT_MOST_EVERY{100};
constexpr std::chrono::seconds REDRAW_AT_LEAST_EVERY{1};  // the clocks of the view move on

struct Live {
    TerminalScreen& screen;
    LiveFigures figures;
    LiveView frozen;  // what a paused view shows
    bool paused = false;
    LiveClock::time_point drawn{};
};

void draw(Live& live, ArmWatch& watch, LiveClock::time_point now) {
    LiveView view = live.paused ? live.frozen : gather_view(live.figures, now);
    view.paused = live.paused;
    view.silent_s = silent_seconds(live.figures, now);
    draw_lines(live.screen, view_lines(view, screen_columns(live.screen), live.screen.utf8));
    live.drawn = now;
    watch.redraw_due = now + REDRAW_AT_LEAST_EVERY;
}

// The keys typed; false at q.
bool take_keys(Live& live, LiveClock::time_point now) {
    for (char key : take_keys(live.screen)) {
        if (key == 'q') return false;
        if (key == ' ') {
            live.paused = !live.paused;
            if (live.paused) live.frozen = gather_view(live.figures, now);
        }
        if (key == 'r') reset_ranges(live.figures);
    }
    return true;
}

// After the view: what the plain monitor would have printed last, and the summary.
int end_live(ArmWatch& watch, Live& live, int status, const FrameResult& ended) {
    const LiveClock::time_point now = LiveClock::now();
    close_screen(live.screen);
    if (!watch.csv.finish() && status != STATUS_OUTPUT_FAILED) status = STATUS_RECORD_FILE_FAILED;
    if (live.figures.reports > 0) {
        ArmReport latest;
        latest.record = live.figures.latest;
        latest.error_shown = live.figures.latest_error;
        print_report(latest);
    }
    log_info("%s\n", watched_text(live.figures, now).c_str());
    if (ended.kind != FrameResult::PENDING) log_received(ended);
    if (ended.kind == FrameResult::FRAMING_LOST) {
        log_error("%s\n", "report stream lost its framing; no later report can be read.");
    }
    return status;
}

}  // namespace

int watch_live(ArmWatch& watch, TerminalScreen& screen, const std::string& peer) {
    if (!open_screen(screen)) {
        log_error("%s\n", "--live: this terminal cannot be drawn on (is TERM set?)");
        return STATUS_BAD_ARGUMENTS;
    }
    Live live{screen, {}, {}, false, {}};
    start_figures(live.figures, LiveClock::now(), peer);
    watch.resizes = screen.resizes;
    draw(live, watch, LiveClock::now());
    const FrameResult none{FrameResult::PENDING, 0};
    for (;;) {
        watch.keys = screen.keys;  // -1 once the keyboard is gone
        FrameResult received = next_report_frame(watch);
        if (interrupted()) return end_live(watch, live, interrupt_status(), none);
        if (watch.csv.failed()) return end_live(watch, live, STATUS_RECORD_FILE_FAILED, none);
        LiveClock::time_point now = received.complete_at;
        if (received.kind == FrameResult::PENDING) {
            now = LiveClock::now();
            if (watch.keys_ready) {
                if (!take_keys(live, now)) return end_live(watch, live, STATUS_OK, none);
                // A key shows at the next redraw, within the tenth of a second.
                watch.redraw_due = std::min(watch.redraw_due, live.drawn + REDRAW_AT_MOST_EVERY);
            }
            if ((watch.resized && take_resize(screen)) || now >= watch.redraw_due) {
                draw(live, watch, now);
            }
            continue;
        }
        if (received.kind == FrameResult::FRAMING_LOST) {
            count_bad_frame(live.figures);
            return end_live(watch, live, STATUS_EXCHANGE_FAILED, received);
        }
        if (!received.is_frame()) return end_live(watch, live, STATUS_OK, received);
        if (decode_report(watch.report, watch.frame, received.length)) {
            count_report(live.figures, watch.report, now);
            watch.csv.add(watch.report, received.complete_at_wall_us);
        } else {
            count_bad_frame(live.figures);
        }
        watch.redraw_due = std::min(watch.redraw_due, live.drawn + REDRAW_AT_MOST_EVERY);
        if (now >= watch.redraw_due) draw(live, watch, LiveClock::now());
    }
}
