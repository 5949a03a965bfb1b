// The whole program under a private X server: the console start-up in line
// mode, then the 800 x 800 window titled with the key help, its white frame,
// and ESC ending the process with status 0.
//
// Each test executable starts its own Xvfb (-displayfd, dies with the test)
// and points DISPLAY at it. The window is found by its title with xdotool,
// the title read back with xprop, the pixels with XGetImage. Every wait is
// for an event (prompt shown, window viewable, frame drawn) and bounded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "child_process.h"
#include "tests/support/xvfb_environment.h"

// After GoogleTest, whose headers use names that Xlib defines as macros.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

namespace {

constexpr double kWaitLimit = 20.0;  // [s] for the prompt, the window, the frame, the exit
constexpr int kWindowSide = 800;     // [pixels]
const char* const kTitle =
    "1,2,3:機構選択, c:経路変更，t:Ts変更，h:初期状態変更，f:系のfn変更，W,w:画面拡大縮小，"
    "x,X,y,Y:画面移動，z,Z:位相面移動，0:初期へ，s:継続";

// Pixels from the window's top-left corner that stay white in the picture of
// the default session, whatever is drawn on top of the cleared frame later:
// two inside the white phase-plane panel (x >= 480, y <= 340), right of its
// frame (x 520..760, y 60..300), labels and curves, and one on the bare
// background below the path, between grid lines (the world origin is at
// (240, 440), the lines 80 pixels apart), far from the vehicles and their
// trajectories.
struct Probe {
    int x, y;
};
const Probe kWhiteProbes[] = {{780, 120}, {780, 280}, {120, 640}};

[[maybe_unused]] ::testing::Environment* const kServer =
    ::testing::AddGlobalTestEnvironment(new agvtest::XvfbEnvironment);

// ---- Helpers ------------------------------------------------------------------

std::string readGolden(const std::string& name) {
    std::ifstream file(std::string(AGV_GOLDEN_DIR) + "/" + name + ".txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A tool's standard output, run in a UTF-8 locale.
std::string tool(std::vector<std::string> argv) {
    argv.insert(argv.begin(), {"env", "LC_ALL=C.UTF-8"});
    return runChild(argv, "", kWaitLimit).out;
}

// The visible window whose title contains "機構選択"; 0 until there is one.
Window findProgramWindow() {
    return std::strtoul(tool({"xdotool", "search", "--onlyvisible", "--name", "機構選択"}).c_str(),
                        nullptr, 10);
}

// Waits (bounded) for the program's window; 0 when none appears.
Window waitForProgramWindow() {
    Window window = 0;
    for (const double deadline = nowSeconds() + kWaitLimit;
         window == 0 && nowSeconds() < deadline;) {
        window = findProgramWindow();
        if (window == 0) usleep(20000);
    }
    return window;
}

int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// 0xRRGGBB of one window pixel, or -1 when it cannot be read.
long pixelAt(Display* display, Window window, Probe p) {
    XImage* image = XGetImage(display, window, p.x, p.y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return -1;
    const long rgb = static_cast<long>(XGetPixel(image, 0, 0) & 0xffffff);
    XDestroyImage(image);
    return rgb;
}

bool allProbesWhite(Display* display, Window window) {
    for (const Probe& p : kWhiteProbes) {
        if (pixelAt(display, window, p) != 0xffffff) return false;
    }
    return true;
}

TEST(ProgramWindow, StartUpWindowAndEscape) {
    Child program = startChild({AGV_PROGRAM});
    // The console comes first and stops at the path question; no window yet.
    ASSERT_TRUE(waitForOutput(program, "I= ", kWaitLimit)) << program.out;
    EXPECT_EQ(findProgramWindow(), 0u);
    sendInput(program, "0\nn\nn\nn\nx\nq\n", true);

    const Window window = waitForProgramWindow();
    ASSERT_NE(window, 0u) << "no window; console said:\n" << program.out << program.err;

    // The title, in both properties, read back in a UTF-8 locale.
    const std::string properties =
        tool({"xprop", "-id", std::to_string(window), "WM_NAME", "_NET_WM_NAME"});
    const std::string quoted = std::string(" = \"") + kTitle + "\"\n";
    EXPECT_NE(properties.find("_NET_WM_NAME(UTF8_STRING)" + quoted), std::string::npos)
        << properties;
    EXPECT_TRUE(properties.find("WM_NAME(COMPOUND_TEXT)" + quoted) != std::string::npos ||
                properties.find("WM_NAME(STRING)" + quoted) != std::string::npos)
        << properties;

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XSetErrorHandler(ignoreXErrors);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(display, window, &attributes), 0);
    EXPECT_EQ(attributes.width, kWindowSide);
    EXPECT_EQ(attributes.height, kWindowSide);
    // The first frame may come a little after the window is shown.
    bool white = false;
    for (const double deadline = nowSeconds() + kWaitLimit; !white && nowSeconds() < deadline;) {
        white = allProbesWhite(display, window);
        if (!white) usleep(10000);
    }
    for (const Probe& p : kWhiteProbes) {
        EXPECT_EQ(pixelAt(display, window, p), 0xffffff) << "pixel " << p.x << ", " << p.y;
    }
    XCloseDisplay(display);

    // ESC ends the program (xdotool may then report BadWindow: expected).
    tool({"xdotool", "key", "--window", std::to_string(window), "Escape"});
    const ChildResult r = finishChild(program, kWaitLimit);
    EXPECT_TRUE(!r.timedOut && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0)
        << describeEnd(r) << "\n"
        << r.err;
    EXPECT_EQ(r.out, readGolden("defaults"));
}

}  // namespace

namespace {

// Closing the window as a window manager does (WM_DELETE_WINDOW) ends the
// program with status 0.
TEST(ProgramWindow, ClosingTheWindowEndsTheProgram) {
    Child program = startChild({AGV_PROGRAM});
    sendInput(program, "0\nn\nn\nn\n\n\n", false);
    const Window window = waitForProgramWindow();
    ASSERT_NE(window, 0u) << "no window";
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &close);
    XCloseDisplay(display);
    const ChildResult r = finishChild(program, kWaitLimit);
    EXPECT_EQ(describeEnd(r), "exit 0") << r.err;
}

}  // namespace
