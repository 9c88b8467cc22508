#include "sim/board_model.h"

#include <cstring>

#include "console/log.h"
#include "proto/board_labels.h"
#include "prototext/board_request_text.h"
#include "sim/board_words.h"

namespace {

const char BOARD_SIM_VERSION[] = "VOSTREL-SIM signal board 1.0.0";

// A toolbox command as the board keeps it: its drive is always shown.
std::string kept_select_text(MotorSelectCommand command) {
    command.has_drive = true;
    return select_text(command);
}

// Why the request makes no sense to the board ("" when it does).
struct Refusal {
    int32_t code = 0;
    std::string message;
};

Refusal check_motor(const MotorCommand& m, const char* name) {
    if (!is_named(NamedField::DIRECTION, m.direction))
        return {5, std::string("unknown motor direction ") + std::to_string(m.direction) + " for " +
                       name};
    if (m.duty < 0 || m.duty > 100) {
        return {
            5, std::string("duty ") + std::to_string(m.duty) + " of " + name + " is outside 0-100"};
    }
    return {};
}

Refusal check_select(const MotorSelectCommand& s, const char* name) {
    if (!is_named(NamedField::SELECT, s.select_mask))
        return {6, "unknown outlet selection " + std::to_string(s.select_mask) + " for " + name};
    return s.has_drive ? check_motor(s.drive, name) : Refusal{};
}

Refusal check_request(const CleaningComponentRequest& r) {
    bool anything = r.platform_cmd != 0 || r.has_power_cmd || r.has_chassis || r.has_motors ||
                    r.has_water || r.has_leds || has_unused_fields(r);
    if (!anything) return {1, "empty request: no command"};
    if (r.platform_cmd != 0) {
        if (!is_named(NamedField::PLATFORM, r.platform_cmd))
            return {2, "unknown platform command " + std::to_string(r.platform_cmd)};
    }
    if (r.has_power_cmd) {
        if (!is_named(NamedField::CHANNEL, r.power_cmd.channel))
            return {3, "unknown power rail " + std::to_string(r.power_cmd.channel)};
        if (!is_named(NamedField::SWITCH, r.power_cmd.on_off))
            return {3, "unknown power switch " + std::to_string(r.power_cmd.on_off)};
    }
    if (r.has_chassis) {
        if (!is_named(NamedField::CHASSIS, r.chassis.cmd))
            return {4, "unknown chassis command " + std::to_string(r.chassis.cmd)};
    }
    Refusal refusal;
    if (r.motors.has_camera_cover) refusal = check_motor(r.motors.camera_cover, "camera cover");
    if (refusal.code == 0 && r.motors.has_toolbox_motor)
        refusal = check_select(r.motors.toolbox_motor, "toolbox motor");
    if (refusal.code == 0 && r.water.has_end_spray)
        refusal = check_motor(r.water.end_spray, "end spray");
    if (refusal.code == 0 && r.water.has_toolbox_supply)
        refusal = check_select(r.water.toolbox_supply, "toolbox supply");
    if (refusal.code == 0 && r.water.has_toolbox_drain)
        refusal = check_select(r.water.toolbox_drain, "toolbox drain");
    if (refusal.code != 0) return refusal;
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (!r.has_leds || !light_present(r.leds, i)) continue;
        if (!is_named(NamedField::LIGHT_MODE, light_of(r.leds, i).mode)) {
            return {7, "unknown light mode " + std::to_string(light_of(r.leds, i).mode) + " for " +
                           LIGHT_NAMES[i]};
        }
    }
    if (r.platform_cmd == TEST_INTERFACE)
        return {8, "test interface: nothing to test on this board"};
    return {};
}

void change(const std::string& what, const std::string& before, const std::string& after) {
    if (before != after)
        log_info("changed: %s: %s -> %s\n", what.c_str(), before.c_str(), after.c_str());
}

void set_motor(MotorCommand& kept, const MotorCommand& wanted, const char* name) {
    change(name, motor_text(kept), motor_text(wanted));
    kept = wanted;
}

void set_select(MotorSelectCommand& kept, const MotorSelectCommand& wanted, const char* name) {
    change(name, kept_select_text(kept), kept_select_text(wanted));
    kept = wanted;
}

void set_flag(bool& kept, bool wanted, const char* name) {
    change(name, kept ? "yes" : "no", wanted ? "yes" : "no");
    kept = wanted;
}

void apply_chassis(BoardState& s, uint32_t cmd) {
    switch (cmd) {
        case UNLOCK:
            set_flag(s.locked, false, "chassis locked");
            break;
        case LOCK:
            set_flag(s.locked, true, "chassis locked");
            break;
        case HUB_POWER_OFF:
            set_flag(s.hubs_powered, false, "wheel hubs powered");
            break;
        case HUB_POWER_ON:
            set_flag(s.hubs_powered, true, "wheel hubs powered");
            break;
        case MASK_BUMPER_BRAKE:
            set_flag(s.bumper_brake_masked, true, "bumper-strip brake masked");
            break;
        case MASK_ALL_BRAKES:
            set_flag(s.all_brakes_masked, true, "all brakes masked");
            break;
        default:
            break;
    }
}

void apply_platform(BoardState& s, int32_t cmd) {
    if (cmd == SOFT_REBOOT_MCU) {
        log_info("%s\n", "soft reboot: the board starts afresh");
        int32_t answers = s.answers;
        s = initial_board_state();
        s.answers = answers;
    } else if (cmd == SHUTDOWN_SYSTEM_POWER) {
        for (auto& rail : s.rails) {
            change(std::string("rail ") + rail_label(rail.first), rail.second ? "on" : "off",
                   "off");
            rail.second = false;
        }
    }
}

void apply_request(BoardState& s, const CleaningComponentRequest& r) {
    apply_platform(s, r.platform_cmd);
    if (r.has_power_cmd) {
        bool& rail = s.rails[r.power_cmd.channel];
        bool on = r.power_cmd.on_off == POWER_ON;
        change(std::string("rail ") + rail_label(r.power_cmd.channel), rail ? "on" : "off",
               on ? "on" : "off");
        rail = on;
    }
    if (r.has_chassis) apply_chassis(s, r.chassis.cmd);
    if (r.motors.has_camera_cover) set_motor(s.camera_cover, r.motors.camera_cover, "camera cover");
    if (r.motors.has_toolbox_motor)
        set_select(s.toolbox_motor, r.motors.toolbox_motor, "toolbox motor");
    if (r.water.has_end_spray) set_motor(s.end_spray, r.water.end_spray, "end spray");
    if (r.water.has_toolbox_supply)
        set_select(s.toolbox_supply, r.water.toolbox_supply, "toolbox supply");
    if (r.water.has_toolbox_drain)
        set_select(s.toolbox_drain, r.water.toolbox_drain, "toolbox drain");
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (!r.has_leds || !light_present(r.leds, i)) continue;
        const LedBaseCommand& wanted = light_of(r.leds, i);
        change(std::string("light ") + LIGHT_NAMES[i], light_text(s.lights[i]), light_text(wanted));
        s.lights[i] = wanted;
    }
}

}  // namespace

BoardState initial_board_state() {
    BoardState s;
    s.rails = {{POWER_WHOLE_MACHINE, true},
               {POWER_CHASSIS, true},
               {POWER_HUB, true},
               {POWER_ARM, false},
               {POWER_END_TOOL, false}};
    return s;
}

BoardAnswer answer_request(BoardState& state, const CleaningComponentRequest& request) {
    BoardAnswer answer;
    answer.resp_id = ++state.answers;
    Refusal refusal = check_request(request);
    if (refusal.code != 0) {
        log_error("refused (code %d): %s\n", refusal.code, refusal.message.c_str());
        answer.has_error = true;
        answer.code = refusal.code;
        answer.message = refusal.message;
        return answer;
    }
    apply_request(state, request);
    if (request.platform_cmd == GET_FIRMWARE_VERSION) {
        answer.has_version = true;
        answer.version = BOARD_SIM_VERSION;
    }
    return answer;
}

BoardAnswer answer_undecodable(BoardState& state) {
    BoardAnswer answer;
    answer.resp_id = ++state.answers;
    answer.has_error = true;
    answer.code = 9;
    answer.message = "undecodable request";
    return answer;
}
