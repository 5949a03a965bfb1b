// Tracking error on the two reference paths, and the continuity of the
// polar angle on the circle.
#include <cmath>
#include <cstring>
#include <vector>

#include "sim/path.h"
#include "sim_fixture.h"

namespace {

// The program's pi is 3.14159265358979, about 3e-15 below the true one;
// angles and lengths built from it agree with exact ones well within this.
constexpr double kGeomTol = 1e-12;  // [rad] and [m]
const double kTruePi = std::acos(-1.0);

using PathTest = SimTest;

agv::TrackError onCircle(double x, double y, double prevParam, double theta = 0.0) {
    agv::TrackError prev{};
    prev.refParam = prevParam;
    agv::TrackError out{};
    agv::computeTrackError(agv::Circle, agv::VehicleState{0.0, theta, x, y, 0.0}, prev, out);
    return out;
}

agv::TrackError atPolarAngle(double angle, double prevParam) {
    return onCircle(2.0 * std::cos(angle), 2.0 * std::sin(angle), prevParam);
}

// Fields listed in got against the values in want, pairwise.
void expectFields(std::vector<double> got, std::vector<double> want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], kGeomTol) << k;
}

TEST_F(PathTest, LineProjectsOrthogonally) {
    const agv::VehicleState s{0.0, 0.2, 3.0, -0.5, 0.1};
    for (int path : {0, 5}) {  // any unknown path is the line
        SCOPED_TRACE(path);
        agv::TrackError e{};
        agv::computeTrackError(path, s, e, e);
        expectFields({e.refArc, e.refTheta, e.refX, e.refY, e.refPhi, e.refCurv, e.refParam, e.ed,
                      e.eth, e.ephi, e.dd},
                     {3.0, 0.0, 3.0, 0.0, 0.0, 0.0, 3.0, -0.5, 0.2, 0.1, -0.5});
    }
}

TEST_F(PathTest, CircleReferencePointLiesOnTheRay) {
    const agv::TrackError on = onCircle(2.0, 0.0, 0.0, kTruePi / 2);
    expectFields({on.refArc, on.refX, on.refY, on.refTheta, on.ed, on.dd, on.eth, on.refCurv},
                 {0.0, 2.0, 0.0, kTruePi / 2, 0.0, 0.0, 0.0, 0.5});
    EXPECT_NEAR(on.ephi, -std::atan(0.5), kGeomTol);  // phi = 0 against atan(L / 2 m)

    const agv::TrackError in = onCircle(0.0, 1.0, 0.0);  // inside: left of travel
    expectFields({in.refParam, in.refArc, in.refX, in.refY, in.refTheta, in.ed, in.dd},
                 {kTruePi / 2, kTruePi, 0.0, 2.0, kTruePi, 1.0, -1.0});

    const agv::TrackError centre = onCircle(0.0, 0.0, 0.0);
    expectFields({centre.refParam, centre.ed, centre.dd}, {0.0, 2.0, -2.0});
}

TEST_F(PathTest, PolarAngleUnwrapsAtMostTwoTurns) {
    EXPECT_NEAR(atPolarAngle(-3.0, 3.0).refParam, -3.0 + 2 * kTruePi, kGeomTol);
    EXPECT_NEAR(atPolarAngle(0.1, 4 * kTruePi + 0.05).refParam, 4 * kTruePi + 0.1, kGeomTol);
    EXPECT_NEAR(atPolarAngle(0.1, 6 * kTruePi + 0.05).refParam, 4 * kTruePi + 0.1, kGeomTol);
    EXPECT_NEAR(atPolarAngle(0.1, -4 * kTruePi).refParam, -4 * kTruePi + 0.1, kGeomTol);

    // atan2(+0, -2) is +pi; a difference of pi takes one turn away.
    const agv::TrackError behind = onCircle(-2.0, +0.0, 0.0);
    expectFields({behind.refParam, behind.refTheta}, {-kTruePi, -kTruePi / 2});
}

TEST_F(PathTest, PreviousAndOutputMayBeOneRecord) {
    const agv::VehicleState s{0.0, 0.3, 2.0 * std::cos(0.1), 2.0 * std::sin(0.1), 0.2};
    agv::TrackError prev{};
    prev.refParam = 4 * kTruePi + 0.05;
    agv::TrackError separate{};
    agv::computeTrackError(agv::Circle, s, prev, separate);
    agv::TrackError shared = prev;
    agv::computeTrackError(agv::Circle, s, shared, shared);
    EXPECT_NEAR(shared.refParam, 4 * kTruePi + 0.1, kGeomTol);
    EXPECT_EQ(0, std::memcmp(&shared, &separate, sizeof shared));
}

}  // namespace
