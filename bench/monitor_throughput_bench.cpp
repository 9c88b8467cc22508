// How many state reports per second arm_monitor takes off a loopback link and
// prints (to /dev/null): a peer writes REPORTS full reports as fast as it can.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "arm.pb.h"
#include "runtime/frame.h"

int main(int argc, char** argv) {
    const int REPORTS = 100000;
    std::string monitor = argc > 1 ? argv[1] : "build/bin/arm_monitor";

    MainArmStateMsg report{};
    report.has_angles = true;
    report.angles.angle_count = 6;
    report.poses_count = 6;
    for (int i = 0; i < 6; ++i) report.angles.angle[i] = report.poses[i] = 0.125 * i;
    report.timestamp = 1784624703123;
    FrameBuffer frame{};
    int length =
        static_cast<int>(encode_frame(MainArmStateMsg_fields, &report, ARM_FRAME, frame).length);
    std::string stream;
    for (int i = 0; i < REPORTS; ++i) stream.append(reinterpret_cast<char*>(frame.data()), length);

    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    socklen_t size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::string port = std::to_string(ntohs(address.sin_port));

    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null_output = open("/dev/null", O_WRONLY);
        dup2(null_output, STDOUT_FILENO);
        execl(monitor.c_str(), monitor.c_str(), "127.0.0.1", port.c_str(), nullptr);
        _exit(121);
    }
    int client = accept(listener, nullptr, nullptr);
    char request[4];
    if (read(client, request, sizeof request) != 4) return 1;
    for (size_t sent = 0; sent < stream.size();) {
        ssize_t n = write(client, stream.data() + sent, stream.size() - sent);
        if (n <= 0) return 1;
        sent += static_cast<size_t>(n);
    }
    close(client);
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("arm_monitor: %d reports of %d bytes in %.2f s: %.0f reports/s (exit %d)\n",
                REPORTS, length, seconds, REPORTS / seconds, WEXITSTATUS(status));
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
