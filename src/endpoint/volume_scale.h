// The one conversion between the service's volumes (integer percent 0..100)
// and the endpoint's master volume scalar (0.0..1.0).
#pragma once

// Single precision, as the endpoint takes it: 50 is 0.5, 100 is 1.0.
inline float ScalarOfPercent(int percent) { return static_cast<float>(percent / 100.0); }

// Plain truncation of scalar x 100 would turn 0.53 (52.9999962 once
// multiplied in single precision) into 52, so a stored 53 would drift down
// by one on each round trip through the endpoint and be stored back as if
// the user had changed it. The epsilon is far below one percent, so 0.999
// still gives 99 and 0.0 gives 0.
inline constexpr float PERCENT_EPSILON = 0.0001f;

inline int PercentOfScalar(float scalar) {
  return static_cast<int>(scalar * 100.0f + PERCENT_EPSILON);
}
