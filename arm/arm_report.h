// A state report of the main arm as arm_monitor shows it: one block of log
// lines per report.
//
//     [INFO] [1784624703123] state:7 enable:1 grip:0 force:1
//     [INFO] angles:                      (only when the report has angles)
//     [INFO] \t\tangle:0 0.500000\n\n      (each angle followed by an empty line)
//     [INFO] poses:
//     [INFO] \t\tpose:0 0.570429
//     [INFO] error: TEXT\n\n              (only when the error text is not empty)
//
// The error text arrives through the text callback into a static text_buffer,
// emptied before every decode so that each report shows only its own text.
#pragma once

#include <string>

#include "arm.pb.h"
#include "proto/text_buffer.h"

// Clear `report`, bind its error text to its text_buffer and empty that.
void prepare_report(MainArmStateMsg& report);

// The error text of the report decoded last.
const text_buffer& report_error_text();

// The report's lines, appended to `text` exactly as log_info() would form
// them (printf's "%lf" included), but several times faster.
void append_report(std::string& text, const MainArmStateMsg& report);

// Log the report's lines.
void print_report(const MainArmStateMsg& report);
