// Shared fixture of the simulation-core tests.
//
// Every test starts from the start-up state (defaults, design and limit
// search done) with empty trajectory stores, so no test depends on another.
// Also small helpers for the settings changes the console dialog makes.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sim/design.h"
#include "sim/parameters.h"
#include "sim/runs.h"

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        agv::applyStartupDefaults();
        agv::clearTrajectoryStores();
    }
};

// A value as the configuration report prints it ("%5.3f").
inline std::string printed3(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%5.3f", v);
    return text;
}

// New Ts typed on the console: console rule, then the design (not the search).
inline void enterSamplingTime(double ts) {
    agv::setSamplingTime(ts, agv::SampleRule::Console);
    agv::designControl();
}

// New fn typed on the console: design and limit search.
inline void enterNaturalFrequency(double frequencyHz) {
    agv::setNaturalFrequency(frequencyHz);
    agv::designControl();
    agv::searchTsmax();
}

// True for a stored heading error reduced to [-pi, pi]; false for NaN.
inline bool withinHalfTurn(double angle) {
    return angle >= -agv::kPi && angle <= agv::kPi;
}
