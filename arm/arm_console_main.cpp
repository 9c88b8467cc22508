#include <unistd.h>

#include "arm.pb.h"
#include "arm/arm_console.h"
#include "link/connection.h"
#include "link/typed_request.h"

int main(int argc, char** argv) {
    MainArmRequestMsg request{};
    ConsoleStart start = start_console(
        argc, argv, {"arm_console", ARM_DEFAULT_ADDRESS, 8007, {}, {REQUEST_OPTION, ENCODE_OPTION}},
        __DATE__, MainArmRequestMsg_fields, &request, ARM_FRAME);
    if (start.link < 0) return start.status;
    int status = run_arm_console(start.link, start.typed ? &request : nullptr);
    close(start.link);
    return status;
}
