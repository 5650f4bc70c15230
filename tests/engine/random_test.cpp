// The generator: seeding rules, the exact step, and seeded sequences of the
// float and integer ranges.
#include <gtest/gtest.h>

#include <random>

#include "engine/random.h"

TEST(Random, SeedingFoldsDegenerateSeedsToTheInitialState) {
  struct Case {
    int seed;
    int state;
  } cases[] = {
      {0, 4660}, {0x7FFFFFFF, 4660}, {-1, 4660}, {4660, 4660}, {1, 1}, {-2, 0x7FFFFFFE}, {INT32_MIN + 5, 5},
  };
  for (const Case& c : cases) {
    SeedRnd(c.seed);
    EXPECT_EQ(gRndState, c.state) << "seed " << c.seed;
  }
}

TEST(Random, StepsMatchTheMinimalStandardGenerator) {
  SeedRnd(1);
  std::minstd_rand reference(1);
  for (int i = 0; i < 1000; ++i) {
    const unsigned a = reference();
    const unsigned b = reference();
    const double expected = ((a & 0x1FFFFFFC) + (b & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
    ASSERT_EQ(RndUnit(), expected) << "draw " << i;
    ASSERT_EQ(gRndState, static_cast<int>(b));
  }
  // From state 1 the steps give 48271, then 182605794.
  SeedRnd(1);
  EXPECT_EQ(RndUnit(), (48268 + 182605792 / 134217728.0) / 536870912.0);
  EXPECT_EQ(gRndState, 182605794);
  // The largest state still steps without overflow.
  gRndState = 0x7FFFFFFE;
  std::minstd_rand top(0x7FFFFFFE);
  top();
  RndUnit();
  EXPECT_EQ(gRndState, static_cast<int>(top()));
}

TEST(Random, SeededSequencesAreFixed) {
  SeedRnd(12345);
  const int ints[] = {11, 80, 66, 51, 31, 87};
  for (int expected : ints) EXPECT_EQ(RndInt(1, 100), expected);
  const double floats[] = {0.004594942947286684, 0.899292161551936, -0.6358362246308424};
  for (double expected : floats) EXPECT_DOUBLE_EQ(RndFloat(-1.0, 1.0), expected);
  // Reversed bounds draw from the same closed range.
  const int reversed[] = {7, 19, 4, 16, 11, 20};
  for (int expected : reversed) EXPECT_EQ(RndInt(20, 1), expected);
  EXPECT_EQ(gRndState, 1616648752);
}

TEST(Random, RangesHoldTheirBounds) {
  SeedRnd(99);
  int seen[21] = {};
  for (int i = 0; i < 20000; ++i) {
    EXPECT_EQ(RndInt(5, 5), 5);
    EXPECT_EQ(RndFloat(3, 3), 3.0);
    const int v = RndInt(20, 1);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 20);
    ++seen[v];
    const double f = RndFloat(2.0, -2.0);
    ASSERT_GE(f, -2.0);
    ASSERT_LT(f, 2.0);
    const double u = RndUnit();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
  for (int v = 1; v <= 20; ++v) EXPECT_GT(seen[v], 800) << v;
  // The widest range must not overflow its difference.
  for (int i = 0; i < 100; ++i) RndInt(INT32_MIN, INT32_MAX);
  int ones = 0;
  for (int i = 0; i < 10000; ++i) ones += RndInt(1, 2) == 1;
  EXPECT_NEAR(ones, 5000, 300);
}
