// A state report of the main arm: its record, the buffer its error text
// arrives in (bound when the report is made) and that text as the terminal
// shows it, made safe to print once per report for both the log lines and
// the CSV row. arm_monitor shows each report as one block of log lines:
//
//     [INFO] [1784624703123] state:7 enable:1 grip:0 force:1
//     [INFO] angles:                      (only when the report has angles)
//     [INFO] \t\tangle:0 0.500000\n\n      (each angle followed by an empty line)
//     [INFO] poses:
//     [INFO] \t\tpose:0 0.570429
//     [INFO] error: TEXT\n\n              (only when the error text is not empty)
//
// The values as printf's "%lf" writes them (six decimals; nan, -inf), the
// integers as "%lld", "%u" and "%d" do.
#pragma once

#include <cstddef>
#include <string>

#include "arm.pb.h"
#include "link/frame.h"
#include "proto/text_buffer.h"

struct ArmReport {
    ArmReport();
    ArmReport(const ArmReport&) = delete;
    ArmReport& operator=(const ArmReport&) = delete;

    MainArmStateMsg record{};
    text_buffer error;
    std::string error_shown;  // printable_text() of `error`, "" when it is empty
};

// Check the report frame of `length` bytes and decode it into `report`, so
// that it shows only its own error text; without a line.
Unpacked decode_report(ArmReport& report, const FrameBuffer& frame, size_t length);

// The report's lines, appended to `held` when given, else written at once.
void print_report(const ArmReport& report, std::string* held = nullptr);
