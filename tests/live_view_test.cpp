// What arm_monitor --live gathers from the reports and the lines it draws of
// them, and the CSV row of a report: pure parts, from data.
#include "live/live_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "live/live_figures.h"
#include "report/report_csv.h"

namespace {

using std::chrono::milliseconds;

const LiveClock::time_point START{};

void fill(ArmReport& report, int64_t timestamp, double value, int angles, int poses) {
    MainArmStateMsg& r = report.record;
    r.timestamp = timestamp;
    r.state = 7;
    r.enable = r.force = true;
    r.has_angles = angles > 0;
    r.angles.angle_count = static_cast<pb_size_t>(angles);
    r.poses_count = static_cast<pb_size_t>(poses);
    for (int i = 0; i < 6; ++i) r.angles.angle[i] = r.poses[i] = value + i;
}

TEST(LiveFigures, CountRatesGapsRangesAndBadFrames) {
    LiveFigures figures;
    start_figures(figures, START, "127.0.0.1:8006");
    ArmReport report;
    for (int i = 0; i < 30; ++i) {  // 30 reports 10 ms apart, then one 300 ms later
        fill(report, i, i % 2 == 0 ? -1.0 : 1.0, 6, 6);
        count_report(figures, report, START + milliseconds(10 * i));
    }
    fill(report, 99, 0.5, 2, 0);
    count_report(figures, report, START + milliseconds(590));
    count_bad_frame(figures);
    EXPECT_EQ(figures.reports, 31u);
    EXPECT_EQ(figures.bad_frames, 1u);
    EXPECT_DOUBLE_EQ(figures.largest_gap_ms, 300);
    EXPECT_EQ(figures.timestamp, 99);
    EXPECT_EQ(reports_last_second(figures, START + milliseconds(600)), 31u);
    EXPECT_EQ(reports_last_second(figures, START + milliseconds(1500)), 1u);
    EXPECT_EQ(reports_last_second(figures, START + milliseconds(2000)), 0u);
    EXPECT_DOUBLE_EQ(figures.rows[0].least, -1);
    EXPECT_DOUBLE_EQ(figures.rows[0].greatest, 1);
    EXPECT_DOUBLE_EQ(figures.rows[0].latest, 0.5);
    EXPECT_TRUE(figures.rows[1].carried);
    EXPECT_FALSE(figures.rows[2].carried);  // the latest report holds two angles...
    EXPECT_TRUE(figures.rows[2].seen);      // ... but earlier ones held a third
    EXPECT_FALSE(figures.rows[6].carried);
    EXPECT_DOUBLE_EQ(silent_seconds(figures, START + milliseconds(1590)), 1);
}

TEST(LiveFigures, ResetStartsRangesAndTracesAfresh) {
    LiveFigures figures;
    start_figures(figures, START, "peer");
    ArmReport report;
    for (int i = 0; i < 3; ++i) {
        fill(report, i, i * 10.0, 1, 0);
        count_report(figures, report, START + milliseconds(100 * i));
    }
    reset_ranges(figures);
    EXPECT_DOUBLE_EQ(figures.largest_gap_ms, 0);
    EXPECT_DOUBLE_EQ(figures.rows[0].least, 20);
    EXPECT_DOUBLE_EQ(figures.rows[0].greatest, 20);
    EXPECT_FALSE(figures.rows[1].seen);
    // No sample of before the reset is left to draw: the trace is blank.
    const std::vector<std::string> lines =
        view_lines(figures, START + milliseconds(300), {}, 80, false);
    EXPECT_TRUE(std::regex_search(lines[4], std::regex("^angle 0 +20\\.000000 +20\\.000000 +"
                                                       "20\\.000000  +$")))
        << lines[4];
}

TEST(LiveView, LinesOfKnownFigures) {
    LiveFigures figures;
    start_figures(figures, START, "127.0.0.1:8006");
    ArmReport report;
    fill(report, 1784624703123, 0.5, 6, 1);
    set_text(report.error, "");
    count_report(figures, report, START + milliseconds(65000));
    const std::vector<std::string> lines =
        view_lines(figures, START + milliseconds(65010), {}, 80, true);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[0], "arm_monitor --live  127.0.0.1:8006  connected 00:01:05");
    EXPECT_EQ(lines[1], "reports 1  rate 0.0  largest gap 0.0 ms  bad frames 0");
    EXPECT_EQ(lines[2], "timestamp 1784624703123  state 7  enable 1  grip 0  force 1");
    EXPECT_EQ(lines[3], "               latest        least     greatest  last 5 s");
    EXPECT_EQ(lines[4].substr(0, 49), "angle 0      0.500000     0.500000     0.500000  ");
    EXPECT_EQ(lines[4].substr(lines[4].size() - 3), "\u2585");  // a flat trace: mid-height
    EXPECT_EQ(lines[11], "pose 1              -            -            -" + std::string(33, ' '));
    EXPECT_EQ(lines[16], "error: -");
    EXPECT_EQ(lines[17], "keys: q quit  space pause  r reset");
}

TEST(LiveView, PauseAndSilenceStayOnTheFirstLineAtAnyWidth) {
    LiveFigures figures;
    start_figures(figures, START, "127.0.0.1:8006");
    const LiveStatus status{true, 3.7};
    for (int columns : {80, 40, 20}) {
        const std::vector<std::string> lines =
            view_lines(figures, START + milliseconds(3700), status, columns, false);
        EXPECT_EQ(lines[0].substr(lines[0].size() - 29), "  paused  link silent for 3 s");
        EXPECT_LE(lines[0].size(), std::max<size_t>(static_cast<size_t>(columns), 29));
        EXPECT_EQ(lines.back(), "keys: q quit  space resume  r reset");
    }
}

TEST(ReportCsv, RowOfEachKindOfValue) {
    ArmReport report;
    fill(report, -5, 0, 3, 0);
    report.record.angles.angle[0] = -0.0;
    report.record.angles.angle[1] = NAN;
    report.record.angles.angle[2] = -INFINITY;
    report.error_shown = "say \"a,b\"";
    std::string row;
    append_report_row(row, report, 1784624703123456);
    EXPECT_EQ(row, "1784624703123456,-5,7,1,0,1,-0,NaN,-Inf,,,,,,,,,,\"say \"\"a,b\"\"\"\n");
    report.record.has_angles = false;
    report.record.poses_count = 1;
    report.record.poses[0] = 0.1;
    report.error_shown.clear();
    row.clear();
    append_report_row(row, report, 0);
    EXPECT_EQ(row, "0,-5,7,1,0,1,,,,,,,0.1,,,,,,\n");
}

}  // namespace
