#include "tests/support/arm_reports.h"

#include <cmath>
#include <cstring>

#include "link/frame.h"
#include "proto/text_buffer.h"
#include "tests/support/bytes.h"

std::string report_frame(const std::function<void(MainArmStateMsg&)>& fill, const char* error) {
    text_buffer error_text;
    set_text(error_text, error);
    MainArmStateMsg report{};
    fill(report);
    if (error[0] != '\0') bind_text_to_send(report.error, error_text);
    FrameBuffer frame{};
    FrameResult encoded = encode_frame(MainArmStateMsg_fields, &report, ARM_FRAME, frame);
    return std::string(reinterpret_cast<const char*>(frame.data()), encoded.length);
}

std::vector<PeerStep> awkward_reports() {
    return {receive_arm_frame(),
            send_bytes(report_frame(
                [](MainArmStateMsg& r) {
                    r.timestamp = 5;
                    r.state = 2;
                    r.enable = true;
                    r.force = true;
                    r.has_angles = true;
                    r.angles.angle_count = 6;
                    const double angles[6] = {-0.0,          5e-324,   1e308,
                                              -std::nan(""), HUGE_VAL, -HUGE_VAL};
                    std::memcpy(r.angles.angle, angles, sizeof angles);
                    r.poses_count = 3;
                    r.poses[0] = 0.1;
                    r.poses[1] = -2.5;
                    r.poses[2] = 2.2250738585072014e-308;
                },
                "bad, \"very\" bad")),
            send_bytes(report_frame(
                [](MainArmStateMsg& r) {
                    r.poses_count = 6;
                    for (int i = 0; i < 6; ++i) r.poses[i] = i + 1;
                },
                "line1\nline2")),
            send_bytes(report_frame([](MainArmStateMsg& r) { r.timestamp = 6; },
                                    "\x1b]0;t\x07 \xff\xfe \xe5\x9b\xba")),
            send_bytes(arm_frame_bytes(bytes_of("12 38") + std::string(56, '\0'))),  // 7 poses
            send_bytes(report_frame([](MainArmStateMsg& r) {
                r.timestamp = 7;
                r.has_angles = true;
            })),
            close_link()};
}
