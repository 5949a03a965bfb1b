// GoogleTest environment that gives the test executable its own Xvfb for
// the whole run (see xvfb_server.h).
#pragma once

#include <gtest/gtest.h>

#include "tests/support/xvfb_server.h"

namespace agvtest {

class XvfbEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_NE(startXvfb(), "") << "Xvfb did not start"; }
    void TearDown() override { stopXvfb(); }
};

}  // namespace agvtest
