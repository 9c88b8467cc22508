#include "link/connection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "console/interrupt.h"
#include "console/log.h"
#include "console/program_start.h"
#include "link/link_timeout.h"

const char* const BOARD_DEFAULT_ADDRESS = "192.168.1.10";
const char* const ARM_DEFAULT_ADDRESS = "192.168.1.20";

int connect_to_server(const CommandLine& command_line) {
    log_info("server: %s port: %d\n", command_line.server_address.c_str(),
             command_line.server_port);
    int link = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (link < 0) {
        log_error("%s\n", "socket creation failed...");
        return -1;
    }
    log_info("%s\n", "Socket successfully created..");
    timeval timeout = {LINK_TIMEOUT_SECONDS, 0};
    if (setsockopt(link, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) {
        std::perror("setsockopt failed for SO_RCVTIMEO");
        close(link);
        return -1;
    }
    if (setsockopt(link, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) != 0) {
        std::perror("setsockopt failed for SO_SNDTIMEO");
        close(link);
        return -1;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(command_line.server_port));
    address.sin_addr.s_addr = inet_addr(command_line.server_address.c_str());
    if (connect(link, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        write_console("connection with the server failed...\n");
        close(link);
        return -1;
    }
    write_console("connected to the server..\n");
    // Every wait goes through wait_until_ready(): a read or write that does
    // not fails at once (EAGAIN) instead of blocking where no signal reaches.
    fcntl(link, F_SETFL, fcntl(link, F_GETFL) | O_NONBLOCK);
    return link;
}

ToolStart start_tool(int argc, const char* const* argv, const CommandLineForm& form,
                     const char* build_date) {
    ToolStart start;
    start.command_line = begin_program(argc, argv, form, build_date);
    if (!start.command_line.proceed) {
        start.status = start.command_line.status;
        return start;
    }
    start.link = connect_to_server(start.command_line);
    if (start.link < 0) start.status = STATUS_LINK_FAILED;
    return start;
}
