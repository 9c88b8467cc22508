#include "prototext/board_request_text.h"

#include "prototext/text_writer.h"

bool has_unused_fields(const CleaningComponentRequest& r) {
    return r.spare_1 != 0 || r.has_motor_3 || r.has_motor_4 || r.has_motor_5 || r.has_motor_6 ||
           r.has_motor_7 || r.has_motor_8 || r.has_motor_9 || r.has_motor_10 || r.has_motor_11 ||
           r.has_motor_12 || r.has_motor_13 || r.has_spare_14 || r.has_spare_15 || r.has_motor_17 ||
           r.has_motor_19 || r.has_motor_20;
}

std::string describe_request(const CleaningComponentRequest& r) {
    std::string text = message_text(CleaningComponentRequest_fields, &r);
    if (text.empty()) return "(empty request)";
    if (has_unused_fields(r)) text += " # with fields no console sends";
    return text;
}
