#include "arm/report_csv.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "console/number_text.h"
#include "console/printable_text.h"

const char REPORT_CSV_HEADER[] =
    "receive_time_us,timestamp,state,enable,grip,force,"
    "angle_0,angle_1,angle_2,angle_3,angle_4,angle_5,"
    "pose_0,pose_1,pose_2,pose_3,pose_4,pose_5,error\n";

namespace {

// Room for a row without its error text: three 20-digit numbers, three
// flags, twelve doubles of at most 24 characters, and the commas.
constexpr size_t ROW_LIMIT = 3 * 21 + 3 * 2 + 12 * 25 + 2;

char* write_shortest(char* at, double value) {
    if (std::isnan(value)) return static_cast<char*>(std::memcpy(at, "NaN", 3)) + 3;
    if (std::isinf(value)) {
        return value < 0 ? static_cast<char*>(std::memcpy(at, "-Inf", 4)) + 4
                         : static_cast<char*>(std::memcpy(at, "Inf", 3)) + 3;
    }
    return std::to_chars(at, at + 25, value).ptr;
}

// Six cells: the values there are, then empty ones.
char* write_six(char* at, const double* values, size_t count) {
    for (size_t i = 0; i < 6; ++i) {
        *at++ = ',';
        if (i < count) at = write_shortest(at, values[i]);
    }
    return at;
}

// The text as the terminal line shows it (no line break, no control
// character, valid UTF-8), quoted when it holds a comma or a quote.
void append_error_cell(std::string& text, const char* error) {
    const std::string shown = printable_text(error);
    if (shown.find_first_of(",\"") == std::string::npos) {
        text += shown;
        return;
    }
    text += '"';
    for (char c : shown) {
        if (c == '"') text += '"';
        text += c;
    }
    text += '"';
}

}  // namespace

void append_shortest(std::string& text, double value) {
    char digits[32];
    text.append(digits, static_cast<size_t>(write_shortest(digits, value) - digits));
}

void append_report_row(std::string& text, const MainArmStateMsg& report, const char* error,
                       int64_t received_us) {
    char row[ROW_LIMIT];
    char* at = row;
    at += write_decimal(at, received_us);
    *at++ = ',';
    at += write_decimal(at, report.timestamp);
    *at++ = ',';
    at += write_decimal(at, report.state);
    *at++ = ',';
    *at++ = report.enable ? '1' : '0';
    *at++ = ',';
    *at++ = report.grip ? '1' : '0';
    *at++ = ',';
    *at++ = report.force ? '1' : '0';
    at = write_six(at, report.angles.angle, report.has_angles ? report.angles.angle_count : 0);
    at = write_six(at, report.poses, report.poses_count);
    *at++ = ',';
    text.append(row, static_cast<size_t>(at - row));
    if (error[0] != '\0') append_error_cell(text, error);
    text += '\n';
}
