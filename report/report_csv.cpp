#include "report/report_csv.h"

#include <cmath>

#include "console/number_text.h"

const char REPORT_CSV_HEADER[] =
    "receive_time_us,timestamp,state,enable,grip,force,"
    "angle_0,angle_1,angle_2,angle_3,angle_4,angle_5,"
    "pose_0,pose_1,pose_2,pose_3,pose_4,pose_5,error\n";

namespace {

constexpr size_t COLUMNS_OF_EACH = 6;
static_assert(sizeof(AnglesMsg::angle) / sizeof(double) == COLUMNS_OF_EACH,
              "the CSV has a column for each angle a report can hold (arm.options)");
static_assert(sizeof(MainArmStateMsg::poses) / sizeof(double) == COLUMNS_OF_EACH,
              "the CSV has a column for each pose a report can hold (arm.options)");

void append_cell(std::string& text, double value) {
    if (std::isnan(value)) {
        text += "NaN";
    } else if (std::isinf(value)) {
        text += value < 0 ? "-Inf" : "Inf";
    } else {
        append_shortest(text, value);
    }
}

// The six cells: the values there are, then empty ones.
void append_six(std::string& text, const double* values, size_t count) {
    for (size_t i = 0; i < COLUMNS_OF_EACH; ++i) {
        text += ',';
        if (i < count) append_cell(text, values[i]);
    }
}

// The text as the terminal line shows it, quoted when it holds a comma or a quote.
void append_error_cell(std::string& text, const std::string& shown) {
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

void append_report_row(std::string& text, const ArmReport& report, int64_t received_us) {
    const MainArmStateMsg& r = report.record;
    append_integer(text, received_us);
    text += ',';
    append_integer(text, r.timestamp);
    text += ',';
    append_integer(text, r.state);
    text += r.enable ? ",1" : ",0";
    text += r.grip ? ",1" : ",0";
    text += r.force ? ",1" : ",0";
    append_six(text, r.angles.angle, r.has_angles ? r.angles.angle_count : 0);
    append_six(text, r.poses, r.poses_count);
    text += ',';
    append_error_cell(text, report.error_shown);
    text += '\n';
}
