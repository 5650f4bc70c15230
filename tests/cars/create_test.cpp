// Creating cars: the starting grid for each colour, opponents' random
// make-up, the shared resources, and taking cars off the road.
#include <cmath>
#include <string>

#include "car_fixture.h"
#include "engine/images.h"

namespace {

struct ColourCase {
  int colour;
  int r, g, b;
  float steerChange, steerReturnFactor, topSpeed, maxSteer;
};

const ColourCase COLOURS[] = {
    {TCar::PLAYER_CAR_COLOR_GREEN, 0, 255, 0, 0.06706f, 0.9909f, 0.2925f, 8},
    {TCar::PLAYER_CAR_COLOR_YELLOW, 255, 230, 20, 0.08143f, 0.9922f, 0.30875f, 9},
    {TCar::PLAYER_CAR_COLOR_RED, 255, 0, 30, 0.0958f, 0.9935f, 0.325f, 10},
    {TCar::PLAYER_CAR_COLOR_BLACK, 10, 10, 10, 0.13412f, 0.99545f, 0.3575f, 12},
};

}  // namespace

TEST_F(CarTest, StartingGridPlacesEightCarsWithTheColoursHandling) {
  const float depths[] = {19.4f, 17.0f, 14.6f, 12.2f, 9.8f, 7.4f, 2.6f};
  const float xs[] = {-200, 200, -200, 200, -200, 200, 200};
  for (const ColourCase& c : COLOURS) {
    SCOPED_TRACE("colour " + std::to_string(c.colour));
    TEntity::removeAll();
    TCar::gEnemyCount = 3;
    auto p = TCar::createStartingGrid(c.colour);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->fHuman, 1);
    EXPECT_FLOAT_EQ(p->fZ, 5);
    EXPECT_FLOAT_EQ(p->fX, -200);
    EXPECT_EQ(p->fSpeed, 0);
    EXPECT_EQ(p->fColorR, c.r);
    EXPECT_EQ(p->fColorG, c.g);
    EXPECT_EQ(p->fColorB, c.b);
    EXPECT_FLOAT_EQ(p->fSteerChange, c.steerChange);
    EXPECT_FLOAT_EQ(p->fSteerReturnFactor, c.steerReturnFactor);
    EXPECT_FLOAT_EQ(p->fTopSpeed, c.topSpeed);
    EXPECT_FLOAT_EQ(p->fMaxSteer, c.maxSteer);
    EXPECT_FLOAT_EQ(p->fWingWidthModifier, 1.2f);
    EXPECT_TRUE(p->fChnEngine1 && p->fChnEngine2 && p->fChnSkid);
    EXPECT_EQ(TCar::gEnemyCount, 3 + 7);

    // The opponents are listed in creation order until the first sort.
    TEntity::updateDepthSortAll();
    std::vector<std::shared_ptr<TCar>> grid;
    for (auto e = TEntity::gLastEntity.get(); e; e = e->fPrevious) {
      auto car = std::dynamic_pointer_cast<TCar>(e->shared_from_this());
      if (car && !car->fHuman) grid.push_back(car);
    }
    ASSERT_EQ(grid.size(), 7u);
    for (size_t i = 0; i < grid.size(); i++) {
      EXPECT_NEAR(grid[i]->fZ, depths[i], 1e-5) << "grid car " << i;
      EXPECT_FLOAT_EQ(grid[i]->fX, xs[i]) << "grid car " << i;
      EXPECT_EQ(grid[i]->fSpeed, 0) << "grid car " << i;
      EXPECT_FLOAT_EQ(grid[i]->fTopSpeed, TCar::TOP_SPEED);
    }
  }
}

TEST_F(CarTest, OpponentsAreMadeFromTheirOwnRandomDraws) {
  int golden = 0, slow = 0, fast = 0;
  const int N = 3000;
  for (int i = 0; i < N; i++) {
    auto car = TCar::Create(62.5f, 120, 0, TCar::PLAYER_CAR_COLOR_BLACK);
    // The colour argument means nothing to an opponent.
    EXPECT_FLOAT_EQ(car->fTopSpeed, TCar::TOP_SPEED);
    EXPECT_FLOAT_EQ(car->fMaxSteer, TCar::MAX_STEER);
    EXPECT_EQ(car->fSteerChange, 0);
    EXPECT_NEAR(car->fSpeed, 0.325f * car->fTargetSpeedFactor * 0.7f, 1e-6);
    EXPECT_FLOAT_EQ(car->fTargetX, 120);
    EXPECT_NEAR(car->fDistanceToPlayer, 57.5f, 1e-5);
    EXPECT_TRUE(car->fDamage >= 0 && car->fDamage <= 2);
    EXPECT_TRUE(car->fExhaustFlashTimer >= 100 && car->fExhaustFlashTimer <= 5000);
    EXPECT_TRUE(car->fColorR >= 0 && car->fColorR <= 255);
    EXPECT_TRUE(car->fChnEngine1 && !car->fChnEngine2 && !car->fChnSkid);
    float f = car->fTargetSpeedFactor;
    if (car->fGolden) {
      golden++;
      EXPECT_TRUE(f >= 0.99f && f <= 1.17f) << f;
      EXPECT_FLOAT_EQ(car->fSoundRateModifier, 1.3f);
    } else {
      EXPECT_TRUE(f >= 0.35f && f <= 1.15f) << f;
      EXPECT_TRUE(car->fSoundRateModifier >= 0.7f && car->fSoundRateModifier <= 1.2f);
      slow += f < 0.55f;
      fast += f > 0.95f;
    }
    EXPECT_TRUE(car->fAccFactor >= f * 0.9f - 1e-6 && car->fAccFactor <= f * 1.3f + 1e-6);
    car->deactivate();
    TEntity::removeInactive();
  }
  EXPECT_EQ(TCar::gEnemyCount, 0);
  // One in ten golden; of the rest 9 % slow and 6 % fast.
  EXPECT_NEAR(golden / double(N), 0.10, 0.02);
  EXPECT_NEAR(slow / double(N - golden), 0.09, 0.02);
  EXPECT_NEAR(fast / double(N - golden), 0.06, 0.02);
}

TEST_F(CarTest, RemoveAllTakesOnlyCarsAndSilencesThem) {
  auto sign = TProp::Create(10, 640, TProp::PROP_SIGN_TEST);
  auto me = player();
  auto bush = TProp::Create(20, -900, TProp::PROP_BUSH_1);
  auto other = opponent(15, 200, 0.2f);
  TEntity::updateDepthSortAll();
  auto mine = std::make_shared<RecordingChannel>();
  auto theirs = std::make_shared<RecordingChannel>();
  me->fChnSkid = mine;
  other->fChnEngine1 = theirs;

  TCar::removeAll();

  EXPECT_EQ(TCar::gEnemyCount, 0);
  EXPECT_EQ(TEntity::gFirstEntity, sign);
  EXPECT_EQ(sign->fNext, bush);
  EXPECT_EQ(TEntity::gLastEntity, bush);
  EXPECT_EQ(bush->fPrevious, sign.get());
  EXPECT_EQ(mine->stops, 1);
  EXPECT_EQ(theirs->stops, 1);
  // Not retired, just off the road, and holding on to nothing there.
  EXPECT_EQ(me->fActive, 1);
  EXPECT_FALSE(me->fNext);
  EXPECT_EQ(me->fPrevious, nullptr);
}

TEST_F(CarTest, DeactivatingCountsAnOpponentOutOnce) {
  struct Case {
    const char* what;
    int human;
    int countBefore;
    int deactivations;
    int countAfter;
  } cases[] = {
      {"opponent", 0, 4, 1, 3},
      {"opponent retired twice", 0, 4, 2, 3},
      {"opponent with count already 0", 0, 0, 1, 0},
      {"player", 1, 4, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto car = c.human ? player() : opponent(20, 0, 0.1f);
    auto engine = std::make_shared<RecordingChannel>();
    car->fChnEngine1 = engine;
    TCar::gEnemyCount = c.countBefore;
    for (int i = 0; i < c.deactivations; i++) car->deactivate();
    EXPECT_EQ(TCar::gEnemyCount, c.countAfter);
    EXPECT_EQ(car->fActive, 0);
    EXPECT_GE(engine->stops, 1);
  }
}

TEST_F(CarTest, ResourcesLoadWithCentredShadowAndFlash) {
  TCar::loadGraphics();
  TCar::loadSounds();
  ASSERT_TRUE(TCar::gWheelFrontGfx && TCar::gWheelRearGfx && TCar::gCarShadowGfx &&
              TCar::gExhaustFlashGfx)
      << "generated Graphics/ missing beside the tests";
  EXPECT_EQ(TCar::gWheelFrontWidth, ImageWidth(TCar::gWheelFrontGfx));
  EXPECT_EQ(TCar::gWheelRearHeight, ImageHeight(TCar::gWheelRearGfx));
  EXPECT_GT(TCar::gWheelFrontWidth, 0);
  EXPECT_EQ(TCar::gWheelFrontGfx->handle_x, 0);
  EXPECT_EQ(TCar::gCarShadowGfx->handle_x, ImageWidth(TCar::gCarShadowGfx) / 2);
  EXPECT_EQ(TCar::gCarShadowGfx->handle_y, ImageHeight(TCar::gCarShadowGfx) / 2);
  EXPECT_EQ(TCar::gExhaustFlashGfx->handle_x, ImageWidth(TCar::gExhaustFlashGfx) / 2);
  for (auto* s : {&TCar::gEngine5Sound, &TCar::gEngine3Sound, &TCar::gSkidSound,
                  &TCar::gExplosion2Sound}) {
    EXPECT_TRUE(*s);
  }
  TCar::gWheelFrontGfx = TCar::gWheelRearGfx = TCar::gCarShadowGfx = TCar::gExhaustFlashGfx =
      nullptr;
  TCar::gEngine5Sound = TCar::gEngine3Sound = TCar::gSkidSound = TCar::gExplosion2Sound = nullptr;
}
