// Keyboard commands: the state each key leaves behind.
//
// onKey redraws through displayScene, so the tests own a real GLUT window
// on a private Xvfb; its display routine counts the redraws GLUT asks for,
// which is how a posted redisplay is seen.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "graphics/keys.h"
#include "graphics/scene.h"
#include "graphics/window.h"
#include "sim/parameters.h"
#include "sim/runs.h"
#include "tests/support/gl_window.h"
#include "tests/support/xvfb_server.h"

namespace {

int gRedraws = 0;  // display callbacks run by GLUT

void countedDisplay() {
    ++gRedraws;
    agv::displayScene();
}

// Runs GLUT's event processing until no redraw has come for a while (bounded).
void settleEvents() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int quiet = 0;
    while (quiet < 10 && std::chrono::steady_clock::now() < deadline) {
        const int before = gRedraws;
        glutMainLoopEvent();
        quiet = (gRedraws == before && gRedraws > 0) ? quiet + 1 : 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

class WindowEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_NE(agvtest::startXvfb(), "") << "no Xvfb";
        agvtest::openPictureWindow();
        window_ = glutGetWindow();
        glutDisplayFunc(countedDisplay);
        glutReshapeFunc(agv::reshapeWindow);
        settleEvents();
        ASSERT_GT(gRedraws, 0) << "the window was never shown";
    }
    void TearDown() override {
        // GLUT ends the process when its server goes away under it.
        glutDestroyWindow(window_);
        glutExit();
        agvtest::stopXvfb();
    }

  private:
    int window_ = 0;
};

const auto* const gWindow = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

constexpr int kFreeRecords = 20;  // store bound of every mechanism in the tests

// Start-up state with empty stores whose bounds let 's' run for ten presses
// (short stores keep the redraws quick).
class KeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        agv::applyStartupDefaults();
        agv::clearTrajectoryStores();
        for (int m = 0; m < agv::kMechanismCount; ++m) {
            agv::nPointsPC[m] = kFreeRecords;
            agv::nPointsPI[m] = kFreeRecords;
        }
    }
    static void press(unsigned char key, int times = 1) {
        for (int i = 0; i < times; ++i) agv::onKey(key, 0, 0);
    }
};

constexpr double kScaleTol = 1e-12;  // a few ulps of 0.2 after two roundings

TEST_F(KeysTest, FiveStepsAdvanceTenRecordsAndPassOneSamplingInstant) {
    ASSERT_EQ(agv::stepsPerSample, 10);
    press('s', 4);
    EXPECT_EQ(agv::animIndexPC, 8);
    EXPECT_EQ(agv::animIndexPI, 8);
    EXPECT_EQ(agv::animSampleK, 0);
    press('s');
    EXPECT_EQ(agv::animIndexPC, 10);
    EXPECT_EQ(agv::animIndexPI, 10);
    EXPECT_EQ(agv::animSampleK, 1);
    EXPECT_EQ(agv::currentKey, 's');
}

TEST_F(KeysTest, StepsAtTheEndStayAtTheBoundsOfTheShownMechanism) {
    // Mechanism 2's bounds differ from mechanism 1's: only the shown one counts.
    agv::nPointsPC[1] = 7;
    agv::nPointsPI[1] = 10;
    press('2');
    press('s', 8);
    EXPECT_EQ(agv::animIndexPC, 7);
    EXPECT_EQ(agv::animIndexPI, 10);
    EXPECT_EQ(agv::animSampleK, 1);  // record 10 is the only instant reached
    press('s');
    EXPECT_EQ(agv::animIndexPC, 7);
    EXPECT_EQ(agv::animIndexPI, 10);
}

TEST_F(KeysTest, EmptyStoresNeverGiveANegativeIndex) {
    // A start at or beyond the end of the straight path ends the continuous
    // runs after their first step, leaving the bound at -1.
    agv::x0 = 25.0;
    agv::runAllSimulations(agv::pathType);
    ASSERT_EQ(agv::nPointsPC[0], -1);
    press('s', 3);
    EXPECT_EQ(agv::animIndexPC, 0);
    EXPECT_GE(agv::animIndexPI, 0);
    EXPECT_LE(agv::animIndexPI, agv::nPointsPI[0] < 0 ? 0 : agv::nPointsPI[0]);

    agv::stepAnimation();  // the bare state change behaves the same
    EXPECT_EQ(agv::animIndexPC, 0);
}

TEST_F(KeysTest, ViewKeysMoveByTheirStepsAndOtherKeysChangeNothing) {
    press('x');
    EXPECT_DOUBLE_EQ(agv::viewPanX, -0.05);
    press('X', 2);
    EXPECT_DOUBLE_EQ(agv::viewPanX, 0.05);
    press('y');
    EXPECT_DOUBLE_EQ(agv::viewPanY, -0.05);
    press('Y');
    EXPECT_NEAR(agv::viewPanY, 0.0, kScaleTol);
    press('z');
    EXPECT_DOUBLE_EQ(agv::phasePlaneX, 0.55);
    press('Z', 2);
    EXPECT_DOUBLE_EQ(agv::phasePlaneX, 0.65);
    EXPECT_DOUBLE_EQ(agv::phasePlaneY, 0.55);
    press('w');
    EXPECT_DOUBLE_EQ(agv::viewScale, 0.18);
    press('W');
    EXPECT_NEAR(agv::viewScale, 0.2, kScaleTol);

    press('s', 2);
    press('q');
    press('S');
    EXPECT_EQ(agv::currentKey, 'S');
    EXPECT_EQ(agv::animIndexPC, 4);
    EXPECT_EQ(agv::agvType, 1);
    EXPECT_DOUBLE_EQ(agv::viewPanX, 0.05);
    EXPECT_NEAR(agv::viewScale, 0.2, kScaleTol);
}

TEST_F(KeysTest, ZeroAndMechanismKeysReturnToTheStartKeepingTheView) {
    press('x');
    for (unsigned char key : {'0', '1', '2', '3', '0'}) {
        press('s', 6);
        ASSERT_EQ(agv::animSampleK, 1);
        const int shown = agv::agvType;
        press(key);
        EXPECT_EQ(agv::animIndexPC, 0) << key;
        EXPECT_EQ(agv::animIndexPI, 0) << key;
        EXPECT_EQ(agv::animSampleK, 0) << key;
        EXPECT_EQ(agv::agvType, key == '0' ? shown : key - '0') << key;
    }
    EXPECT_DOUBLE_EQ(agv::viewPanX, -0.05);
}

TEST_F(KeysTest, SettingsKeyRerunsResetsTheViewAndAsksForARedraw) {
    // 'h' goes straight to the start pose: a new pose, then any key twice.
    char path[] = "/tmp/agv_keys_XXXXXX";
    std::FILE* answers = fdopen(mkstemp(path), "w");
    ASSERT_NE(answers, nullptr);
    std::fputs("0.5 -1 0\n\n\n", answers);
    std::fclose(answers);
    ASSERT_NE(std::freopen(path, "r", stdin), nullptr);
    std::remove(path);

    press('w');
    press('z');
    press('x');
    press('s', 3);
    settleEvents();
    const int redraws = gRedraws;
    glutMainLoopEvent();  // onKey draws itself: no redraw is pending
    ASSERT_EQ(gRedraws, redraws);

    press('h');
    EXPECT_EQ(agv::currentKey, 'h');
    EXPECT_DOUBLE_EQ(agv::sampTraj[0][0].y, -1.0);  // the runs started from the new pose
    EXPECT_GT(agv::nPointsPC[0], 0);
    EXPECT_EQ(agv::viewScale, 0.2);
    EXPECT_EQ(agv::phasePlaneX, 0.6);
    EXPECT_EQ(agv::phasePlaneY, 0.55);
    EXPECT_EQ(agv::animIndexPC, 0);
    EXPECT_EQ(agv::animIndexPI, 0);
    EXPECT_EQ(agv::animSampleK, 0);
    EXPECT_DOUBLE_EQ(agv::viewPanX, -0.05);  // pans survive a run

    glutMainLoopEvent();  // the new results show without another key
    EXPECT_GT(gRedraws, redraws);
}

}  // namespace
