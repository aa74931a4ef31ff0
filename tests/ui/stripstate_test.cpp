#include "ui/stripstate.h"

#include <gtest/gtest.h>

namespace clipvex {
namespace {

TEST(FitStep, FollowsTheDemoLength) {
  EXPECT_EQ(FitStep(73), 1);
  EXPECT_EQ(FitStep(145), 2);
  EXPECT_EQ(FitStep(1001), 16);
  EXPECT_EQ(FitStep(101), 1);
  EXPECT_EQ(FitStep(0), 1);
  EXPECT_EQ(FitStep(1), 1);
}

}  // namespace
}  // namespace clipvex
