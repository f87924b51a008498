// The conversion between the service's percent and the endpoint's scalar.
#include <gtest/gtest.h>

#include "endpoint/volume_scale.h"

namespace koru {
namespace {

TEST(VolumeScaleTest, EveryPercentSurvivesAndScalarsAreTruncatedAfterAnEpsilon) {
  for (int percent = 0; percent <= 100; ++percent) {
    float scalar = ScalarOfPercent(percent);
    EXPECT_EQ(PercentOfScalar(scalar), percent) << "scalar " << scalar;
  }

  EXPECT_EQ(PercentOfScalar(0.999f), 99);
  EXPECT_EQ(PercentOfScalar(0.0f), 0);
  EXPECT_EQ(PercentOfScalar(1.0f), 100);
  EXPECT_EQ(PercentOfScalar(0.5349f), 53);
  // Plain truncation of 0.53f x 100 gives 52.
  EXPECT_LT(0.53f * 100.0f, 53.0f);
  EXPECT_EQ(PercentOfScalar(0.53f), 53);

  EXPECT_EQ(ScalarOfPercent(50), 0.5f);
  EXPECT_EQ(ScalarOfPercent(0), 0.0f);
  EXPECT_EQ(ScalarOfPercent(100), 1.0f);
  EXPECT_EQ(ScalarOfPercent(17), 0.17f);
}

}  // namespace
}  // namespace koru
