#include "arm/arm_tree.h"

#include "link/wall_clock.h"

namespace {

using Request = MainArmRequestMsg;

// The menu asks for six joint angles: the most a request holds (arm.options).
static_assert(sizeof(AnglesMsg::angle) / sizeof(double) == 6, "a request holds six angles");

Menu<Request> plain_request(const char* title, ReqType type) {
    return Menu<Request>(title, [type](Request& r) { r.req_type = type; });
}

void read_vector(Vector3Msg& vector, const char* name) {
    vector.x = read_number<double>(std::string("input ") + name + ".x\n");
    vector.y = read_number<double>(std::string("input ") + name + ".y\n");
    vector.z = read_number<double>(std::string("input ") + name + ".z\n");
}

const Menu<Request> arm_enable("主臂使能控制", [](Request& r) {
    r.req_type = ARM_ENABLE;
    r.which_payload = MainArmRequestMsg_enable_tag;
    r.payload.enable = select_option<bool>({{"失能", false}, {"使能", true}});
});

const Menu<Request> open_force("开启力反馈", [](Request& r) {
    r.req_type = OPEN_FORCE;
    r.which_payload = MainArmRequestMsg_force_feedback_tag;
    r.payload.force_feedback = select_option<bool>({{"关闭", false}, {"开启", true}});
});

const Menu<Request> sync_main_arm("同步主臂", [](Request& r) {
    r.req_type = SYNC_MAIN_ARM;
    r.which_payload = MainArmRequestMsg_angles_tag;
    r.payload.angles.angle_count = 6;
    for (int k = 0; k < 6; ++k) {
        r.payload.angles.angle[k] = read_number<double>("input angle " + std::to_string(k) + "\n");
    }
});

const Menu<Request> send_force("发送力矩", [](Request& r) {
    r.req_type = SEND_FORCE;
    r.which_payload = MainArmRequestMsg_force_torque_tag;
    ForceTorqueMsg& force_torque = r.payload.force_torque;
    force_torque.timestamp = 0;
    force_torque.has_torque = true;
    force_torque.has_force = true;
    read_vector(force_torque.torque, "Torque");
    read_vector(force_torque.force, "Force");
});

const Menu<Request> sync_ts("同步时间戳", [](Request& r) {
    r.req_type = SYNC_TS;
    r.timestamp = wall_clock_milliseconds();
});

}  // namespace

const Menu<Request> rootMenu("遥操主臂:\n", [](Request&) {},
                             {plain_request("获取主臂ID", GET_ID),
                              plain_request("主臂初始化", INIT), arm_enable, open_force,
                              sync_main_arm, send_force, sync_ts,
                              plain_request("主臂设0(不要轻易设0)", SET_ZERO)});
