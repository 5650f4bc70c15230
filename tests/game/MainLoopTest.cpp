// Tick arithmetic of the main loop: how many ticks a pass runs.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "engine/clock.h"
#include "game/MainLoop.h"

TEST(MainLoop, TicksPerPassFollowTheClock) {
  struct Case {
    const char* name;
    int lastTime, lastNumTicks;
    std::vector<int> readings;  // tick clock readings while waiting
    int ticks;                  // ticks the pass runs
    int newLastTime;
  };
  const Case cases[] = {
      {"start-up took 300 ms: 60 pending run the previous count", 1000, 1, {1060}, 1, 1060},
      {"one tick", 1000, 1, {1001}, 1, 1001},
      {"20 pending run 20", 1000, 3, {1020}, 20, 1020},
      {"21 pending run the previous count", 1000, 3, {1021}, 3, 1021},
      {"the wait ends at the first new tick", 1000, 2, {1000, 1000, 1002}, 2, 1002},
      {"clock went back: the previous count", 5000, 4, {100}, 4, 100},
      {"clock went back far: still the previous count", 5000, 7, {-429496729}, 7, -429496729},
  };
  for (const Case& c : cases) {
    gLastTime = c.lastTime;
    gLastNumTicks = c.lastNumTicks;
    int pending = 0;
    for (int reading : c.readings) pending = pollTickClock(reading);
    ASSERT_GT(pending, 0) << c.name;
    EXPECT_EQ(beginTickPass(), c.ticks) << c.name;
    EXPECT_EQ(gNumTicks, c.ticks) << c.name;
    EXPECT_EQ(gLastNumTicks, c.ticks) << c.name;
    EXPECT_EQ(gLastTime, c.newLastTime) << c.name;
  }
}

TEST(MainLoop, NoTickPendingWithinTheSameTick) {
  gLastTime = 1000;
  gLastNumTicks = 1;
  EXPECT_EQ(pollTickClock(1000), 0);
  EXPECT_EQ(gLastTime, 1000);
}

namespace {
int gUpdates = 0;
int gDraws = 0;
int gQuitAt = 0;
int countingUpdate() { return ++gUpdates == gQuitAt ? 0 : 1; }
int countingDraw() { return ++gDraws; }
}  // namespace

TEST(MainLoop, PassStopsAtTheQuittingTickAndStillDraws) {
  struct Case {
    int ticks, quitAt, updates, result;
  };
  const Case cases[] = {{5, 2, 2, 0}, {5, 0, 5, 1}, {1, 1, 1, 0}, {20, 20, 20, 0}};
  for (const Case& c : cases) {
    gUpdates = gDraws = 0;
    gQuitAt = c.quitAt;
    EXPECT_EQ(runTickPass(c.ticks, countingUpdate, countingDraw), c.result);
    EXPECT_EQ(gUpdates, c.updates);
    EXPECT_EQ(gDraws, 1);
  }
}

TEST(MainLoop, WaitingSleepsUntilTheNextTick) {
  // With the clock's real readings the wait returns within a tick or two
  // and always runs at least one tick.
  gLastNumTicks = 1;
  gLastTime = 0;
  waitForTicks();
  for (int pass = 0; pass < 5; ++pass) {
    int before = gLastTime;
    int ticks = waitForTicks();
    EXPECT_GE(ticks, 1);
    EXPECT_GT(gLastTime, before);
  }
}

TEST(MainLoop, WaitingSleepsToTheNextFiveMillisecondBoundaryExactly) {
  struct Case {
    const char* name;
    int clock, lastTime, lastNumTicks;
    int ticks, clockAfter, lastTimeAfter;
  };
  const Case cases[] = {
      {"mid-tick: sleeps the 2 ms left", 1003, 200, 1, 1, 1005, 201},
      {"on the boundary of the last pass: one whole tick", 1000, 200, 1, 1, 1005, 201},
      {"ticks pending: no sleep", 1000, 197, 1, 3, 1000, 200},
      {"a stall of 30 ticks runs the last pass's count", 1000, 170, 4, 4, 1000, 200},
      {"clock went back: rebased, no sleep", 1000, 500, 2, 2, 1000, 200},
      {"the clock wrapped: rebased like going back", INT_MIN + 3, INT_MAX / 5, 1, 1, INT_MIN + 3,
       (INT_MIN + 3) / 5},
  };
  for (const Case& c : cases) {
    SetTestClock(c.clock);
    gLastTime = c.lastTime;
    gLastNumTicks = c.lastNumTicks;
    EXPECT_EQ(waitForTicks(), c.ticks) << c.name;
    EXPECT_EQ(MilliSecs(), c.clockAfter) << c.name;
    EXPECT_EQ(gLastTime, c.lastTimeAfter) << c.name;
  }
  ReleaseTestClock();
}

TEST(MainLoop, TickFractionIsTheShareOfTheNextTickGone) {
  struct Case {
    int lastTime, ms;
    float fraction;
  };
  const Case cases[] = {
      {200, 1000, 0},     {200, 1001, 0.2f}, {200, 1004, 0.8f},
      {200, 999, 0},      // before the tick the pass caught up to
      {200, 1013, 4095.0f / 4096.0f},  // a slow pass: just below a whole tick
      {-200, -1000, 0.8f},  // below zero tick -200 runs from -1004 to -1000
      {-200, -1004, 0},
  };
  for (const Case& c : cases) {
    gLastTime = c.lastTime;
    EXPECT_FLOAT_EQ(measureTickFraction(c.ms), c.fraction) << c.lastTime << " " << c.ms;
  }
}

// Frames at a display's rate fall between milliseconds: the fraction follows
// the clock to the microsecond, split as MilliSecs() splits it.
TEST(MainLoop, TickFractionFollowsTheClockToTheMicrosecond) {
  struct Case {
    int lastTime;
    long long us;
    float fraction;
  };
  const Case cases[] = {
      {200, 1000000, 0},        {200, 1000500, 0.1f},
      {200, 1001944, 0.3888f},  // 144 Hz: a frame 6.944 ms after 995 ms
      {200, 1004999, 0.9998f},  {200, 999999, 0},
      {-200, -1000001, 0.7998f},  // below zero: MilliSecs() reads -1001
      {-200, -1004000, 0},
  };
  for (const Case& c : cases) {
    gLastTime = c.lastTime;
    EXPECT_NEAR(measureTickFractionMicros(c.us), c.fraction, 1e-6) << c.lastTime << " " << c.us;
  }
  // The test clock held to the microsecond reads whole ms as before.
  SetTestClockMicros(-1000001);
  EXPECT_EQ(MilliSecs(), -1001);
  EXPECT_EQ(MicroSecs(), -1000001);
  SetTestClock(2147483647);
  AdvanceTestClock(1);
  EXPECT_EQ(MilliSecs(), -2147483647 - 1) << "wraps at 32 bits";
  SetTestClockMicros(5001999);
  gLastTime = 1000;
  static float seen = -1;
  runTickPass(0, countingUpdate, [] { seen = gTickFraction; return 0; });
  EXPECT_NEAR(seen, 0.3998f, 1e-6);
  ReleaseTestClock();
}

TEST(MainLoop, APacedPassTakesWhatIsPendingWithoutWaiting) {
  SetTestClock(5000);
  gPassPresented = 1;
  gLastTime = 1000;
  gLastNumTicks = 1;
  EXPECT_EQ(waitForPass(1), 0);
  EXPECT_EQ(MilliSecs(), 5000) << "no sleep for a tick";
  AdvanceTestClock(12);
  EXPECT_EQ(waitForPass(1), 2);
  EXPECT_EQ(gLastTime, 1002);
  AdvanceTestClock(1);
  EXPECT_EQ(waitForPass(0), 1) << "unpaced, the pass waits for the next tick";
  EXPECT_EQ(MilliSecs(), 5015);
  ReleaseTestClock();
}

TEST(MainLoop, TheFrameIsDrawnWithTheFractionAndItIsClearedAfter) {
  static float seen = -1;
  SetTestClock(5003);
  gLastTime = 1000;
  runTickPass(0, countingUpdate, [] { seen = gTickFraction; return 0; });
  EXPECT_FLOAT_EQ(seen, 0.6f);
  EXPECT_EQ(gTickFraction, 0);
  ReleaseTestClock();
}
