// A long headless run: races one after another with a random driver,
// checking the world after every tick.
#include "GameFixture.h"

#include <cmath>
#include <random>
#include <set>

namespace {

bool finite(float v) { return std::isfinite(v); }

// The entities alive now, to tell the old ones from the newcomers next tick.
std::vector<std::weak_ptr<TEntity>> snapshot() {
  std::vector<std::weak_ptr<TEntity>> all;
  for (auto e = TEntity::gFirstEntity; e; e = e->fNext) all.push_back(e);
  return all;
}

// Links, numbers, opponent count and depth order. Entities made during the
// tick sit near the head until the next tick's sort, so only the ones that
// were already there before the tick must be in order.
void checkWorld(const std::vector<std::weak_ptr<TEntity>>& before) {
  std::set<const TEntity*> old;
  for (const auto& weak : before)
    if (auto e = weak.lock()) old.insert(e.get());
  const TEntity* previous = nullptr;
  const TEntity* previousOld = nullptr;
  int opponents = 0, count = 0;
  bool playerSeen = false;
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get()) {
    ASSERT_EQ(e->fPrevious, previous) << "back-link";
    ASSERT_TRUE(finite(e->fZ) && finite(e->fX) && finite(e->fScreenY) && finite(e->fRoadX) && finite(e->fScale) &&
                finite(e->fSegmentDX) && finite(e->fSegmentDY) && finite(e->fOldZ))
        << "entity at " << count;
    if (old.count(e)) {
      if (previousOld) {
        ASSERT_LE(previousOld->fZ, e->fZ) << "order at " << count;
      }
      previousOld = e;
    }
    if (e->isCar() && !e->isHuman() && e->fActive) ++opponents;
    if (e == TGameMode::gPlayerCar.get()) playerSeen = true;
    previous = e;
    ++count;
  }
  ASSERT_EQ(previous, TEntity::gLastEntity.get()) << "tail";
  ASSERT_EQ(opponents, TCar::gEnemyCount);
  ASSERT_LT(count, 400) << "the world keeps growing";
  if (TGameMode::gState == TGameMode::STATE_ACTION && TGameMode::gPlayerCar) {
    ASSERT_TRUE(playerSeen) << "the player's car is on the road";
  }
  ASSERT_TRUE(finite(TGameMode::gHorizonYOffset) && finite(TGameMode::gPlayerX) && finite(TGameMode::gPlayerSpeed) &&
              finite(TGameMode::gTextureOffset) && finite(TGameMode::gEnemyTimer) && finite(TGameMode::gBushTimer));
  ASSERT_GE(TGameMode::gTextureOffset, 0);
  ASSERT_LE(TGameMode::gTextureOffset, 4);
}

}  // namespace

TEST_F(GameTest, ThirtyMinutesOfRacesWithARandomDriver) {
  std::mt19937 random(7);
  const int ticks = 200 * 60 * 30;
  int races = 0, laps = 0;
  int up = 1, down = 0, left = 0, right = 0;
  float lane = 0;
  for (int i = 0; i < ticks; ++i) {
    if (TGameMode::gState == TGameMode::STATE_TITLE || TGameMode::gState == TGameMode::STATE_GAME_OVER) {
      if (i % 400 == 0) {
        press(KEY_SPACE);
        races += TGameMode::gState == TGameMode::STATE_TITLE;
      }
    }
    // Odd races are driven at random, even ones by a driver that keeps to a
    // wandering lane and swerves round the cars ahead.
    if (races % 2 == 1 && i % 50 == 0) {
      up = random() % 10 < 8;
      down = random() % 10 == 0;
      int steer = random() % 3;
      left = steer == 1;
      right = steer == 2;
    } else if (races % 2 == 0) {
      if (i % 500 == 0) lane = static_cast<float>(static_cast<int>(random() % 500) - 250);
      TCar* car = TGameMode::gPlayerCar.get();
      float x = car ? car->fX : 0, target = lane;
      for (auto* e = TEntity::gFirstEntity.get(); e && car; e = e->fNext.get()) {
        if (e == car || !e->isCar() || e->fZ <= car->fZ || e->fZ > car->fZ + 15) continue;
        if (std::fabs(e->fX - x) < 230) target = e->fX > 0 ? -260.0f : 260.0f;
      }
      up = 1;
      down = 0;
      // Keep this race going for a few laps.
      if (TGameMode::gState == TGameMode::STATE_ACTION && TGameMode::gLaps < 3 && TGameMode::gCheckpointTime < 20)
        TGameMode::gCheckpointTime = 60;
      left = x > target + 40;
      right = x < target - 40;
    }
    gKeyStates[KEY_UP] = up;
    gKeyStates[KEY_DOWN] = down;
    gKeyStates[KEY_LEFT] = left;
    gKeyStates[KEY_RIGHT] = right;
    TGameMode::gSecondStartMS -= 5;  // the wall clock, simulated
    int lapsBefore = TGameMode::gLaps;
    auto before = snapshot();
    ASSERT_EQ(TGameMode::update(), 1);
    TGameMode::draw();
    if (TGameMode::gLaps > lapsBefore) ++laps;
    checkWorld(before);
    if (HasFatalFailure()) {
      ADD_FAILURE() << "after tick " << i << " in state " << TGameMode::gState;
      return;
    }
  }
  EXPECT_GE(races, 5);
  EXPECT_GE(laps, 3);
  std::printf("soak: %d races, %d laps, hi-score %d\n", races, laps, TScore::gHiScore);
}
