// Running into things: knocks, jumps, crashes, wrecks, oil, the tunnel
// mouth, smoke after damage, and the opponents' look-ahead.
#include <cmath>

#include "car_fixture.h"

TEST_F(CarTest, PlayerRunningIntoAnOpponent) {
  struct Case {
    const char* what;
    float theirSpeed, dx;
    float wantSpeed;
    int wantJumping;
    float wantJumpDY;
    int wantDamage, wantActive;
    size_t wantPloks, wantCrashes;
    int wantExplosions;
  } cases[] = {
      {"crash", 0.25f, 0, 0.225f, 0, 0, 1, 1, 0, 1, 0},
      {"wheel to wheel: jump", 0.25f, 140, 0.294f, 1, 0.9f, 0, 1, 0, 1, 0},
      {"light knock", 0.28f, 0, 0.252f, 0, 0, 0, 1, 1, 0, 0},
      {"light knock wheel to wheel stays a knock", 0.28f, 140, 0.252f, 0, 0, 0, 1, 1, 0, 0},
      {"wreck", 0.15f, 0, 0.135f, 0, 0, 0, 0, 0, 0, 1},
      {"wheel to wheel saves from the wreck", 0.15f, 140, 0.294f, 1, 0.54f, 0, 1, 0, 1, 0},
      {"too far apart sideways", 0.15f, 163, 0.3f, 0, 0, 0, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    crash->shots.clear();
    plok->shots.clear();
    auto me = player();
    me->fSpeed = 0.3f;
    me->fScale = 1;
    auto them = opponent(5.5f, c.dx, c.theirSpeed);
    TEntity::updateDepthSortAll();
    me->checkCollisions(0);
    EXPECT_NEAR(me->fSpeed, c.wantSpeed, 1e-6);
    EXPECT_EQ(me->fJumping, c.wantJumping);
    EXPECT_NEAR(me->fJumpDY, c.wantJumpDY, 1e-6);
    EXPECT_EQ(me->fDamage, c.wantDamage);
    EXPECT_EQ(me->fActive, c.wantActive);
    EXPECT_EQ(me->fZ, TCar::PLAYER_Z);
    EXPECT_EQ(plok->shots.size(), c.wantPloks);
    EXPECT_EQ(crash->shots.size(), c.wantCrashes);
    if (c.wantCrashes) {
      EXPECT_FLOAT_EQ(crash->lastVolume(), 0.2f);
    }
    EXPECT_EQ(countProps(TProp::PROP_EXPLOSION), c.wantExplosions);
    // The player's wreck leaves no oil.
    EXPECT_EQ(countProps(TProp::PROP_OIL), 0);
    bool hit = c.dx < 162;
    EXPECT_NEAR(them->fZ, hit ? 5.96f : 5.5f, 1e-5);
    EXPECT_FLOAT_EQ(them->fSpeed, c.theirSpeed);
  }
}

TEST_F(CarTest, RunningIntoThingsThatAreNotCars) {
  struct Case {
    const char* what;
    int human;
    float speed, x;
    int propType;
    float propX;
    int jumping;
    float wantSpeed;
    int wantActive, wantOil, wantExplosions, wantPropActive;
  } cases[] = {
      {"opponent into a sign at rest", 0, 0.3f, 600, TProp::PROP_SIGN_TEST, 640, 0, 0, 0, 1, 1, 1},
      {"slow knock on a sign", 0, 0.03f, 600, TProp::PROP_SIGN_TEST, 640, 0, 0, 1, 0, 0, 1},
      {"jumping opponent still hits a sign", 0, 0.3f, 600, TProp::PROP_SIGN_TRESK, 640, 1, 0, 0, 1, 1, 1},
      {"tunnel mouth lets the car in", 1, 0.2f, 100, TProp::PROP_TUNNEL_START, 0, 0, 0.2f, 1, 0, 0, 1},
      {"tunnel front wall wrecks", 1, 0.2f, 400, TProp::PROP_TUNNEL_START, 0, 0, 0, 0, 0, 1, 1},
      {"banner is not hittable", 1, 0.2f, 0, TProp::PROP_BANNER_TIRES, 0, 0, 0.2f, 1, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    TCar::gEnemyCount = 0;
    auto car = c.human ? player(TCar::PLAYER_CAR_COLOR_RED, c.x) : opponent(20, c.x, c.speed);
    car->fSpeed = c.speed;
    car->fJumping = c.jumping;
    float z = car->fZ;
    auto prop = TProp::Create(z + 0.5f, c.propX, c.propType);
    TEntity::updateDepthSortAll();
    car->checkCollisions(0);
    EXPECT_NEAR(car->fSpeed, c.wantSpeed, 1e-6);
    EXPECT_EQ(car->fActive, c.wantActive);
    EXPECT_EQ(countProps(TProp::PROP_OIL), c.wantOil);
    EXPECT_EQ(countProps(TProp::PROP_EXPLOSION), c.wantExplosions);
    EXPECT_EQ(prop->fActive, c.wantPropActive);
    EXPECT_FLOAT_EQ(prop->fZ, z + 0.5f);
    if (!c.human && c.wantSpeed != c.speed) {
      // Having hit something on the right, it heads for the left half.
      EXPECT_TRUE(car->fTargetX >= -320 && car->fTargetX <= 0) << car->fTargetX;
    }
    if (!c.human) {
      EXPECT_EQ(TCar::gEnemyCount, c.wantActive ? 1 : 0);
    }
  }
}

TEST_F(CarTest, OilSkidsOnlyThePlayerOnTheGround) {
  struct Case {
    const char* what;
    int human, jumping;
    float steer;
    bool wantSkid;
  } cases[] = {
      {"player on the ground skids", 1, 0, 2, true},
      {"steering tripled is clamped", 1, 0, 4, true},
      {"player in the air flies over", 1, 1, 2, false},
      {"opponent drives through", 0, 0, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    auto car = c.human ? player() : opponent(5, 0, 0.3f);
    car->fSpeed = 0.3f;
    car->fSteer = c.steer;
    car->fJumping = c.jumping;
    auto oil = TProp::Create(5.4f, 30, TProp::PROP_OIL);
    TEntity::updateDepthSortAll();
    car->checkCollisions(0);
    EXPECT_EQ(oil->fActive, c.wantSkid ? 0 : 1);
    EXPECT_FLOAT_EQ(car->fSpeed, 0.3f);
    if (c.wantSkid) {
      EXPECT_TRUE(car->fDrift >= 5 && car->fDrift <= 10) << car->fDrift;
      EXPECT_FLOAT_EQ(car->fSteer, std::min(c.steer * 3, car->fMaxSteer));
    } else {
      EXPECT_EQ(car->fDrift, 0);
      EXPECT_FLOAT_EQ(car->fSteer, c.steer);
    }
  }
}

TEST_F(CarTest, OpponentHitsTheOtherCarsButFliesOverThemInTheAir) {
  struct Case {
    const char* what;
    int targetHuman, jumping;
    float wantSpeed, wantZ, wantTheirZ;
    size_t wantCrashes, wantPloks;
    bool wantNewLane;
  } cases[] = {
      {"into the player's car: put behind it", 1, 0, 0.18f, 4.04f, 5, 1, 0, false},
      {"into another opponent: pushes it ahead", 0, 0, 0.18f, 4.5f, 5.46f, 1, 0, true},
      {"in the air over the player's car", 1, 1, 0.3f, 4.5f, 5, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    crash->shots.clear();
    std::shared_ptr<TCar> target;
    if (c.targetHuman) {
      target = player(TCar::PLAYER_CAR_COLOR_RED, 300);
      target->fSpeed = 0.2f;
    } else {
      target = opponent(5, 300, 0.2f);
    }
    auto car = opponent(4.5f, 300, 0.3f);
    car->fTargetX = 300;
    car->fJumping = c.jumping;
    car->fScale = 0.5f;
    TEntity::updateDepthSortAll();
    car->checkCollisions(0);
    EXPECT_NEAR(car->fSpeed, c.wantSpeed, 1e-6);
    EXPECT_NEAR(car->fZ, c.wantZ, 1e-5);
    EXPECT_NEAR(target->fZ, c.wantTheirZ, 1e-5);
    EXPECT_FLOAT_EQ(target->fSpeed, 0.2f);
    EXPECT_EQ(crash->shots.size(), c.wantCrashes);
    if (c.wantCrashes) {
      EXPECT_FLOAT_EQ(crash->lastVolume(), 0.1f);
    }
    EXPECT_EQ(c.wantNewLane, car->fTargetX <= 0) << car->fTargetX;
  }
}

TEST_F(CarTest, KnocksAreHeardOnlyWhenThePlayerTakesPart) {
  auto front = opponent(20.5f, 0, 0.28f);
  auto back = opponent(20, 0, 0.3f);
  TEntity::updateDepthSortAll();
  back->checkCollisions(0);
  EXPECT_NEAR(back->fSpeed, 0.252f, 1e-6);
  EXPECT_EQ(plok->shots.size(), 0u);
  EXPECT_EQ(crash->shots.size(), 0u);
}

TEST_F(CarTest, ThirdCrashStartsSmokingWithAPuffEveryTwentyTicks) {
  auto me = player();
  me->fSpeed = 0.3f;
  me->fDamage = 2;
  auto them = opponent(5.5f, 0, 0.25f);
  TEntity::updateDepthSortAll();
  me->checkCollisions(0);
  EXPECT_EQ(me->fDamage, 0);
  EXPECT_EQ(me->fSmokingTimer, 700);
  EXPECT_EQ(me->fSmokeTimer, 20);
  them->deactivate();
  TEntity::removeInactive();

  // Smoking cuts the acceleration to a third.
  me->fSpeed = 0;
  hold({KEY_UP});
  me->update(0);
  EXPECT_NEAR(me->fSpeed, 0.325f / 1600 / 3, 1e-9);
  EXPECT_EQ(countProps(TProp::PROP_SMOKE), 0);
  int firstPuff = 0, puffs = 0;
  for (int t = 2; t <= 800; t++) {
    int before = countProps(TProp::PROP_SMOKE);
    me->update(0);
    if (countProps(TProp::PROP_SMOKE) > before) {
      puffs++;
      if (!firstPuff) firstPuff = t;
    }
  }
  EXPECT_EQ(firstPuff, 20);
  EXPECT_EQ(puffs, 35);
  EXPECT_EQ(me->fSmokingTimer, 0);
}

TEST_F(CarTest, OnlyTheNearestObstacleIsHitButTheLookAheadSeesAll) {
  // A real hit handles the first in list order and no other.
  auto car = opponent(20, 0, 0.3f);
  auto near = opponent(20.3f, 0, 0.28f);
  auto far = opponent(20.6f, 0, 0.1f);
  TEntity::updateDepthSortAll();
  car->checkCollisions(0);
  EXPECT_NEAR(near->fZ, 20.96f, 1e-5);
  EXPECT_NEAR(far->fZ, 20.6f, 1e-5);
  EXPECT_EQ(car->fActive, 1);

  // Inside the tunnel mouth nothing farther is tested in that tick.
  TEntity::removeAll();
  auto me = player(TCar::PLAYER_CAR_COLOR_RED, 100);
  me->fSpeed = 0.3f;
  TProp::Create(5.3f, 0, TProp::PROP_TUNNEL_START);
  TProp::Create(5.6f, 100, TProp::PROP_SIGN_TEST);
  TEntity::updateDepthSortAll();
  me->checkCollisions(0);
  EXPECT_FLOAT_EQ(me->fSpeed, 0.3f);
  EXPECT_EQ(me->fActive, 1);

  // The look-ahead: every obstacle in reach picks a lane, the last one wins;
  // the warning needs one within a third of the reach (4.8 at top speed).
  struct Case {
    const char* what;
    float nearZ, nearX, farZ, farX;
    int wantWarning;
    float laneLow, laneHigh;
  } cases[] = {
      {"close right, far left: warned, heads right", 3, 100, 10, -100, 1, 0, 320},
      {"close left, far right: warned, heads left", 3, -100, 10, 100, 1, -320, 0},
      {"only far obstacles: no warning", 6, 100, 14, 100, 0, -320, 0},
      {"beyond the reach: nothing", 14.5f, 100, 20, -100, 0, 55, 55},
      {"beside the lane: nothing", 3, 217, 10, -217, 0, 55, 55},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TEntity::removeAll();
    auto me = opponent(10, 0, 0.325f);
    me->fTargetX = 55;
    // Billboards about 300 wide: in the way up to 216 to either side.
    TProp::Create(10 + c.nearZ, c.nearX, TProp::PROP_SIGN_TEST)->fWidth = 300;
    TProp::Create(10 + c.farZ, c.farX, TProp::PROP_SIGN_TRESK)->fWidth = 300;
    // Faster things ahead and things behind are no obstacles.
    opponent(12, 0, 0.33f);
    TProp::Create(9, 0, TProp::PROP_SIGN_TEST);
    TEntity::updateDepthSortAll();
    me->checkCollisions(1);
    EXPECT_EQ(me->fAICollisionWarning, c.wantWarning);
    EXPECT_GE(me->fTargetX, c.laneLow);
    EXPECT_LE(me->fTargetX, c.laneHigh);
    EXPECT_FLOAT_EQ(me->fSpeed, 0.325f);
    EXPECT_EQ(me->fActive, 1);
  }
}
