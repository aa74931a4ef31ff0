#include "document/real48.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "document/error.h"

namespace clipvex {
namespace {

TEST(Real48, RoundsToFortyBitSignificandHalfAwayFromZero) {
  // 0.05 = 0.8 * 2^-4; 0.8 * 2^40 = 879609302220.8 rounds up.
  EXPECT_EQ(RoundReal48(0.05L), std::ldexp(879609302221.0, -44));
  EXPECT_EQ(RoundReal48(-0.05L), -std::ldexp(879609302221.0, -44));
  // An exact half of the last place goes away from zero, both signs.
  long double half = std::ldexp(static_cast<long double>((1LL << 39) + 1) * 2 + 1, -41);
  EXPECT_EQ(RoundReal48(half), std::ldexp(static_cast<double>((1LL << 39) + 2), -40));
  EXPECT_EQ(RoundReal48(-half), -std::ldexp(static_cast<double>((1LL << 39) + 2), -40));
  // Values that fit stay unchanged.
  EXPECT_EQ(RoundReal48(12.5L), 12.5);
  EXPECT_EQ(RoundReal48(0.0L), 0.0);
}

TEST(Real48, RangeLimits) {
  EXPECT_EQ(RoundReal48(std::ldexp(1.0L, -129)), 0.0);  // below the smallest exponent
  EXPECT_EQ(RoundReal48(std::ldexp(1.0L, -128)), std::ldexp(1.0, -128));
  EXPECT_NO_THROW(RoundReal48(1.0e38L));
  EXPECT_THROW(RoundReal48(1.0e39L), ClipvexError);
  EXPECT_THROW(RoundReal48(NAN), ClipvexError);
  try {
    RoundReal48(INFINITY);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "Floating point overflow");
  }
}

TEST(Real48, BytesRoundTripAndLayout) {
  // 1.0: exponent 129, fraction 0.
  Real48Bytes one = EncodeReal48(1.0L);
  EXPECT_EQ(one, (Real48Bytes{129, 0, 0, 0, 0, 0}));
  Real48Bytes minusTwo = EncodeReal48(-2.0L);
  EXPECT_EQ(minusTwo, (Real48Bytes{130, 0, 0, 0, 0, 0x80}));
  // 1.5: the top fraction bit is bit 6 of byte 5.
  EXPECT_EQ(EncodeReal48(1.5L), (Real48Bytes{129, 0, 0, 0, 0, 0x40}));
  for (long double v : {0.05L, -123.456L, 3723.5L, 1e-30L, 7.77e37L}) {
    EXPECT_EQ(DecodeReal48(EncodeReal48(v)), RoundReal48(v)) << static_cast<double>(v);
  }
  EXPECT_EQ(DecodeReal48(Real48Bytes{}), 0.0);
}

}  // namespace
}  // namespace clipvex

namespace clipvex {
namespace {

// The rounding of the stored value and the byte encoding are computed apart;
// they must agree everywhere, exact halves of the last place included.
TEST(Real48, RoundingAgreesWithTheByteEncoding) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-140, 130);
  for (int i = 0; i < 200000; ++i) {
    long double v = std::ldexp(static_cast<long double>(unit(rng)), exponent(rng));
    double rounded = 0;
    try {
      rounded = RoundReal48(v);
    } catch (const ClipvexError&) {
      EXPECT_THROW(EncodeReal48(v), ClipvexError) << static_cast<double>(v);
      continue;
    }
    ASSERT_EQ(rounded, DecodeReal48(EncodeReal48(v))) << static_cast<double>(v);
  }
  for (int e = -170; e < 84; e += 7) {
    for (long long m : {(1LL << 40) - 1, (1LL << 40) + 1, (1LL << 41) - 1, 3LL << 39}) {
      long double half = std::ldexp(static_cast<long double>(m), e);  // a 41-bit odd value: an exact half
      ASSERT_EQ(RoundReal48(half), DecodeReal48(EncodeReal48(half))) << m << " " << e;
      ASSERT_EQ(RoundReal48(-half), -RoundReal48(half));
    }
  }
}

}  // namespace
}  // namespace clipvex
