#include "arm/arm_console.h"

#include "arm/arm_tree.h"

const OneShotConsole<MainArmRequestMsg, ArmReply> ARM_CONSOLE{
    console_form("arm_console", ARM_DEFAULT_ADDRESS, 8007),
    &rootMenu,
    MainArmRequestMsg_fields,
    ARM_FRAME,
    unpack_arm_reply,
    print_arm_reply,
    arm_reply_reports_error};
