// Float comparisons of vectors and float arrays, naming the component that is off.
#pragma once

#include <gtest/gtest.h>

#include "geometry/Vec.h"

namespace testsupport {

inline void ExpectNear(const Vec3& actual, const Vec3& expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance) << "x";
  EXPECT_NEAR(actual.y, expected.y, tolerance) << "y";
  EXPECT_NEAR(actual.z, expected.z, tolerance) << "z";
}

// Bit for bit where the program must compute exactly the same value.
inline void ExpectSame(const Vec3& actual, const Vec3& expected) {
  EXPECT_EQ(actual.x, expected.x) << "x";
  EXPECT_EQ(actual.y, expected.y) << "y";
  EXPECT_EQ(actual.z, expected.z) << "z";
}
inline void ExpectSame(const Vec4& actual, const Vec4& expected) {
  ExpectSame(Vec3{actual.x, actual.y, actual.z}, Vec3{expected.x, expected.y, expected.z});
  EXPECT_EQ(actual.w, expected.w) << "w";
}

// count floats element by element, each within four units in the last place.
inline void ExpectFloatsEqual(const float* actual, const float* expected, int count) {
  for (int i = 0; i < count; ++i) EXPECT_FLOAT_EQ(actual[i], expected[i]) << "element " << i;
}

}  // namespace testsupport
