// Base fixture for tests against the simulated Windows: a fresh machine for every test, and
// nothing left open or allocated by the code under test at its end.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim.h"

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override {
    std::string leaks;
    for (const std::string &line : sim::LeakReport()) leaks += "\n  " + line;
    EXPECT_TRUE(leaks.empty()) << "left behind by the code under test:" << leaks;
    sim::Reset();
  }
};
