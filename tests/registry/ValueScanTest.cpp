// The value-line field scanners against the C library's formatted scan, which
// is the reference for every field they take (apart from integer overflow,
// which the scanners refuse on purpose).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "registry/ValueScan.h"

namespace {

const char* const kFloatRows[] = {
    "0.8",    "  -1.5e3", "1e",        "1e+", "1ex",  "1e5e",    "inf",   "infin",
    "-inf",   "infinity", "INFINITYx", "nan", "-nan", "nan(12)", "NaNx",  "na",
    "0x",     "0x1p3",    "0x1p",      "0xg", "0x.8", "0x.",     "0x.p1", "0X1.8P1z",
    ".",      "-.",       "+.e5",      ".5",  "5.",   "1.e3",    "  -0",  "1e999",
    "1e-999", "0x1P-149", "-",         "+",   "",     "   ",     "e5",    "1E+05",
    "1e-+5",  "00012.50", "1,5",       "--1", "0e",   "0xe",     "12abc", "\t\v\f\r 3"};

const char* const kIntRows[] = {"12abc",
                                "abc",
                                "-",
                                "+5",
                                "+-5",
                                "00000000000012345",
                                "-000000000001234",
                                "2147483647",
                                "-2147483648",
                                "0x10",
                                "  -12",
                                "",
                                "  ",
                                "9",
                                "-0",
                                "+",
                                "1234567890123x"};

const char* const kHexRows[] = {"1F",   " 1F",      "0x1F",        "0x0xg",     "0x",
                                "-1",   "-FFFFFFF", "+ab",         "FFFFFFFFF", "123456789",
                                "-0x5", "0X5",      "00000000001", "g",         "",
                                "-",    "0",        "-0xFFFFFF",   "+0x",       "0xx"};

TEST(ValueScanTest, FloatFieldsMatchTheCLibrary) {
  for (const char* row : kFloatRows) {
    float mine = -7.0f, theirs = -7.0f;
    int taken = -1;
    const char* p = row;
    const bool ok = quennet::ScanFloat(p, mine);
    const bool libc = std::sscanf(row, "%f%n", &theirs, &taken) == 1;
    EXPECT_EQ(ok, libc) << '"' << row << '"';
    if (!ok || !libc) {
      EXPECT_EQ(mine, -7.0f) << "a failed field stores nothing: " << row;
      continue;
    }
    EXPECT_EQ(std::memcmp(&mine, &theirs, sizeof mine), 0) << row;
    EXPECT_EQ(p - row, taken) << row;
  }
}

TEST(ValueScanTest, IntegerFieldsMatchTheCLibraryWithinThirtyTwoBits) {
  for (const char* row : kIntRows) {
    int32_t mine = -7;
    long long theirs = 0;
    int taken = -1;
    const char* p = row;
    const bool ok = quennet::ScanInt13(p, mine);
    const bool libc = std::sscanf(row, "%13lld%n", &theirs, &taken) == 1;
    const bool fits = libc && theirs >= INT32_MIN && theirs <= INT32_MAX;
    EXPECT_EQ(ok, fits) << '"' << row << '"';
    if (!ok || !fits) continue;
    EXPECT_EQ(mine, theirs) << row;
    EXPECT_EQ(p - row, taken) << row;
  }
}

TEST(ValueScanTest, IntegerFieldsBeyondThirtyTwoBitsAreRefused) {
  for (const char* row : {"2147483648", "-2147483649", "9999999999999", "-999999999999"}) {
    int32_t value = 5;
    const char* p = row;
    EXPECT_FALSE(quennet::ScanInt13(p, value)) << row;
    EXPECT_EQ(value, 5) << row;
  }
}

TEST(ValueScanTest, HexFieldsMatchTheCLibrary) {
  for (const char* row : kHexRows) {
    uint32_t mine = 7;
    unsigned long long theirs = 0;
    int taken = -1;
    const char* p = row;
    const bool ok = quennet::ScanHex8(p, mine);
    const bool libc = std::sscanf(row, "%8llX%n", &theirs, &taken) == 1;
    EXPECT_EQ(ok, libc) << '"' << row << '"';
    if (!ok || !libc) continue;
    EXPECT_EQ(mine, static_cast<uint32_t>(theirs)) << row;
    EXPECT_EQ(p - row, taken) << row;
  }
}

TEST(ValueScanTest, WordsMatchTheCLibraryAndAreCutToTheBuffer) {
  for (const char* row : {"word", "  two words", "\ttab\tsep", "", "   ", "x"}) {
    char mine[64], theirs[64];
    int taken = -1;
    const char* p = row;
    const bool ok = quennet::ScanWord(p, mine, sizeof mine);
    const bool libc = std::sscanf(row, "%63s%n", theirs, &taken) == 1;
    EXPECT_EQ(ok, libc) << '"' << row << '"';
    if (!ok || !libc) continue;
    EXPECT_STREQ(mine, theirs);
    EXPECT_EQ(p - row, taken);
  }
  char small[4] = {'z', 'z', 'z', 'z'};
  const char* p = "abcdef rest";
  EXPECT_TRUE(quennet::ScanWord(p, small, sizeof small));
  EXPECT_STREQ(small, "abc");
  EXPECT_STREQ(p, " rest") << "the whole word is taken even when cut";
  char none = 'z';
  p = "abc";
  EXPECT_TRUE(quennet::ScanWord(p, &none, 0));
  EXPECT_EQ(none, 'z') << "a zero-sized buffer is left alone";
}

}  // namespace
