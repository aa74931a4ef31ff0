#include "document/numtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "document/error.h"
#include "document/real48.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::ErrorOf;

TEST(FormatGeneral, DurationCommentsShowTheStoredRounding) {
  EXPECT_EQ(FormatGeneral(RoundReal48(0.05L)), "0.0500000000000114");
  EXPECT_EQ(FormatGeneral(RoundReal48(0.1L)), "0.100000000000023");
  EXPECT_EQ(FormatGeneral(1.0), "1");
  EXPECT_EQ(FormatGeneral(-0.5), "-0.5");
  EXPECT_EQ(FormatGeneral(0.0), "0");
  EXPECT_EQ(FormatGeneral(123456.75), "123456.75");
}

TEST(FormatGeneral, SwitchesToScientificOutsideThePlainRange) {
  EXPECT_EQ(FormatGeneral(0.00002), "0.00002");
  EXPECT_EQ(FormatGeneral(0.0000015), "1.5E-6");
  EXPECT_EQ(FormatGeneral(-0.0000015), "-1.5E-6");
  EXPECT_EQ(FormatGeneral(999999999999999.0), "999999999999999");
  EXPECT_EQ(FormatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatGeneral(2.5e20), "2.5E20");
}

TEST(FormatGeneral, RoundsToFifteenDigitsHalvesAwayFromZero) {
  // Exact binary halves at the 16th digit: correct rounding would go to even.
  EXPECT_EQ(FormatGeneral(0.09999847412109375), "0.0999984741210938");
  EXPECT_EQ(FormatGeneral(-0.09999847412109375), "-0.0999984741210938");
  EXPECT_EQ(FormatGeneral(31250000000.03125), "31250000000.0313");
  // Nines carry over into a new digit.
  EXPECT_EQ(FormatGeneral(0.99999999999999999), "1");
  EXPECT_EQ(FormatGeneral(9.9999999999999995), "10");
}

TEST(FormatGeneralExtended, WritesAnExtendedValueFromItsOwnDigits) {
  // Values a double holds give the double's text.
  EXPECT_EQ(FormatGeneralExtended(0.75L * RoundReal48(0.05L)), "0.0375000000000085");
  EXPECT_EQ(FormatGeneralExtended(-2.5L), "-2.5");
  EXPECT_EQ(FormatGeneralExtended(1e-7L), FormatGeneral(1e-7));
  // The two extended neighbours of a half between two 15-digit texts: a
  // double cannot tell them apart, their own digits can.
  const long double half = StrToFloat("0.1234567890123455");
  const long double below = std::nextafter(half, 0.0L);
  const long double above = std::nextafter(half, 1.0L);
  EXPECT_EQ(FormatGeneralExtended(below), "0.123456789012345");
  EXPECT_EQ(FormatGeneralExtended(above), "0.123456789012346");
  EXPECT_EQ(FormatGeneral(static_cast<double>(below)), FormatGeneral(static_cast<double>(above)));
  // Whatever the locale says, a point.
  test::CommaDecimalLocale comma;
  ASSERT_TRUE(comma.Active()) << test::CommaDecimalLocale::kMissing;
  EXPECT_EQ(FormatGeneralExtended(below), "0.123456789012345");
  EXPECT_EQ(FormatGeneralExtended(-2.5L), "-2.5");
}

TEST(FormatFixed, NineDecimalsAndFifteenDigits) {
  EXPECT_EQ(FormatFixed(0.0), "0.000000000");
  EXPECT_EQ(FormatFixed(12.5), "12.500000000");
  EXPECT_EQ(FormatFixed(59.9999999999), "60.000000000");
  EXPECT_EQ(FormatFixed(0.0000000004), "0.000000000");
  EXPECT_EQ(FormatFixed(0.0000000005), "0.000000001");
  EXPECT_EQ(FormatFixed(-0.0000000001), "0.000000000");
  EXPECT_EQ(FormatFixed(-1.25), "-1.250000000");
  EXPECT_EQ(FormatFixed(123456789.123456789), "123456789.123457000");
  // An exact half at the ninth decimal goes away from zero.
  EXPECT_EQ(FormatFixed(std::ldexp(1.0, -10)), "0.000976563");
}

TEST(NumberFormats, WhatIsNotAFiniteNumberIsRefusedNotWritten) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(test::ErrorOf([&] { FormatGeneral(inf); }), "Floating point overflow");
  EXPECT_EQ(test::ErrorOf([&] { FormatFixed(-inf); }), "Floating point overflow");
  EXPECT_EQ(test::ErrorOf([&] { FormatGeneral(nan); }), "Invalid floating point operation");
  EXPECT_EQ(test::ErrorOf([&] { FormatFixed(nan); }), "Invalid floating point operation");
  EXPECT_EQ(test::ErrorOf([&] { FormatGeneralExtended(static_cast<long double>(inf)); }), "Floating point overflow");
}

TEST(StrToFloat, AcceptsTheDecimalGrammar) {
  EXPECT_EQ(StrToFloat(" 12.500000"), 12.5L);
  EXPECT_EQ(StrToFloat("03.5000000"), 3.5L);
  EXPECT_EQ(StrToFloat("-1.5e2 "), -150.0L);
  EXPECT_EQ(StrToFloat("+.5"), 0.5L);
  EXPECT_EQ(StrToFloat("5."), 5.0L);
  EXPECT_EQ(StrToFloat("1E+3"), 1000.0L);
}

TEST(StrToFloat, RejectsEverythingElseWithTheConversionError) {
  EXPECT_EQ(ErrorOf([] { StrToFloat(" 1.5s;"); }), "' 1.5s;' is not a valid floating point value");
  for (const char* bad : {"", " ", "1.2.3", "e5", "1e", "1e+", "--1", "1 2", "0x10", "nan", "inf", "1,5", "1e99999"}) {
    EXPECT_THROW(StrToFloat(bad), ClipvexError) << bad;
  }
}

TEST(StrToFloat, IgnoresTheLocaleDecimalSeparator) {
  test::CommaDecimalLocale comma;
  ASSERT_TRUE(comma.Active()) << test::CommaDecimalLocale::kMissing;
  EXPECT_EQ(StrToFloat("2.25"), 2.25L);
  EXPECT_EQ(StrToFloat("-1.5e2 "), -150.0L);
  EXPECT_THROW(StrToFloat("2,25"), ClipvexError);
  EXPECT_EQ(FormatGeneral(2.25), "2.25");
  EXPECT_EQ(FormatGeneral(0.0000015), "1.5E-6");
  EXPECT_EQ(FormatFixed(-1.25), "-1.250000000");
}

TEST(StrToInt, LeadingBlanksSignAndDigitsOnly) {
  EXPECT_EQ(StrToInt(" 2"), 2);
  EXPECT_EQ(StrToInt("-17"), -17);
  EXPECT_EQ(StrToInt("+0"), 0);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ErrorOf([] { StrToInt(""); }), "'' is not a valid integer value");
  for (const char* bad : {"2 ", "1.0", "2147483648", "-2147483649", "-", "$10", "99999999999999999999"}) {
    EXPECT_THROW(StrToInt(bad), ClipvexError) << bad;
  }
}

}  // namespace
}  // namespace clipvex

namespace clipvex {
namespace {

// The scaled fast path must give the same text as the full decimal
// expansion for every stored value, near halves and powers of ten included.
TEST(NumberFormats, FastPathAgreesWithTheDecimalExpansion) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-14, 16);
  auto check = [](double v) {
    double stored = RoundReal48(v);
    ASSERT_EQ(FormatGeneral(stored), detail::FormatGeneralExact(stored)) << stored;
    ASSERT_EQ(FormatFixed(stored), detail::FormatFixedExact(stored)) << stored;
  };
  for (int i = 0; i < 200000; ++i) {
    double v = mantissa(rng) * std::pow(10.0, exponent(rng));
    check(i % 2 ? v : -v);
  }
  for (int e = -13; e <= 16; ++e) {
    double p = std::pow(10.0, e);
    for (double f : {1.0, 0.5, 0.999999999999999, 1.000000000000001, 5.0, 9.9999999999999}) check(p * f);
  }
  // Sums of binary fractions give exact halves at the last kept digit.
  for (int k = 1; k < 40; ++k) {
    for (long long a : {1LL, 3LL, 13107LL, 1000000000001LL, 999999999999LL})
      check(std::ldexp(static_cast<double>(a), -k));
  }
}

}  // namespace
}  // namespace clipvex

namespace clipvex {
namespace {

// Plain decimals take a shortcut; it must give the library's correctly
// rounded value bit for bit.
TEST(StrToFloat, ShortcutMatchesTheLibraryConversion) {
  std::mt19937_64 rng(4242);
  for (int i = 0; i < 100000; ++i) {
    int intDigits = static_cast<int>(rng() % 10);
    int fracDigits = static_cast<int>(rng() % 12);
    std::string text = (rng() % 3 == 0) ? "-" : "";
    for (int d = 0; d < intDigits; ++d) text.push_back(static_cast<char>('0' + rng() % 10));
    if (fracDigits > 0 || intDigits == 0) text.push_back('.');
    for (int d = 0; d < fracDigits || (intDigits == 0 && d == 0); ++d)
      text.push_back(static_cast<char>('0' + rng() % 10));
    long double expected = std::strtold(text.c_str(), nullptr);
    ASSERT_EQ(StrToFloat(text), expected) << text;
  }
  EXPECT_TRUE(std::signbit(StrToFloat("-0.0")));
  EXPECT_EQ(StrToFloat("999999999999999999"), 999999999999999999.0L);
  EXPECT_EQ(StrToFloat("0.123456789012345678"), std::strtold("0.123456789012345678", nullptr));
}

}  // namespace
}  // namespace clipvex
