#include "arm/arm_console.h"

#include "arm/arm_tree.h"
#include "report/arm_report.h"

namespace {

using PlainRequest = PlainRecord<MainArmRequestMsg>;

const std::vector<MessageKind> ARM_KINDS = {
    {"--decode", "show the request whose frame (or payload) is HEX, and connect to nothing",
     MainArmRequestMsg_fields, show_as<PlainRequest>, describe_as<PlainRequest>},
    {"--decode-answer", "show the command port's answer whose frame (or payload) is HEX",
     MainArmResponseMsg_fields, show_as<ArmReply>, describe_as<ArmReply>},
    {"--decode-report", "show the report port's report whose frame (or payload) is HEX",
     MainArmStateMsg_fields, show_as<ArmReport>, describe_as<ArmReport>}};

}  // namespace

const OneShotConsole<MainArmRequestMsg, ArmReply> ARM_CONSOLE{
    console_form("arm_console", ARM_DEFAULT_ADDRESS, 8007, ARM_KINDS),
    &rootMenu,
    MainArmRequestMsg_fields,
    ARM_FRAME,
    unpack_arm_reply,
    print_arm_reply,
    arm_reply_reports_error,
    MainArmResponseMsg_fields,
    ARM_KINDS};
