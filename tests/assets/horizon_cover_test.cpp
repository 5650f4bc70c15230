// The scenery layers are tall enough for the game's hills: over a whole lap
// of the real track, the lowest layer always reaches down to the farthest
// visible road line, so no strip of bare sky opens between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "cars/TCar.h"
#include "engine/images.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/TGameMode.h"
#include "world/THorizon.h"

TEST(HorizonCover, LayersMeetTheRoadOverAWholeLap) {
  SetAudioDriver("Null");
  TGameMode::loadGraphics();
  TGameMode::init();
  SeedRnd(1);
  TGameMode::switchToState(TGameMode::STATE_START);
  while (TGameMode::gState == TGameMode::STATE_START) TGameMode::update();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_ACTION);
  ASSERT_NE(TGameMode::gPlayerCar, nullptr);
  // Only the road matters here: no opponents to crash into.
  TCar::removeAll();
  const auto player = TGameMode::gPlayerCar;
  int worstGap = -100000, ticks = 0;
  const int startLaps = TGameMode::gLaps;
  while (TGameMode::gLaps < startLaps + 2 && ticks < 40000) {
    player->fSpeed = 0.32f;
    player->fX = 0;
    TGameMode::gEnemyTimer = 1e9f;
    TGameMode::gCheckpointTime = 90;
    TGameMode::update();
    TGameMode::buildRoadLines();
    int roadTop = 600;
    for (const auto& row : TGameMode::gRoadLines)
      if (row.visible) roadTop = std::min(roadTop, row.y);
    int layersBottom = -100000;
    for (const auto& h : {TGameMode::gHorizon1, TGameMode::gHorizon2, TGameMode::gHorizon3}) {
      ASSERT_NE(h, nullptr);
      int top = int(std::floor(h->fHorizonDrawY + h->fHorizonDrawYOffset));
      layersBottom = std::max(layersBottom, top + ImageHeight(h->fGfx));
    }
    worstGap = std::max(worstGap, roadTop - layersBottom);
    ++ticks;
  }
  EXPECT_GE(TGameMode::gLaps, startLaps + 2) << "the lap never completed";
  EXPECT_LE(worstGap, 0) << "sky shows between the scenery and the road";
  TGameMode::switchToState(TGameMode::STATE_TITLE);
}
