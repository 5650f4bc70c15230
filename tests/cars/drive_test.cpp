// The player's driving, one tick at a time: throttle, brake, steering,
// the bend's push, drift and skid clouds, exhaust flash, shake, and the
// closing rules every car shares (tunnel walls, kerb and grass, limits,
// retirement).
#include <cmath>
#include <string>
#include <vector>

#include "car_fixture.h"

namespace {

constexpr float ANY = NAN;

void expectIf(float want, float got, const char* field, float tolerance = 1e-6f) {
  if (!std::isnan(want)) {
    EXPECT_NEAR(got, want, tolerance) << field;
  }
}

}  // namespace

TEST_F(CarTest, PlayerControlsForOneTick) {
  struct Case {
    const char* what;
    int colour;
    std::vector<int> keys;
    float speed, steer, steerResult, drift, segmentDX;
    int jumping;
    float wantSpeed, wantSteer, wantSteerResult, wantDrift, wantDriftFraction;
    float wantDX, dxTolerance;
    int wantClouds;
  };
  const int R = TCar::PLAYER_CAR_COLOR_RED;
  const int G = TCar::PLAYER_CAR_COLOR_GREEN;
  const Case cases[] = {
      {"throttle from rest", R, {KEY_UP}, 0, 0, 0, 0, 0, 0,
       0.000203125f, 0, 0, 0, 0, 0, 1e-3f, 0},
      {"throttle A in the last 3 %", R, {KEY_A}, 0.32f, 0, 0, 0, 0, 0,
       0.32f + 0.005f / 4800, ANY, ANY, ANY, ANY, ANY, 0, 0},
      {"throttle never passes top speed", R, {KEY_UP}, 0.325f, 0, 0, 0, 0, 0,
       0.325f, ANY, ANY, ANY, ANY, ANY, 0, 0},
      {"throttle wins over brake", R, {KEY_UP, KEY_DOWN}, 0.1f, 0, 0, 0, 0, 0,
       0.1f + 0.225f / 1600, ANY, ANY, ANY, ANY, ANY, 0, 0},
      {"brake to a stop ends the slide", R, {KEY_DOWN}, 0.0005f, 3, 3, 0, 0, 0,
       0, ANY, 0, ANY, ANY, ANY, 0, 0},
      {"brake at rest changes nothing", R, {KEY_Z}, 0, 3, 3, 0, 0, 0,
       0, ANY, 3, ANY, ANY, ANY, 0, 0},
      {"brake Y", R, {KEY_Y}, 0.2f, 0, 0, 0, 0, 0,
       0.2f - 0.0006f, ANY, ANY, ANY, ANY, ANY, 0, 0},
      {"coasting stops at zero", R, {}, 0.00003f, 0, 0, 0, 0, 0,
       0, ANY, ANY, ANY, ANY, ANY, 0, 0},
      {"coasting and a straight wheel shed drift", R, {}, 0.1f, 0, 0, 0.5f, 0, 0,
       0.1f - 0.00004f, 0, ANY, 0.5f - 0.01f - 0.1f - 0.065f, 0, ANY, 0, 0},
      {"green car one tick left", G, {KEY_LEFT}, 0.03f, 0, 0, 0, 0, 0,
       0.02996f, -0.06706f, -0.02996f, 0, 0, -0.02996f, 0.06f, 0},
      {"left wins over right", R, {KEY_COMMA, KEY_PERIOD}, 0, 0, 0, 0, 0, 0,
       0, -0.0958f, 0, ANY, ANY, 0, 0, 0},
      {"steering stops at the limit", R, {KEY_RIGHT}, 0, 9.99f, 0, 0, 0, 0,
       0, 10, 0, ANY, ANY, ANY, 0, 0},
      {"steering frozen in the air", R, {KEY_LEFT}, 0, 4, 0, 0, 0, 1,
       0, 4, 0, ANY, ANY, ANY, 0, 0},
      {"full lock at top speed: response and drift", R, {KEY_UP, KEY_RIGHT}, 0.325f, 10, 0, 0, 0, 0,
       0.325f, 10, 0.325f, 1 / 5.5f - 0.065f, 0, 0.325f, 0.65f, 0},
      {"a bend pushes outward", R, {}, 0.3f, 0, 0, 0, 0.02f, 0,
       ANY, 0, 0, ANY, ANY, -0.02f * (240 * 0.29996f) * (240 * 0.29996f) / 10, 0.6f, 0},
      // At rest the response holds 5 while drift widens the movement.
      {"drift of 0.9 is not applied", R, {}, 0, 5, 5, 0.9f + 0.165f, 0, 0,
       0, ANY, 5, 0.9f, 0, 5, 1e-4f, 0},
      {"drift of 1.9 widens but lays no cloud", R, {}, 0, 5, 5, 1.9f + 0.165f, 0, 0,
       0, ANY, 5, 1.9f, 0.19f, 5 * 1.038f * 1.038f, 1e-4f, 0},
      {"drift of 2.1 lays a pair of clouds", R, {}, 0, 5, 5, 2.1f + 0.165f, 0, 0,
       0, ANY, 5, 2.1f, 0.21f, 5 * 1.042f * 1.042f, 1e-4f, 2},
      {"drift of 12 applies at most 1.44", R, {}, 0, 5, 5, 12.165f, 0, 0,
       0, ANY, 5, 12, 1, 7.2f, 1e-4f, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    auto car = player(c.colour);
    auto skid = std::make_shared<RecordingChannel>();
    car->fChnSkid = skid;
    car->fSpeed = c.speed;
    car->fSteer = c.steer;
    car->fSteerResult = c.steerResult;
    car->fDrift = c.drift;
    car->fSegmentDX = c.segmentDX;
    car->fJumping = c.jumping;
    car->fJumpY = c.jumping ? 50 : 0;
    car->fJumpDY = 1;
    hold(c.keys);
    car->update(c.speed);
    expectIf(c.wantSpeed, car->fSpeed, "fSpeed", 1e-7f);
    expectIf(c.wantSteer, car->fSteer, "fSteer");
    expectIf(c.wantSteerResult, car->fSteerResult, "fSteerResult");
    expectIf(c.wantDrift, car->fDrift, "fDrift", 1e-5f);
    expectIf(c.wantDriftFraction, car->fDriftFraction, "fDriftFraction", 1e-5f);
    expectIf(c.wantDX, car->fX, "fX", c.dxTolerance);
    EXPECT_NEAR(skid->volume, car->fDriftFraction * 0.2f, 1e-6);
    EXPECT_EQ(countProps(TProp::PROP_SKID_CLOUD), c.wantClouds);
    EXPECT_EQ(car->fZ, TCar::PLAYER_Z);
  }
}

TEST_F(CarTest, SkidCloudsLieBehindTheRearWheels) {
  auto car = player();
  car->fDrawRearLWheelX = 68;
  car->fDrawRearRWheelX = 60;
  car->fX = 100;
  car->fDrift = 8;
  car->update(0);
  std::vector<std::shared_ptr<TProp>> clouds;
  for (auto e = TEntity::gFirstEntity; e; e = e->fNext) {
    auto p = std::dynamic_pointer_cast<TProp>(e);
    if (p && p->fType == TProp::PROP_SKID_CLOUD) clouds.push_back(p);
  }
  ASSERT_EQ(clouds.size(), 2u);
  float xs[2] = {clouds[0]->fX, clouds[1]->fX};
  std::sort(xs, xs + 2);
  EXPECT_NEAR(xs[0], 100 - 68, 1e-4);
  EXPECT_NEAR(xs[1], 100 + 60, 1e-4);
  for (auto& p : clouds) EXPECT_TRUE(p->fZ >= 4.75f && p->fZ <= 4.85f) << p->fZ;
}

TEST_F(CarTest, ThrottleHeldApproachesButNeverPassesTopSpeed) {
  auto car = player();
  hold({KEY_UP});
  int ticksTo97 = 0;
  for (int t = 1; t <= 30000; t++) {
    car->update(car->fSpeed);
    ASSERT_LE(car->fSpeed, car->fTopSpeed);
    if (!ticksTo97 && car->fSpeed >= 0.97f * 0.325f) ticksTo97 = t;
  }
  EXPECT_NEAR(ticksTo97, 5600, 100);
  EXPECT_GT(car->fSpeed, 0.3245f);
}

TEST_F(CarTest, ExhaustFlashOnlyAboveHalfTopSpeed) {
  struct Case {
    const char* what;
    float speed;
    int timer;
    int wantTimerLow, wantTimerHigh;
    float wantScale;
    size_t wantSounds;
  } cases[] = {
      {"fast car flashes", 0.3f, 2, 100, 5000, 0.17f, 1},
      {"slow car only restarts the countdown", 0.1f, 2, 100, 5000, 0, 0},
      {"standing car counts down by one", 0, 2, 1, 1, 0, 0},
      {"moving car counts down by two", 0.1f, 50, 48, 48, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    exhaustFlash->shots.clear();
    auto car = player();
    car->fSpeed = c.speed;
    car->fTopSpeed = 0.325f;
    car->fExhaustFlashTimer = c.timer;
    hold({KEY_UP});
    car->fAccFactor = 0;  // keep the speed
    car->update(c.speed);
    EXPECT_GE(car->fExhaustFlashTimer, c.wantTimerLow);
    EXPECT_LE(car->fExhaustFlashTimer, c.wantTimerHigh);
    EXPECT_NEAR(car->fExhaustFlashScale, c.wantScale, 1e-6);
    ASSERT_EQ(exhaustFlash->shots.size(), c.wantSounds);
    if (c.wantSounds) {
      EXPECT_FLOAT_EQ(exhaustFlash->lastVolume(), 0.2f);
    }
  }
}

TEST_F(CarTest, ExhaustFlashGrowsThenEnds) {
  auto car = player();
  car->fExhaustFlashScale = 0.1f;
  car->fExhaustFlashTimer = 100000;
  int ticks = 0;
  float last = 0.1f;
  while (car->fExhaustFlashScale > 0 && ticks < 100) {
    car->update(0);
    ticks++;
    if (car->fExhaustFlashScale > 0) {
      EXPECT_GT(car->fExhaustFlashScale, last);
    }
    last = car->fExhaustFlashScale;
  }
  EXPECT_TRUE(ticks >= 20 && ticks <= 21) << ticks;
}

TEST_F(CarTest, ShakeGrowsWithSpeedAndIsNoneAtRest) {
  auto car = player();
  car->fAccFactor = 0;
  hold({KEY_UP});
  for (float speed : {0.0f, 0.3f}) {
    car->fSpeed = speed;
    float minDX = 1e9f, maxDX = -1e9f;
    for (int t = 0; t < 400; t++) {
      float before = car->fX;
      car->update(speed);
      minDX = std::min(minDX, car->fX - before);
      maxDX = std::max(maxDX, car->fX - before);
    }
    EXPECT_GE(minDX, -2 * speed - 1e-4f);
    EXPECT_LE(maxDX, 2 * speed + 1e-4f);
    if (speed > 0) {
      EXPECT_GT(maxDX - minDX, speed * 2);
    } else {
      EXPECT_EQ(maxDX - minDX, 0);
    }
  }
}

// The closing steps, shown on the player's car with the throttle held at a
// top speed equal to its speed (so the speed only changes by the rule
// under test) and a wheel that does not return to straight.
TEST_F(CarTest, TunnelWallsKerbsGrassAndLimits) {
  struct Case {
    const char* what;
    float x;
    int inTunnel;
    float sideBumpTime, speed, steer;
    float wantX, wantSpeed, wantSteer;
    int wantLeft, wantRight;
    float wantSideBumpTime;
    size_t bumps, grassBumps, crashes;
  } cases[] = {
      {"kerb bump slows the car", 300, 0, 0.1f, 0.2f, 0, 300, 0.19988f, 0, 0, 1, 4, 1, 0, 0},
      {"kerb bump at the floor speed", 300, 0, 0.1f, 0.13f, 0, 300, 0.13f, 0, 0, 1, 4, 1, 0, 0},
      {"grass bump stops at the floor", 400, 0, 0.1f, 0.1305f, 0, 400, 0.13f, 0, 0, 1, 4, 0, 1, 0},
      {"grass bump at speed", -400, 0, 0.1f, 0.3f, 0, -400, 0.294f, 0, 1, 0, 4, 0, 1, 0},
      {"no bump before the distance is driven", 300, 0, 1, 0.2f, 0, 300, 0.2f, 0, 0, 1, 0.8f, 0, 0, 0},
      {"far off the road both sides shake", -500, 0, 3, 0.2f, 0, -500, 0.2f, 0, 1, 1, 2.8f, 0, 0, 0},
      {"on the road nothing counts", 100, 0, 0.1f, 0.2f, 0, 100, 0.2f, 0, 0, 0, 0.1f, 0, 0, 0},
      {"tunnel wall throws the car back", 370, 1, 0.1f, 0.2f, 4, 280, 0.14f, -4, 0, 0, 0.1f, 0, 0, 1},
      {"tunnel wall on the left", -370, 1, 0.1f, 0.2f, -4, -280, 0.14f, 4, 0, 0, 0.1f, 0, 0, 1},
      {"kerb inside a tunnel is a kerb", 300, 1, 0.1f, 0.2f, 0, 300, 0.19988f, 0, 0, 1, 4, 1, 0, 0},
      {"far out is cut to 1600", 1700, 0, 3, 0.2f, 0, 1600, 0.2f, 0, 1, 1, 2.8f, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    bump->shots.clear();
    grassBump->shots.clear();
    crash->shots.clear();
    auto car = player(TCar::PLAYER_CAR_COLOR_RED, c.x);
    car->fScale = 0.5f;
    car->fInTunnel = c.inTunnel;
    car->fSideBumpTime = c.sideBumpTime;
    car->fSpeed = car->fTopSpeed = c.speed;
    car->fSteer = car->fSteerResult = c.steer;
    car->fSteerReturnFactor = 1;
    hold({KEY_UP});
    car->update(c.speed);
    EXPECT_NEAR(car->fX, c.wantX, 1) << "fX";
    EXPECT_NEAR(car->fSpeed, c.wantSpeed, 1e-6) << "fSpeed";
    EXPECT_NEAR(car->fSteer, c.wantSteer, 1e-6) << "fSteer";
    EXPECT_EQ(car->fLeftWheelBump, c.wantLeft);
    EXPECT_EQ(car->fRightWheelBump, c.wantRight);
    EXPECT_NEAR(car->fSideBumpTime, c.wantSideBumpTime, 1e-6);
    EXPECT_EQ(bump->shots.size(), c.bumps);
    EXPECT_EQ(grassBump->shots.size(), c.grassBumps);
    EXPECT_EQ(crash->shots.size(), c.crashes);
    if (c.bumps) {
      EXPECT_FLOAT_EQ(bump->lastVolume(), 0.05f);
    }
    if (c.grassBumps) {
      EXPECT_FLOAT_EQ(grassBump->lastVolume(), 0.05f);
    }
    if (c.crashes) {
      EXPECT_FLOAT_EQ(crash->lastVolume(), 0.1f);
    }
    if (c.inTunnel && c.crashes) {
      EXPECT_EQ(car->fSteerResult, 0);
    }
  }
}

TEST_F(CarTest, OpponentsBumpSilentlyAndRetireOutsideTheRoad) {
  struct Case {
    const char* what;
    int human;
    float z, x;
    int wantActive;
    float wantSpeed;
  } cases[] = {
      {"opponent beyond the far line", 0, 62.6f, 0, 0, 0.2f},
      {"opponent far behind", 0, -17.7f, 0, 0, 0.2f},
      {"opponent on the kerb bumps silently", 0, 30, 300, 1, 0.2f - 0.00012f - 0.0006f},
      {"the player's car stays", 1, 5, 0, 1, 0.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    bump->shots.clear();
    std::shared_ptr<TCar> car;
    if (c.human) {
      car = player(TCar::PLAYER_CAR_COLOR_RED, c.x);
      car->fSpeed = car->fTopSpeed = 0.2f;
      hold({KEY_UP});
    } else {
      car = opponent(c.z, c.x, 0.2f);
      car->fTargetX = c.x;
      car->fTargetSpeed = 0.1f;
      hold({});
    }
    car->fSideBumpTime = 0.1f;
    TCar::gEnemyCount = 1;
    car->update(0.2f);
    EXPECT_EQ(car->fActive, c.wantActive);
    EXPECT_EQ(TCar::gEnemyCount, c.human || c.wantActive ? 1 : 0);
    if (c.wantActive) {
      EXPECT_NEAR(car->fSpeed, c.wantSpeed, 1e-6);
    }
    EXPECT_EQ(bump->shots.size(), 0u);
  }
}
