// How opponents drive: speed from the bend, lane keeping, lifting off on a
// warning, the overtaking points, and the speed ceiling.
#include <cmath>
#include <set>

#include "car_fixture.h"

namespace {
constexpr float ANY_SPEED = NAN;
}  // namespace

TEST_F(CarTest, OpponentTargetSpeedFollowsTheBend) {
  struct Case {
    float factor, dxFraction, want;
  } cases[] = {
      {0.8f, 0, 0.26f},
      {0.8f, -1, 0.2288f},
      {0.8f, 1, 0.2288f},
      {1.1f, 0.5f, (0.325f - 0.0195f) * 1.1f},
  };
  for (const Case& c : cases) {
    auto car = opponent(30, 0, 0.1f);
    car->fTargetSpeedFactor = c.factor;
    car->setSegmentDX(0.0015f, c.dxFraction);
    EXPECT_NEAR(car->fTargetSpeed, c.want, 1e-6) << c.factor << " " << c.dxFraction;
    EXPECT_FLOAT_EQ(car->fSegmentDX, 0.0015f);
  }
}

TEST_F(CarTest, OvertakingPaysFiveOncePerOpponent) {
  auto car = opponent(5.2f, 0, 0.1f);
  car->update(0.35f);
  EXPECT_NEAR(car->fZ, 4.95f, 1e-5);
  EXPECT_EQ(TScore::gScore, 5);
  car->update(0.35f);
  EXPECT_NEAR(car->fZ, 4.7f, 1e-4);
  // Retaking the lead and being passed again pays nothing.
  car->fZ = 5.5f;
  car->update(0.9f);
  EXPECT_LT(car->fZ, 5);
  EXPECT_EQ(TScore::gScore, 5);
  // A car that was already behind pays nothing when it falls back further.
  auto behind = opponent(4.9f, 0, 0.1f);
  behind->update(0.35f);
  EXPECT_EQ(TScore::gScore, 5);
}

TEST_F(CarTest, OpponentSpeedAndSteeringForOneTick) {
  struct Case {
    const char* what;
    float speed, targetSpeed;
    int warning;
    float x, targetX, steer, segmentDX;
    float wantSpeed, wantSteer;
  } cases[] = {
      {"below target accelerates", 0.1f, 0.2f, 0, 0, 0, 0, 0, 0.1f + 0.225f / 1600, 0},
      {"above target brakes", 0.2f, 0.1f, 0, 0, 0, 0, 0, 0.2f - 0.0006f, 0},
      {"at target coasts", 0.2f, 0.2f, 0, 0, 0, 0, 0, 0.2f - 0.00004f, 0},
      {"warning lifts off below target", 0.1f, 0.2f, 1, 0, 0, 0, 0, 0.1f - 0.00004f, 0},
      {"road edge wins over the lane", 0.1f, 0.1f, 0, 300, 320, 0, 0, ANY_SPEED, -0.07f},
      {"left edge wins too", 0.1f, 0.1f, 0, -300, -320, 0, 0, ANY_SPEED, 0.07f},
      {"toward a lane on the right", 0.1f, 0.1f, 0, 0, 200, 1, 0, ANY_SPEED, 1.07f},
      {"toward a lane on the left, in a bend", 0.1f, 0.1f, 0, 0, -200, 0, 0.5f, ANY_SPEED, -0.105f},
      {"within the dead band it straightens", 0.1f, 0.1f, 0, 30, 0, 1, 0, ANY_SPEED, 0.7948f},
      {"steering stops at the limit", 0.1f, 0.1f, 0, 0, 200, 9.99f, 0, ANY_SPEED, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    auto car = opponent(30, c.x, c.speed);
    car->fTargetSpeed = c.targetSpeed;
    car->fAICollisionWarning = c.warning;
    car->fTargetX = c.targetX;
    car->fSteer = c.steer;
    car->fSegmentDX = c.segmentDX;
    car->update(c.speed);
    if (!std::isnan(c.wantSpeed)) {
      EXPECT_NEAR(car->fSpeed, c.wantSpeed, 1e-7);
    }
    EXPECT_NEAR(car->fSteer, c.wantSteer, 1e-5);
    EXPECT_EQ(car->fAICollisionWarning, 0);
    // Opponents have no shake: only the steering and the bend move them.
    float push = c.segmentDX * (210 * car->fSpeed) * (210 * car->fSpeed) / 10;
    EXPECT_NEAR(car->fX, c.x + car->fSteer - push, 1e-3);
  }
}

TEST_F(CarTest, SelectNewLaneDrawsOnTheOtherHalf) {
  auto car = opponent(30, 0, 0.1f);
  struct Case {
    float obstacleX;
    int low, high;
  } cases[] = {{0, 0, 320}, {-100, 0, 320}, {0.5f, -320, 0}, {250, -320, 0}};
  for (const Case& c : cases) {
    std::set<int> seen;
    for (int i = 0; i < 3000; i++) {
      car->selectNewLane(c.obstacleX);
      ASSERT_EQ(car->fTargetX, std::floor(car->fTargetX));
      seen.insert(static_cast<int>(car->fTargetX));
    }
    EXPECT_EQ(*seen.begin(), c.low) << c.obstacleX;
    EXPECT_EQ(*seen.rbegin(), c.high) << c.obstacleX;
  }
}

TEST_F(CarTest, NoOpponentPassesTheRedCarsTopSpeed) {
  auto car = opponent(30, 0, 0.2f);
  car->fTargetSpeedFactor = 1.17f;
  car->fAccFactor = 1.17f * 1.3f;
  car->setSegmentDX(0, 0);
  ASSERT_GT(car->fTargetSpeed, 0.325f);
  for (int t = 0; t < 30000; t++) {
    car->update(car->fSpeed);
    ASSERT_LE(car->fSpeed, TCar::TOP_SPEED);
  }
  EXPECT_GT(car->fSpeed, 0.3245f);
}

TEST_F(CarTest, FastOpponentEnteringAtTheFarLineLeavesAtOnce) {
  TCar::gEnemyCount = 0;
  auto car = TCar::Create(TEntity::gFarZ, 150, 0, TCar::PLAYER_CAR_COLOR_RED);
  EXPECT_EQ(TCar::gEnemyCount, 1);
  car->fSpeed = 0.3f;
  car->update(0.2f);
  EXPECT_EQ(car->fActive, 0);
  EXPECT_EQ(TCar::gEnemyCount, 0);
}

TEST_F(CarTest, GoldenCarFlashesInASixteenTickCycle) {
  auto car = opponent(30, 0, 0.1f);
  car->fGolden = 1;
  car->fGoldenColorTimer = 0;
  int zeros = 0;
  for (int t = 1; t <= 32; t++) {
    car->update(0.1f);
    ASSERT_LE(car->fGoldenColorTimer, TCar::GOLDEN_COLOR_TIME);
    zeros += car->fGoldenColorTimer == 0;
  }
  EXPECT_EQ(zeros, 2);
  EXPECT_EQ(car->fGoldenColorTimer, 0);
}

TEST_F(CarTest, OpponentKeepsSteeringInTheAir) {
  auto car = opponent(30, 0, 0.1f);
  car->fTargetX = 300;
  car->fJumping = 1;
  car->fJumpY = 20;
  car->fJumpDY = 0.5f;
  car->update(0.1f);
  EXPECT_NEAR(car->fSteer, 0.07f, 1e-6);
  EXPECT_NEAR(car->fJumpY, 20.5f, 1e-5);
  EXPECT_NEAR(car->fJumpDY, 0.49f, 1e-6);
}
