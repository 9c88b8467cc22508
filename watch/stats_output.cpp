#include "watch/stats_output.h"

#include <cinttypes>
#include <cstdio>

#include "console/log.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds LINE_EVERY{1};

// "1000.0 reports/s  interval ms ...  timestamp ms ...  gaps G": the figures
// of a span of `seconds`, less its gaps.
std::string span_text(const StatsSpan& span, double seconds) {
    const double per_second = seconds > 0 ? 1 / seconds : 0;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f reports/s",
                  static_cast<double>(span.reports) * per_second);
    return std::string(rate) + "  interval ms " + tally_text(span.received) + "  timestamp ms " +
           tally_text(span.stamped);
}

std::string tail_text(const StatsSpan& span, double seconds) {
    char tail[96];
    std::snprintf(tail, sizeof tail, "  undecodable %" PRIu64 "  %.1f KB/s", span.undecodable,
                  seconds > 0 ? static_cast<double>(span.bytes) / 1000 / seconds : 0);
    return tail;
}

}  // namespace

StatsOutput::StatsOutput(std::string& held, bool quiet)
    : held_(held),
      quiet_(quiet),
      started_(Clock::now()),
      second_started_(started_),
      next_line_(started_ + LINE_EVERY) {}

void StatsOutput::frame(const FrameBuffer&, const FrameResult& frame) {
    second_.bytes += frame.length;
    whole_.bytes += frame.length;
}

void StatsOutput::report(const ArmReport& report, const FrameResult& frame) {
    ++second_.reports;
    ++whole_.reports;
    const int64_t stamp = report.record.timestamp;
    if (!first_) {
        const double received =
            std::chrono::duration<double, std::milli>(frame.complete_at - last_at_).count();
        second_.received.add(received);
        whole_.received.add(received);
        const double stamped = static_cast<double>(stamp - last_stamp_);
        second_.stamped.add(stamped);
        whole_.stamped.add(stamped);
        gaps_.add(received, frame.complete_at_wall_us);
    }
    first_ = false;
    last_at_ = frame.complete_at;
    last_stamp_ = stamp;
}

void StatsOutput::bad_frame(const FrameBuffer&, const FrameResult&, Unpacked) {
    ++second_.undecodable;
    ++whole_.undecodable;
}

void StatsOutput::write_due() {
    const Clock::time_point now = Clock::now();
    if (now < next_line_) return;
    const double seconds = std::chrono::duration<double>(now - second_started_).count();
    if (!quiet_) {
        log_to(&held_, "INFO", "%s  gaps %" PRIu64 "%s\n", span_text(second_, seconds).c_str(),
               gaps_.gaps - gaps_before_, tail_text(second_, seconds).c_str());
    }
    gaps_before_ = gaps_.gaps;
    gaps_.update_median();
    second_ = {};
    second_started_ = now;
    while (next_line_ <= now) next_line_ += LINE_EVERY;
}

void StatsOutput::sum_up(const WatchEnd&) {
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    std::string gaps = "  gaps " + std::to_string(gaps_.gaps);
    if (gaps_.gaps > 0) {
        char longest[96];
        std::snprintf(longest, sizeof longest, ", the longest %.1f ms at ", gaps_.longest_ms);
        gaps += longest + local_time_text(static_cast<uint64_t>(gaps_.longest_at_us) * 1000);
    }
    log_info("stats: %" PRIu64 " reports in %.1f s, %s%s%s\n", whole_.reports, seconds,
             span_text(whole_, seconds).c_str(), gaps.c_str(), tail_text(whole_, seconds).c_str());
}
