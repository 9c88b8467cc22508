#include "arm/arm_console.h"

#include "arm.pb.h"
#include "arm/arm_reply.h"
#include "arm/arm_tree.h"
#include "console/exit_status.h"
#include "link/frame_exchange.h"

int run_arm_console(int link, const MainArmRequestMsg* typed) {
    MainArmRequestMsg request{};
    if (typed != nullptr) {
        request = *typed;
    } else {
        rootMenu.run(request);
        if (input_ended()) return STATUS_INPUT_ENDED;
    }

    MainArmResponseMsg response;
    prepare_arm_reply(response);
    if (!exchange_request(link, MainArmRequestMsg_fields, &request, MainArmResponseMsg_fields,
                          &response, ARM_FRAME)) {
        return STATUS_EXCHANGE_FAILED;
    }
    print_arm_reply(response);
    return STATUS_OK;
}
