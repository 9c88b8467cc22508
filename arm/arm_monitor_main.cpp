#include <unistd.h>

#include "arm/arm_monitor.h"
#include "arm/csv_file.h"
#include "console/interrupt.h"
#include "console/program_start.h"
#include "link/connection.h"

int main(int argc, char** argv) {
    const CommandLineForm form{
        "arm_monitor",
        ARM_DEFAULT_ADDRESS,
        8006,
        {},
        {{"--csv", "FILE", "also write each report printed as a row of FILE (a new file)", false}}};
    CommandLine command_line = begin_program(argc, argv, form, __DATE__);
    if (!command_line.proceed) return command_line.status;
    CsvFile csv;
    bool with_csv = command_line.has("--csv");
    if (with_csv && !csv.open(command_line.value("--csv"))) return STATUS_RECORD_FILE_FAILED;
    int link = connect_to_server(command_line);
    if (link < 0) {
        if (with_csv) csv.discard();  // nothing was watched: leave no file behind
        return STATUS_LINK_FAILED;
    }
    catch_interrupt();  // so that what is held goes out before the watch ends
    int status = run_arm_monitor(link, with_csv ? &csv : nullptr);
    close(link);
    return status;
}
