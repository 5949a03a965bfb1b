// Vehicle models with their control laws.
#include <cmath>
#include <cstring>

#include "sim/vehicle.h"
#include "sim_fixture.h"

namespace {

constexpr double kModelTol = 1e-12;  // exact formulas, a few roundings
// Commands recomputed from the six-decimal quoted gains: errors up to about
// 1 (in the units of each error) times 5e-7 per gain.
constexpr double kCommandTol = 1e-5;

using VehicleTest = SimTest;

agv::VehicleDerivative derivativeOf(int type, const agv::VehicleState& s,
                                    const agv::ControlInputs& in) {
    agv::VehicleDerivative d{};
    agv::vehicleDerivatives(type, agv::lawSlotOf(type), s, in, 0, d);
    return d;
}

void expectDerivative(const agv::VehicleDerivative& d, double v, double w, double vx, double vy,
                      double phiRate) {
    EXPECT_NEAR(d.dist, v, kModelTol);
    EXPECT_NEAR(d.theta, w, kModelTol);
    EXPECT_NEAR(d.x, vx, kModelTol);
    EXPECT_NEAR(d.y, vy, kModelTol);
    EXPECT_NEAR(d.phi, phiRate, kModelTol);
}

TEST_F(VehicleTest, OnThePathEveryMechanismGoesStraight) {
    const agv::VehicleState s{0.0, 0.0, 4.0, 0.0, 0.0};
    for (int type = 1; type <= 3; ++type) {
        SCOPED_TRACE(type);
        expectDerivative(derivativeOf(type, s, agv::ControlInputs{}), 1.0, 0.0, 1.0, 0.0, 0.0);
    }
}

TEST_F(VehicleTest, LawsFollowTheErrorSigns) {
    // Above the line, heading up and steered left: all turn clockwise.
    const agv::ControlInputs in{0.1, 0.2, 0.05, 0.3, 0.4};
    const double omega =
        -(2.664793 * 0.1 + 3.331860 * 0.2) - 0.888711 * (2.664793 * 0.3 + 3.331860 * 0.4);
    const double steer = -(6.697356 * 0.1 + 8.577081 * 0.2 + 4.550283 * 0.05);
    EXPECT_NEAR(derivativeOf(1, agv::VehicleState{}, in).theta, omega, kCommandTol);
    EXPECT_NEAR(derivativeOf(2, agv::VehicleState{}, in).phi, steer, kCommandTol);
    EXPECT_NEAR(derivativeOf(3, agv::VehicleState{}, in).phi, steer, kCommandTol);

    // Far off the path: the steering rate is clipped, the turning rate is not.
    for (double far : {100.0, -100.0}) {
        const agv::ControlInputs big{far, 0.0, 0.0, 0.0, 0.0};
        EXPECT_EQ(derivativeOf(2, agv::VehicleState{}, big).phi, far > 0 ? -3.0 : 3.0);
        EXPECT_EQ(derivativeOf(3, agv::VehicleState{}, big).phi, far > 0 ? -3.0 : 3.0);
        EXPECT_NEAR(derivativeOf(1, agv::VehicleState{}, big).theta, -2.664793 * far,
                    100 * kCommandTol);
    }
}

TEST_F(VehicleTest, SteeringAngleSetsSpeedAndTurnRate) {
    const agv::VehicleState s{0.0, 0.0, 0.0, 0.0, 1.5};
    const agv::VehicleDerivative front = derivativeOf(2, s, agv::ControlInputs{});
    EXPECT_NEAR(front.dist, std::cos(1.5), kModelTol);  // about 0.07 m/s, still forward
    EXPECT_NEAR(front.theta, std::sin(1.5), kModelTol);
    EXPECT_NEAR(front.x, std::cos(1.5), kModelTol);
    const agv::VehicleDerivative rear = derivativeOf(3, s, agv::ControlInputs{});
    EXPECT_EQ(rear.dist, 1.0);
    EXPECT_NEAR(rear.theta, std::tan(1.5), kModelTol);  // about 14.1 rad/s
}

TEST_F(VehicleTest, HoldKeepsOnlyTheCommand) {
    const agv::ControlInputs in{0.5, -0.1, 0.2, 0.0, 0.0};
    const agv::ControlInputs other{-2.0, 1.0, 0.0, 1.0, 1.0};
    const agv::VehicleState s{0.0, 0.3, 1.0, 0.5, 0.4};
    const agv::VehicleState moved{0.2, -0.7, 1.2, 0.4, -0.6};
    for (int type = 1; type <= 3; ++type) {
        SCOPED_TRACE(type);
        const int slot = agv::lawSlotOf(type);
        agv::VehicleDerivative d = derivativeOf(type, s, in);
        const agv::VehicleDerivative computed = d;
        agv::vehicleDerivatives(type, slot, s, other, 1, d);
        EXPECT_EQ(std::memcmp(&d, &computed, sizeof d), 0);

        agv::vehicleDerivatives(type, slot, moved, other, 1, d);
        const agv::VehicleDerivative fresh = derivativeOf(type, moved, other);
        EXPECT_EQ(d.dist, fresh.dist);
        EXPECT_EQ(d.x, fresh.x);
        EXPECT_EQ(d.y, fresh.y);
        if (type == 1) {
            EXPECT_EQ(d.theta, computed.theta);
        } else {
            EXPECT_EQ(d.theta, fresh.theta);
            EXPECT_EQ(d.phi, computed.phi);
        }
    }
}

}  // namespace
