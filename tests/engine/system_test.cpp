// The int rule, the fatal error, the millisecond clock and the sleep.
#include <gtest/gtest.h>
#include <sys/sysinfo.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/clock.h"
#include "engine/system.h"

TEST(Int, TruncatesTowardZeroAndSaturates) {
  struct Case {
    double v;
    int expected;
  } cases[] = {
      {2.9, 2}, {-2.9, -2}, {0.5, 0}, {-0.5, 0}, {-0.7, 0}, {1e-9, 0}, {1.5, 1}, {-1.5, -1},
      {NAN, 0}, {1e12, INT_MAX}, {-1e12, INT_MIN}, {INFINITY, INT_MAX}, {-INFINITY, INT_MIN},
      {2147483647.9, INT_MAX}, {-2147483648.5, INT_MIN}, {-2147483647.5, -2147483647},
  };
  for (const Case& c : cases) EXPECT_EQ(Int(c.v), c.expected) << c.v;
}

namespace {
void SayExitHandlerRan() { std::fputs("[exit handler]", stderr); }
}  // namespace

TEST(RuntimeErrorDeathTest, WritesTheMessageAsItIsAndExitsWith255) {
  // No newline added, and the exit handlers still run after the message.
  EXPECT_EXIT(
      {
        std::atexit(SayExitHandlerRan);
        RuntimeError("Error: Cannot set audio driver.");
      },
      testing::ExitedWithCode(255), "^Error: Cannot set audio driver\\.\\[exit handler\\]$");
}

TEST(Clock, ReadingsWrapAt32BitsAndDifferencesSurviveTheWrap) {
  struct Case {
    long long wall;
    int base;
    int reading;
  } readings[] = {
      {1000, 0, 1000},
      {2147483647LL, 0, INT_MAX},
      {2147483648LL, 0, INT_MIN},
      {4294967296LL + 5, 0, 5},
      {1700000000000LL, static_cast<int>(1700000000000LL % 4294967296LL) - 10, 10},
      {5, -20, 25},
  };
  for (const Case& c : readings) EXPECT_EQ(ClockMilliSecs(c.wall, c.base), c.reading) << c.wall;

  struct Span {
    long long from;
    int ms;
  } spans[] = {
      {2147483647LL - 3, 10}, {4294967296LL - 1, 2}, {4294967296LL * 7 - 50, 100}, {123, 5000}, {2147483600LL, 0},
  };
  for (const Span& s : spans) {
    const int base = 977;
    const int earlier = ClockMilliSecs(s.from, base);
    const int later = ClockMilliSecs(s.from + s.ms, base);
    EXPECT_EQ(MilliSecsDiff(later, earlier), s.ms) << s.from;
  }
}

TEST(Clock, CountsFromAboutBootTime) {
  struct sysinfo info{};
  ASSERT_EQ(sysinfo(&info), 0);
  const long long uptimeMs = static_cast<long long>(info.uptime) * 1000;
  EXPECT_NEAR(static_cast<double>(static_cast<unsigned>(MilliSecs())), static_cast<double>(uptimeMs % 4294967296LL),
              3000.0);
}

TEST(Clock, DelaySleepsAtLeastItsTimeAndIgnoresNegatives) {
  int start = MilliSecs();
  Delay(30);
  EXPECT_GE(MilliSecsDiff(MilliSecs(), start), 30);
  // Zero and negative delays return at once (generously: well under a second).
  start = MilliSecs();
  Delay(0);
  Delay(-5);
  Delay(INT_MIN);
  EXPECT_LT(MilliSecsDiff(MilliSecs(), start), 1000);
}

TEST(Clock, ATestClockReadsWhatIsSetAndDelayMovesItWithoutSleeping) {
  const int wallStart = MilliSecs();
  SetTestClock(INT_MAX - 1);
  EXPECT_EQ(MilliSecs(), INT_MAX - 1);
  AdvanceTestClock(3);
  EXPECT_EQ(MilliSecs(), INT_MIN + 1) << "wraps like the real clock";
  Delay(60000);
  EXPECT_EQ(MilliSecsDiff(MilliSecs(), INT_MAX - 1), 60003);
  Delay(-5);
  EXPECT_EQ(MilliSecsDiff(MilliSecs(), INT_MAX - 1), 60003);
  ReleaseTestClock();
  EXPECT_LT(MilliSecsDiff(MilliSecs(), wallStart), 30000) << "the minute was never slept";
}
