// Console dialog on a terminal: one key without Enter and without echo, no
// key taken from what a number entry left, and the terminal settings as they
// were after every way out (normal end, end of input, signals).
//
// dialog_driver runs on a pseudo-terminal. Before typing a key the test waits
// for the prompt and then for the key read's own mode (ICANON off), so that
// nothing depends on timing; every wait is bounded.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "child_process.h"

namespace {

constexpr double kWaitLimit = 10.0;  // [s] for one prompt, one mode change or the exit

class TerminalSession {
  public:
    explicit TerminalSession(const char* keys) {
        int slave = -1;
        if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return;
        tcgetattr(slave, &before_);
        pid_ = fork();
        if (pid_ == 0) {
            login_tty(slave);
            execl(AGV_DIALOG_DRIVER, AGV_DIALOG_DRIVER, keys, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(slave);
    }

    ~TerminalSession() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }

    bool started() const { return master_ >= 0 && pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& transcript() const { return transcript_; }
    // Everything shown since the last prompt waited for.
    std::string sinceLastPrompt() const { return transcript_.substr(seen_); }

    // Reads the terminal until text appears after the last prompt waited for.
    bool waitFor(const std::string& text) {
        const double deadline = nowSeconds() + kWaitLimit;
        for (;;) {
            const auto at = transcript_.find(text, seen_);
            if (at != std::string::npos) {
                seen_ = at + text.size();
                return true;
            }
            if (nowSeconds() > deadline || !readSome(deadline - nowSeconds())) return false;
        }
    }

    // Waits until the program has the terminal in its key-read mode.
    bool waitForKeyMode() {
        const double deadline = nowSeconds() + kWaitLimit;
        termios now{};
        while (tcgetattr(master_, &now) == 0 && (now.c_lflag & ICANON) != 0) {
            if (nowSeconds() > deadline) return false;
            usleep(1000);
        }
        return (now.c_lflag & ICANON) == 0;
    }

    // Waits for the prompt, then for the key-read mode, then types the key.
    bool answerKey(const std::string& prompt, char key) {
        if (!waitFor(prompt) || !waitForKeyMode()) return false;
        return write(master_, &key, 1) == 1;
    }

    bool type(const std::string& text) {
        return write(master_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    // Reads the rest of the output and waits for the exit; -1 on timeout.
    int finish() {
        const double deadline = nowSeconds() + kWaitLimit;
        while (nowSeconds() < deadline && readSome(deadline - nowSeconds())) {
        }
        int status = -1;
        while (nowSeconds() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return status;
            }
            usleep(1000);
        }
        return -1;
    }

    // The terminal's settings are those it had before the program started.
    bool settingsAsBefore() const {
        termios now{};
        if (tcgetattr(master_, &now) != 0) return false;
        return now.c_iflag == before_.c_iflag && now.c_oflag == before_.c_oflag &&
               now.c_cflag == before_.c_cflag && now.c_lflag == before_.c_lflag &&
               std::memcmp(now.c_cc, before_.c_cc, sizeof now.c_cc) == 0;
    }

  private:
    // Reads what the terminal shows; false once the program's side is closed.
    bool readSome(double seconds) {
        pollfd fd = {master_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(seconds * 1000) + 1) <= 0) return true;
        char buffer[4096];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n > 0) transcript_.append(buffer, static_cast<size_t>(n));
        return n > 0 || (n < 0 && errno == EINTR);
    }

    int master_ = -1;
    pid_t pid_ = -1;
    termios before_{};
    std::string transcript_;
    std::string::size_type seen_ = 0;
};

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

bool exitedWithZero(int status) {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The whole default session typed key by key: the terminal shows exactly the
// line-mode transcript (nothing echoed, no Enter needed), and the settings
// are as before after the normal end.
TEST(TerminalDialog, KeysWithoutEnterOrEcho) {
    std::ifstream file(std::string(AGV_GOLDEN_DIR) + "/defaults.txt", std::ios::binary);
    std::ostringstream golden;
    golden << file.rdbuf();
    TerminalSession session("0");
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.answerKey("I= ", '0')) << session.transcript();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(session.answerKey("入力 ", 'n')) << session.transcript();
    ASSERT_TRUE(session.answerKey("任意キーで計算へ", 'x')) << session.transcript();
    ASSERT_TRUE(session.answerKey("任意キーで描画画面へ       ", 'q')) << session.transcript();
    EXPECT_TRUE(exitedWithZero(session.finish()));
    EXPECT_EQ(session.transcript(), withCrLf(golden.str()));
    EXPECT_TRUE(session.settingsAsBefore());
}

// What is left on the line of a number entry (" n" and the line feed) is not
// the answer to the next question: the 'y' typed afterwards is. Then end of
// input at the next number entry: status 0 and one line of note, nothing more.
TEST(TerminalDialog, NumberEntryLeftoversAreNotAKey) {
    TerminalSession session("f");
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.waitFor("新fn ζ="));
    ASSERT_TRUE(session.type("0.1 0.707 n\n"));
    ASSERT_TRUE(session.answerKey("入力 ", 'y')) << session.transcript();
    ASSERT_TRUE(session.waitFor("入力　Ts[s]=")) << session.transcript();
    ASSERT_TRUE(session.type("\x04"));  // VEOF at the start of a line: end of input
    EXPECT_TRUE(exitedWithZero(session.finish()));
    const std::string rest = session.sinceLastPrompt();
    EXPECT_TRUE(rest.size() > 2 && rest.find("\r\n") == rest.size() - 2) << rest;
    EXPECT_TRUE(session.settingsAsBefore());
}

class TerminalSignal : public ::testing::TestWithParam<int> {};

// Ended by a signal while waiting for a key, the program leaves the terminal
// as it found it and still dies of that signal.
TEST_P(TerminalSignal, RestoresSettings) {
    TerminalSession session("0");
    ASSERT_TRUE(session.started());
    ASSERT_TRUE(session.waitFor("I= "));
    ASSERT_TRUE(session.waitForKeyMode());
    ASSERT_EQ(kill(session.pid(), GetParam()), 0);
    const int status = session.finish();
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == GetParam())
        << std::hex << status;
    EXPECT_TRUE(session.settingsAsBefore());
}

INSTANTIATE_TEST_SUITE_P(TerminalDialog, TerminalSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

}  // namespace
