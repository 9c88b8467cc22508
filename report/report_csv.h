// arm_monitor's reports as data: with `--csv FILE`, each report printed is
// also one row of FILE, a CSV file (comma-separated, "\n" line ends):
//
//   receive_time_us,timestamp,state,enable,grip,force,angle_0,...,angle_5,pose_0,...,pose_5,error
//   1784624703123456,1784624703123,7,1,0,1,0.5,-1.25,...,0.2500000000000001,,,
//
// - receive_time_us: the host's wall clock when the report's frame was complete,
//   in microseconds since the epoch;
// - the arm's timestamp, state, and enable, grip and force as 0 or 1;
// - the angles and poses in the shortest form that reads back to the same
//   double ("-0", "5e-324", "1e+308"), NaN, Inf and -Inf for the special
//   values, an empty cell where the report carries fewer than six (a report
//   holds at most six of each: the schema's limit, tied to the columns);
// - the error text exactly as the terminal line shows it (each control
//   character and each byte of invalid UTF-8 as "\xNN", see printable_text.h),
//   in quotes (its quotes doubled) when it holds a comma or a quote (RFC 4180).
//   The file is therefore valid UTF-8 and every row is one line.
#pragma once

#include <cstdint>
#include <string>

#include "report/arm_report.h"

extern const char REPORT_CSV_HEADER[];  // the header row, with its line break

// One report's row, with its line break, appended to `text`.
void append_report_row(std::string& text, const ArmReport& report, int64_t received_us);
