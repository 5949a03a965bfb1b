// Extreme settings through the whole program: each case answers the console
// in line mode, waits for the window and its first frame, steps the vehicles,
// then ends with ESC. The program must end with status 0 in bounded time,
// with no sanitizer report (in the sanitizer build) and a frame drawn.
//
// The cases are the values a user can type that push the design, the runs
// and the drawing to their edges: negative, zero, tiny, huge, NaN and
// infinite fn and zeta; sampling times from 1e-9 s to 1e300 s; poses far off
// the path and headings of millions of degrees and more, on both paths.
#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "tests/support/x11_probe.h"
#include "tests/support/xvfb_environment.h"

namespace {

constexpr double kWaitSeconds = 60.0;  // [s] per wait; sanitizer builds are slow
const char* const kTitlePart = "機構選択";
// A pixel inside the white phase-plane panel, clear of its frame and labels:
// white once a frame has been drawn (the bare window is black before that).
constexpr int kPanelX = 780;  // [pixels] from the left
constexpr int kPanelY = 120;  // [pixels] from the top

struct Extreme {
    const char* name;
    const char* answers;  // console answers, one per line
};

// Answers: path key, "change fn?", [fn zeta], "change Ts?", [Ts], "change
// pose?", [x y deg], the key before the runs and the key before the window.
const Extreme kCases[] = {
    {"FnNegative", "0\ny\n-1 0.707\nn\nn\n\n\n"},
    {"FnZero", "0\ny\n0 0.707\nn\nn\n\n\n"},
    {"FnTiny", "0\ny\n1e-9 0.707\nn\nn\n\n\n"},
    {"FnFifty", "1\ny\n50 0.707\nn\nn\n\n\n"},
    {"FnHuge", "0\ny\n1e9 0.707\nn\nn\n\n\n"},
    {"FnNan", "1\ny\nnan 0.707\nn\nn\n\n\n"},
    {"FnInfinite", "0\ny\ninf 0.707\nn\nn\n\n\n"},
    {"ZetaNegative", "0\ny\n0.3 -1\nn\nn\n\n\n"},
    {"ZetaZero", "1\ny\n0.3 0\nn\nn\n\n\n"},
    {"ZetaTiny", "0\ny\n0.3 1e-9\nn\nn\n\n\n"},
    {"ZetaHuge", "0\ny\n0.3 1e9\nn\nn\n\n\n"},
    {"ZetaNan", "1\ny\n0.3 nan\nn\nn\n\n\n"},
    {"TsTiny", "0\nn\ny\n1e-9\nn\n\n\n"},
    {"TsJustBelowRecord", "1\nn\ny\n0.019999\nn\n\n\n"},
    {"TsLimitExample", "0\nn\ny\n0.58\nn\n\n\n"},
    {"TsTwelve", "0\nn\ny\n12\nn\n\n\n"},
    {"TsMillion", "1\nn\ny\n1e6\nn\n\n\n"},
    {"TsHuge", "0\nn\ny\n1e300\nn\n\n\n"},
    {"PoseFarLine", "0\nn\nn\ny\n1e300 -1e300 0\n\n\n"},
    {"PoseFarCircle", "1\nn\nn\ny\n-1e300 1e300 0\n\n\n"},
    {"HeadingMillionLine", "0\nn\nn\ny\n0 1 1e6\n\n\n"},
    {"HeadingMillionCircle", "1\nn\nn\ny\n0 1 -1e6\n\n\n"},
    {"HeadingHugeLine", "0\nn\nn\ny\n3 -3 1e300\n\n\n"},
    {"HeadingHugeCircle", "1\nn\nn\ny\n3 -3 -1e300\n\n\n"},
};

const auto* const kServer = ::testing::AddGlobalTestEnvironment(new agvtest::XvfbEnvironment);

bool panelDrawn(agvtest::Display* display, agvtest::WindowId window) {
    const agvtest::Frame f = agvtest::grabRect(display, window, kPanelX, kPanelY, 1, 1);
    const agvtest::Rgb c = f.at(kPanelX, kPanelY);
    return c.r == 255 && c.g == 255 && c.b == 255;
}

class ExtremeSetting : public ::testing::TestWithParam<Extreme> {};

TEST_P(ExtremeSetting, EndsByEscapeWithStatusZeroAfterDrawing) {
    Child child = startChild({AGV_PROGRAM});
    sendInput(child, GetParam().answers, false);
    agvtest::Display* display = agvtest::openDisplay();
    ASSERT_NE(display, nullptr);
    const agvtest::WindowId window = agvtest::findWindow(display, kTitlePart, kWaitSeconds);
    ASSERT_NE(window, 0UL) << "no window; stderr so far: " << finishChild(child, 1.0).err;

    bool drawn = false;
    for (const double end = nowSeconds() + kWaitSeconds; !drawn && nowSeconds() < end;) {
        drawn = panelDrawn(display, window);
    }
    EXPECT_TRUE(drawn) << "no frame drawn";
    for (char c : std::string("ss0sW")) agvtest::typeChar(display, window, c);
    agvtest::typeChar(display, window, 27);
    agvtest::closeDisplay(display);

    const ChildResult result = finishChild(child, kWaitSeconds);
    EXPECT_EQ(describeEnd(result), "exit 0") << result.err;
    EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Program, ExtremeSetting, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Extreme>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
