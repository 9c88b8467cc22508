#include "board/board_tree.h"

#include "proto/board_labels.h"

namespace {

using Request = CleaningComponentRequest;

const char DUTY_PROMPT[] = "占空比: 0-100 (请输入整数)";

std::vector<Option<int32_t>> direction_options() {
    return {{"电机停止", MOTOR_STOP}, {"电机正转", MOTOR_FORWARD}, {"电机反转", MOTOR_REVERSE}};
}

// The outlet list follows the motor dialog: shown only when the dialog left a
// non-zero duty; otherwise no outlet is selected.
void select_outlet(MotorSelectCommand& command, const char* outlet) {
    if (command.drive.duty == 0) {
        command.select_mask = SELECT_NONE;
        return;
    }
    std::string name = outlet;
    command.select_mask = static_cast<uint32_t>(select_option<int32_t>({{"None", SELECT_NONE},
                                                                        {name + "1", SELECT_1},
                                                                        {name + "2", SELECT_2},
                                                                        {name + "3", SELECT_3}}));
}

void run_select_command(MotorSelectCommand& command, const Menu<MotorCommand>& dialog,
                        const char* outlet) {
    command.has_drive = true;
    dialog.run(command.drive);
    select_outlet(command, outlet);
}

Menu<Request> platform_entry(const char* title, int32_t command) {
    return Menu<Request>(title, [command](Request& r) { r.platform_cmd = command; });
}

// The light dialog: mode list, rgb and period prompts.
const Menu<LedBaseCommand> led_ctrl("灯光指令", [](LedBaseCommand& l) {
    l.mode = static_cast<uint32_t>(select_option<int32_t>({{"关灯", LED_OFF},
                                                           {"常亮", LED_STEADY},
                                                           {"呼吸", LED_BREATHING},
                                                           {"闪烁", LED_BLINKING},
                                                           {"流水", LED_FLOWING}}));
    l.rgb = read_number<uint32_t>("rgb值(整数)");
    l.period_ms = read_number<uint32_t>("灯效毫秒周期(整数)");
});

// One entry of the light menu: marks its light present and runs the light dialog on it.
template <bool LedGroupCommand::*present, LedBaseCommand LedGroupCommand::*light>
Menu<Request> light_entry(const char* title) {
    return Menu<Request>(title, [](Request& r) {
        r.leds.*present = true;
        led_ctrl.run(r.leds.*light);
    });
}

const Menu<MotorCommand> motor_ctrl_dir_io("电机控制", [](MotorCommand& m) {
    m.direction = select_option(direction_options());
    m.duty = m.direction != MOTOR_STOP ? 100 : 0;
});

const Menu<MotorCommand> motor_ctrl_single("电机控制", [](MotorCommand& m) {
    m.duty = read_number<int32_t>(DUTY_PROMPT);
    m.direction = m.duty != 0 ? MOTOR_FORWARD : MOTOR_STOP;
});

const Menu<MotorCommand> motor_ctrl_dir_pwm("电机控制", [](MotorCommand& m) {
    m.direction = select_option(direction_options());
    if (m.direction != MOTOR_STOP) m.duty = read_number<int32_t>(DUTY_PROMPT);
});

const Menu<Request> platform("平台命令", [](Request&) {},
                             {platform_entry("获取固件版本", GET_FIRMWARE_VERSION),
                              platform_entry("软重启单片机", SOFT_REBOOT_MCU),
                              platform_entry("测试接口(请勿调用)", TEST_INTERFACE),
                              platform_entry("关闭系统电源", SHUTDOWN_SYSTEM_POWER)});

const Menu<Request> power("电源控制", [](Request& r) {
    r.has_power_cmd = true;
    std::vector<Option<int32_t>> rails;
    for (const RailLabel& rail : RAIL_LABELS) rails.push_back({rail.label, rail.channel});
    r.power_cmd.channel = static_cast<uint32_t>(select_option(rails));
    r.power_cmd.on_off =
        static_cast<uint32_t>(select_option<int32_t>({{"开启", POWER_ON}, {"关闭", POWER_OFF}}));
});

const Menu<Request> wheel("底盘控制", [](Request& r) {
    r.has_chassis = true;
    r.chassis.cmd =
        static_cast<uint32_t>(select_option<int32_t>({{"轮毂断电", HUB_POWER_OFF},
                                                      {"轮毂上电", HUB_POWER_ON},
                                                      {"锁车", LOCK},
                                                      {"解锁", UNLOCK},
                                                      {"屏蔽碰撞条刹车", MASK_BUMPER_BRAKE},
                                                      {"屏蔽所有刹车", MASK_ALL_BRAKES}}));
});

const Menu<Request> motor("选择电机", [](Request& r) { r.has_motors = true; },
                          {Menu<Request>("相机遮罩",
                                         [](Request& r) {
                                             r.motors.has_camera_cover = true;
                                             motor_ctrl_dir_io.run(r.motors.camera_cover);
                                         }),
                           Menu<Request>("末端喷水",
                                         [](Request& r) {
                                             r.has_water = true;
                                             r.water.has_end_spray = true;
                                             motor_ctrl_single.run(r.water.end_spray);
                                         }),
                           Menu<Request>("工具箱供水",
                                         [](Request& r) {
                                             r.has_water = true;
                                             r.water.has_toolbox_supply = true;
                                             run_select_command(r.water.toolbox_supply,
                                                                motor_ctrl_single, "阀");
                                         }),
                           Menu<Request>("工具箱排水",
                                         [](Request& r) {
                                             r.has_water = true;
                                             r.water.has_toolbox_drain = true;
                                             run_select_command(r.water.toolbox_drain,
                                                                motor_ctrl_single, "阀");
                                         }),
                           Menu<Request>("工具箱电机", [](Request& r) {
                               r.motors.has_toolbox_motor = true;
                               run_select_command(r.motors.toolbox_motor, motor_ctrl_dir_pwm, "槽");
                           })});

const Menu<Request> led(
    "灯光控制", [](Request& r) { r.has_leds = true; },
    {light_entry<&LedGroupCommand::has_left, &LedGroupCommand::left>("左灯"),
     light_entry<&LedGroupCommand::has_right, &LedGroupCommand::right>("右灯"),
     light_entry<&LedGroupCommand::has_top, &LedGroupCommand::top>("上灯"),
     light_entry<&LedGroupCommand::has_fill, &LedGroupCommand::fill>("补光灯"),
     light_entry<&LedGroupCommand::has_front, &LedGroupCommand::front>("前向灯"),
     light_entry<&LedGroupCommand::has_rear, &LedGroupCommand::rear>("后向灯")});

}  // namespace

const Menu<Request> board_root_menu("选择操作:\n",
                                    std::vector<Menu<Request>>{platform, power, wheel, motor, led});
