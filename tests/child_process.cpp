#include "child_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

void closeFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

// Reads what is ready on fd into text; closes fd at end of output.
void drain(int& fd, std::string& text) {
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
        text.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        closeFd(fd);
    }
}

// Waits up to the given time for output on either pipe and reads it; false
// when both pipes are closed.
bool pumpOutput(Child& child, double seconds) {
    pollfd fds[2] = {{child.outFd, POLLIN, 0}, {child.errFd, POLLIN, 0}};
    if (child.outFd < 0 && child.errFd < 0) return false;
    const int ms = seconds > 0 ? static_cast<int>(seconds * 1000) + 1 : 0;
    if (poll(fds, 2, ms) > 0) {
        if (fds[0].revents != 0) drain(child.outFd, child.out);
        if (fds[1].revents != 0) drain(child.errFd, child.err);
    }
    return true;
}

}  // namespace

double nowSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

Child startChild(const std::vector<std::string>& argv) {
    // A child that stops reading early must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) {
        std::perror("pipe");
        std::abort();
    }
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        signal(SIGPIPE, SIG_DFL);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::perror(args[0]);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    child.inFd = in[1];
    child.outFd = out[0];
    child.errFd = err[0];
    return child;
}

void sendInput(Child& child, const std::string& text, bool close) {
    std::string::size_type done = 0;
    while (done < text.size() && child.inFd >= 0) {
        const ssize_t n = write(child.inFd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the child has closed its input
        done += static_cast<std::string::size_type>(n);
    }
    if (close) closeFd(child.inFd);
}

bool waitForOutput(Child& child, const std::string& text, double seconds,
                   std::string::size_type offset) {
    const double deadline = nowSeconds() + seconds;
    while (child.out.find(text, offset) == std::string::npos) {
        const double left = deadline - nowSeconds();
        if (left <= 0 || !pumpOutput(child, left)) return false;
    }
    return true;
}

ChildResult finishChild(Child& child, double seconds) {
    const double deadline = nowSeconds() + seconds;
    ChildResult result;
    bool exited = false;
    while (!exited && nowSeconds() < deadline) {
        if (!pumpOutput(child, deadline - nowSeconds())) {
            // Output closed: the exit follows.
            exited = waitpid(child.pid, &result.status, WNOHANG) == child.pid;
            if (!exited) usleep(2000);
        }
    }
    if (!exited) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, &result.status, 0);
        result.timedOut = true;
    }
    closeFd(child.inFd);
    closeFd(child.outFd);
    closeFd(child.errFd);
    result.out = child.out;
    result.err = child.err;
    return result;
}

ChildResult runChild(const std::vector<std::string>& argv, const std::string& input,
                     double seconds) {
    Child child = startChild(argv);
    sendInput(child, input, true);
    return finishChild(child, seconds);
}

std::string describeEnd(const ChildResult& result) {
    char text[80];
    if (WIFEXITED(result.status)) {
        std::snprintf(text, sizeof text, "exit %d", WEXITSTATUS(result.status));
    } else if (WIFSIGNALED(result.status)) {
        std::snprintf(text, sizeof text, "killed by signal %d", WTERMSIG(result.status));
    } else {
        std::snprintf(text, sizeof text, "status %#x", result.status);
    }
    return std::string(text) + (result.timedOut ? " (timed out)" : "");
}
