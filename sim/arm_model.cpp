#include "sim/arm_model.h"

#include <cmath>
#include <cstring>

#include "console/log.h"
#include "prototext/text_writer.h"

// The arm has six joints, and a report holds six angles and six poses (arm.options).
static_assert(sizeof(AnglesMsg::angle) / sizeof(double) == 6, "a report holds six angles");
static_assert(sizeof(MainArmStateMsg::poses) / sizeof(double) == 6, "a report holds six poses");

namespace {

const char ARM_SIM_ID[] = "VOSTREL-SIM-ARM-0001";

std::string vector_text(const Vector3Msg& v) {
    char text[96];
    std::snprintf(text, sizeof text, "(%g, %g, %g)", v.x, v.y, v.z);
    return text;
}

std::string angles_text(const double* angles, size_t count) {
    std::string text = "[";
    for (size_t i = 0; i < count; ++i) {
        char one[32];
        std::snprintf(one, sizeof one, "%s%g", i ? ", " : "", angles[i]);
        text += one;
    }
    return text + "]";
}

void set_flag(bool& kept, bool wanted, const char* name) {
    if (kept != wanted) log_info("changed: %s: %d -> %d\n", name, kept, wanted);
    kept = wanted;
}

// Apply one command; "" when accepted, otherwise why not.
std::string apply(ArmState& s, const MainArmRequestMsg& r) {
    const auto& p = r.payload;
    switch (r.req_type) {
        case GET_ID:
            return "";
        case INIT:
            set_flag(s.initialised, true, "initialised");
            return "";
        case ARM_ENABLE:
            if (r.which_payload != MainArmRequestMsg_enable_tag)
                return "ARM_ENABLE needs the enable flag";
            set_flag(s.enable, p.enable, "enable");
            return "";
        case OPEN_FORCE:
            if (r.which_payload != MainArmRequestMsg_force_feedback_tag) {
                return "OPEN_FORCE needs the force_feedback flag";
            }
            set_flag(s.force_feedback, p.force_feedback, "force feedback");
            return "";
        case SYNC_MAIN_ARM: {
            size_t count =
                r.which_payload == MainArmRequestMsg_angles_tag ? p.angles.angle_count : 0;
            if (count != 6) return "SYNC_MAIN_ARM needs six angles, got " + std::to_string(count);
            log_info("changed: angles: %s -> %s\n", angles_text(s.angles, 6).c_str(),
                     angles_text(p.angles.angle, 6).c_str());
            for (int i = 0; i < 6; ++i) s.angles[i] = p.angles.angle[i];
            return "";
        }
        case SEND_FORCE:
            if (r.which_payload != MainArmRequestMsg_force_torque_tag ||
                !p.force_torque.has_force || !p.force_torque.has_torque) {
                return "SEND_FORCE needs both force and torque";
            }
            s.force = p.force_torque.force;
            s.torque = p.force_torque.torque;
            log_info("changed: force %s torque %s\n", vector_text(s.force).c_str(),
                     vector_text(s.torque).c_str());
            return "";
        case SYNC_TS:
            return "";
        case SET_ZERO:
            log_info("changed: angles: %s -> zero\n", angles_text(s.angles, 6).c_str());
            for (double& a : s.angles) a = 0;
            return "";
        case REQ_NONE:
            return "no request type";
        default:
            return "unknown request type " + std::to_string(r.req_type);
    }
}

// The request on one line of the text format, which arm_console --request reads back.
std::string describe(const MainArmRequestMsg& r) {
    std::string text = message_text(MainArmRequestMsg_fields, &r);
    return text.empty() ? "(empty request)" : text;
}

// The six poses for these joint angles.
void compute_poses(const double a[6], double poses[6]) {
    const double L1 = 0.30, L2 = 0.25, L3 = 0.10;
    double shoulder = a[1], elbow = a[1] + a[2], wrist = a[1] + a[2] + a[3];
    double reach = L1 * std::cos(shoulder) + L2 * std::cos(elbow) + L3 * std::cos(wrist);
    poses[0] = reach * std::cos(a[0]);
    poses[1] = reach * std::sin(a[0]);
    poses[2] = L1 * std::sin(shoulder) + L2 * std::sin(elbow) + L3 * std::sin(wrist);
    poses[3] = a[5];
    poses[4] = wrist;
    poses[5] = a[0] + a[4];
}

}  // namespace

ArmAnswer answer_command(ArmState& state, const MainArmRequestMsg& request, int64_t now_ms) {
    log_info("command: %s\n", describe(request).c_str());
    ArmAnswer answer;
    answer.response.req_type = request.req_type;
    answer.response.timestamp = now_ms;
    answer.error = apply(state, request);
    if (request.req_type == GET_ID && answer.error.empty()) {
        answer.response.which_result = MainArmResponseMsg_id_tag;
        std::strncpy(answer.response.result.id, ARM_SIM_ID, sizeof answer.response.result.id - 1);
    } else {
        answer.response.which_result = MainArmResponseMsg_success_tag;
        answer.response.result.success = answer.error.empty();
    }
    if (request.req_type == SYNC_TS) {
        log_info("clock: console %lld ms, arm %lld ms (difference %lld ms)\n",
                 static_cast<long long>(request.timestamp), static_cast<long long>(now_ms),
                 static_cast<long long>(now_ms - request.timestamp));
    }
    if (!answer.error.empty()) log_error("refused: %s\n", answer.error.c_str());
    return answer;
}

ArmAnswer answer_undecodable(int64_t now_ms) {
    ArmAnswer answer;
    answer.response.timestamp = now_ms;
    answer.response.which_result = MainArmResponseMsg_success_tag;
    answer.response.result.success = false;
    answer.error = "undecodable request";
    return answer;
}

MainArmStateMsg make_report(const ArmState& state, int64_t now_ms, bool wave) {
    MainArmStateMsg report{};
    report.has_angles = true;
    report.angles.angle_count = 6;
    for (int i = 0; i < 6; ++i) {
        // Joint i swings 0.5 rad about its angle, once every 3 + i seconds.
        const double swing =
            wave ? 0.5 * std::sin(2 * M_PI * static_cast<double>(now_ms) / (1000.0 * (3 + i))) : 0;
        report.angles.angle[i] = state.angles[i] + swing;
    }
    report.poses_count = 6;
    compute_poses(report.angles.angle, report.poses);
    report.timestamp = now_ms;
    report.grip = state.grip;
    report.enable = state.enable;
    report.state =
        (state.initialised ? 1u : 0u) | (state.enable ? 2u : 0u) | (state.force_feedback ? 4u : 0u);
    report.force = state.force_feedback;
    return report;
}
