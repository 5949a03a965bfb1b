#include "bench/xvfb_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace agvtest {

namespace {
pid_t serverPid = -1;
}

std::string startXvfb(double timeoutSeconds) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) return "";
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x1024x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    serverPid = pid;
    // Xvfb writes the number and the line feed in two writes: read to the line feed.
    std::string number;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        const ssize_t got = read(fds[0], &c, 1);
        if (got <= 0) break;
        if (c == '\n') {
            close(fds[0]);
            const std::string display = ":" + number;
            setenv("DISPLAY", display.c_str(), 1);
            return display;
        }
        number += c;
    }
    close(fds[0]);
    stopXvfb();
    return "";
}

void stopXvfb() {
    if (serverPid > 0) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
        serverPid = -1;
    }
}

}  // namespace agvtest
