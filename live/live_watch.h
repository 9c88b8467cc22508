// arm_monitor --live: the watch drawn as one view in place (live_view.h), an
// output of the watch (report_output.h) instead of the printed lines:
// redrawn at most ten times a second and at once when the terminal is
// resized. The CSV file gets the same rows as without --live.
//
// Keys: q ends the watch (status 0); space freezes the view (reports are
// still counted and rows still written) and thaws it; r starts the least and
// greatest values, the traces and the largest gap afresh.
//
// The watch ends as watch/arm_watch.h says. Then, in every case: the
// terminal is given back, the files are finished, and on the normal screen
// come the latest report as the plain monitor prints it, the line
//     watched N reports in S s, R per second, largest gap G ms, F bad frames
// and, where the link ended it, the "rev len" line and why in words: "the arm
// closed the link", "the link was silent for 15 s", "the link failed" or
// "the framing was lost" (after the ERROR line that says so).
#pragma once

#include <functional>
#include <string>

#include "live/live_figures.h"
#include "report/report_output.h"
#include "screen/terminal_screen.h"
#include "watch/stream_stats.h"

class LiveWatch : public ReportOutput {
  public:
    // Draw on `screen` (open) the reports of the controller at `peer`
    // ("ADDRESS:PORT"); `latest` gives the latest report at the end; `gaps`,
    // when given (--stats), the gaps the status line shows.
    LiveWatch(TerminalScreen& screen, const std::string& peer, int timeout_seconds,
              std::function<const ArmReport*()> latest, const GapWatch* gaps = nullptr);

    void report(const ArmReport& report, const FrameResult& frame) override;
    void bad_frame(const FrameBuffer&, const FrameResult& frame, Unpacked) override;
    void write_due() override;
    Deadline next_due() const override { return redraw_due_; }
    void add_waits(std::vector<pollfd>& waits) override;
    void woken(const pollfd* waits) override;
    WatchEnd::Reason end() const override { return quit_ ? WatchEnd::QUIT : WatchEnd::NONE; }
    void leave(const WatchEnd&) override { close_screen(screen_); }
    void sum_up(const WatchEnd& end) override;

  private:
    void redraw_soon(LiveClock::time_point now);
    void pause_or_resume(LiveClock::time_point now);
    void draw(LiveClock::time_point now);

    TerminalScreen& screen_;
    int timeout_seconds_;  // the link's, for the words of its end
    std::function<const ArmReport*()> latest_;
    const GapWatch* gaps_;
    LiveFigures figures_;
    LiveFigures frozen_;  // what a paused view shows, as it stood at frozen_at_
    LiveClock::time_point frozen_at_{};
    bool paused_ = false;
    bool quit_ = false;
    FrameResult last_bad_{FrameResult::PENDING, 0};  // the bytes that lost the framing, at the end
    LiveClock::time_point drawn_{};
    Deadline redraw_due_ = Deadline::max();
};

// Open the view on `screen`; false, with the ERROR line that says so, when
// this terminal cannot be drawn on (status 255 for the caller).
bool open_live_view(TerminalScreen& screen);
