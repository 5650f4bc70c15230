// One logic tick of the game mode: keys, count-down, the race, game over
// and the title screen's controls.
#include "game/TGameMode.h"

#include "cars/TCar.h"
#include "engine/clock.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "engine/system.h"
#include "game/MainLoop.h"
#include "game/TConstants.h"
#include "game/TScore.h"
#include "track/TSegment.h"
#include "world/TCloud.h"
#include "world/TEntity.h"
#include "world/THorizon.h"
#include "world/TProp.h"

// Horizon height from the hills already passed plus the current one's share.
static float currentHorizonYOffset() {
  float offset = TSegment::gHorizonYOffsetSum;
  if (TSegment::gFirstSegment) offset = TSegment::gFirstSegment->getHorizonYOffset() + TSegment::gHorizonYOffsetSum;
  return offset;
}

static int farthestSegmentIsTunnel() {
  return TSegment::gLastSegment && TSegment::gLastSegment->fTunnel != 0;
}

int TGameMode::update() {
  int result = 1;
  if (updatePause()) {
    // Standing still, the race can still be left and the game still closed.
    if (KeyPressed(KEY_ESCAPE)) switchToState(STATE_TITLE);
    if (CloseRequested()) {
      ShowMouse();
      result = 0;
    }
    return result;
  }
  if (KeyPressed(KEY_M)) toggleMusic();
  if (gState == STATE_START) updateCountDown();
  if (gState == STATE_ACTION) updateRace();
  if ((gState == STATE_ACTION || gState == STATE_START) && KeyPressed(KEY_ESCAPE)) switchToState(STATE_TITLE);
  if (gState == STATE_GAME_OVER) updateGameOver();
  if (gState == STATE_TITLE && updateTitle() == 0) result = 0;
  if (CloseRequested()) {
    ShowMouse();
    result = 0;
  }
  return result;
}

int TGameMode::updatePause() {
  if (gState != STATE_START && gState != STATE_ACTION) return 0;
  if (!gPaused) {
    if (KeyPressed(KEY_P) || KeyPressed(KEY_PAUSE)) gPaused = 1;
  } else if (KeyPressed(KEY_P) || KeyPressed(KEY_PAUSE) || KeyPressed(KEY_SPACE)) {
    gPaused = 0;
  }
  int paused = gPaused || gAppSuspended;
  if (paused != gPauseActive) setRacePaused(paused);
  return gPauseActive;
}

int TGameMode::setRacePaused(int paused) {
  gPauseActive = paused;
  if (paused) {
    gPauseStartMS = MilliSecs();
    // The first paused frame is drawn at once.
    gPausedFrameMS = gPauseStartMS - PAUSED_FRAME_MS;
    gPausedChannels.clear();
    std::vector<std::shared_ptr<TChannel>> channels = {gMusicChannel};
    for (auto e = TEntity::gFirstEntity; e; e = e->fNext) {
      if (auto car = std::dynamic_pointer_cast<TCar>(e)) {
        channels.insert(channels.end(), {car->fChnEngine1, car->fChnEngine2, car->fChnSkid});
      }
    }
    for (auto& channel : channels) {
      if (channel && channel->Playing()) {
        channel->SetPaused(1);
        gPausedChannels.push_back(channel);
      }
    }
  } else {
    // The race second goes on from where it stood: none lost, none gained.
    gSecondStartMS = static_cast<int>(static_cast<unsigned>(gSecondStartMS) +
                                      static_cast<unsigned>(MilliSecsDiff(MilliSecs(), gPauseStartMS)));
    for (auto& channel : gPausedChannels) channel->SetPaused(0);
    gPausedChannels.clear();
  }
  return 0;
}

int TGameMode::playSoundEffect(const std::shared_ptr<TSound>& sound) {
  PlaySoundAtVolume(sound, SOUND_VOLUME);
  return 0;
}

int TGameMode::updateCountDown() {
  gHorizonYOffset = currentHorizonYOffset();
  TEntity::updateDepthSortAll();
  TCloud::updateAll(gPlayerX, gPlayerSegmentDX, gHorizonYOffset);
  updateHorizons(0);
  gCountDownTimer -= 1;
  if (gCountDownTimer <= 0) {
    gCountDownRepeats -= 1;
    auto banner = TProp::gStartBanner;
    if (banner) {
      if (gCountDownRepeats == 3) {
        banner->fGfx = TProp::gBannerStart1Gfx;
        playSoundEffect(gStartSound1);
      } else if (gCountDownRepeats == 2) {
        banner->fGfx = TProp::gBannerStart2Gfx;
        playSoundEffect(gStartSound1);
      } else if (gCountDownRepeats == 1) {
        banner->fGfx = TProp::gBannerStart3Gfx;
        playSoundEffect(gStartSound2);
      }
    }
    if (gCountDownRepeats <= 1) switchToState(STATE_ACTION);
    gCountDownTimer = START_COUNT_DOWN;
  }
  return 0;
}

int TGameMode::updateRace() {
  const float playerXBefore = gPlayerX;
  const float horizonYBefore = gHorizonYOffset;
  if (gPlayerCar) {
    gPlayerX = gPlayerCar->fX;
    gPlayerSegmentDX = gPlayerCar->fSegmentDX;
    gPlayerSpeed = gPlayerCar->fSpeed;
    gDistanceCounter += gPlayerSpeed;
    if (gDistanceCounter > 100) {
      TScore::add(TScore::SCORE_100_METERS);
      gDistanceCounter -= 100;
    }
    if (gPlayerCar->fActive == 0) gPlayerCar = nullptr;
  }
  if (!gPlayerCar) {
    gPlayerSpeed = 0;
    if (gNewPlayerCarTimer == 0) gNewPlayerCarTimer = NEW_PLAYER_CAR_TIME;
  }
  TEntity::removeInactive();
  updateBushTimer(gPlayerSpeed);
  TEntity::updateAll(gPlayerSpeed);
  TEntity::updateDepthSortAll();
  updateTextureOffset(gPlayerSpeed);
  TSegment::updateAll(gPlayerSpeed);
  TCloud::updateAll(gPlayerSpeed, gPlayerSegmentDX, gHorizonYOffset);
  if (gPlayerCar && TSegment::checkLap()) completeLap();
  TSegment::checkNext();
  updateEnemyTimer(gPlayerSpeed);
  updateHorizons(gPlayerSpeed);
  gHorizonYOffset = currentHorizonYOffset();
  if (gPlayerCar) {
    TCloud::gCloudDX = gPlayerCar->fSegmentDX * gPlayerSpeed;
    TCloud::gCloudDYOffset = gHorizonYOffset - TCloud::gCloudYOffset;
    TCloud::gCloudYOffset = gHorizonYOffset;
  } else {
    // The clouds stand still: nothing to carry forward either.
    TCloud::gCloudDX = 0;
    TCloud::gCloudDYOffset = 0;
  }
  // For drawing only: how far this tick moved things.
  gLastMoveZ = gPlayerSpeed;
  gLastMoveX = gPlayerX - playerXBefore;
  gLastMoveHorizonY = gHorizonYOffset - horizonYBefore;
  gWorldDistance += gPlayerSpeed;
  gRoadMoveTick = gTickCount;
  updateRaceSecond();
  return 0;
}

int TGameMode::completeLap() {
  gLaps += 1;
  playSoundEffect(gLapSound);
  TScore::add(gCheckpointTime * TScore::SCORE_PER_SECOND);
  if (gLaps == 1) {
    gCheckpointTime += CHECKPOINT_TIME_BONUS_1;
  } else if (gLaps == 2) {
    gCheckpointTime += CHECKPOINT_TIME_BONUS_2;
  } else {
    gCheckpointTime += CHECKPOINT_TIME_BONUS_3;
  }
  if (gLaps == LAP_COUNT_BRONZE) gTrophy = TROPHY_BRONZE;
  if (gLaps == LAP_COUNT_SILVER) gTrophy = TROPHY_SILVER;
  if (gLaps == LAP_COUNT_GOLD) gTrophy = TROPHY_GOLD;
  return 0;
}

// At most one wall-clock second per tick, so a stall is caught up gradually.
int TGameMode::updateRaceSecond() {
  if (MilliSecsDiff(MilliSecs(), gSecondStartMS) < 1000) return 0;
  if (gNewPlayerCarTimer > 0) {
    gNewPlayerCarTimer -= 1;
    if (gNewPlayerCarTimer <= 0) {
      gNewPlayerCarTimer = 0;
      if (!gPlayerCar) gPlayerCar = TCar::Create(TCar::PLAYER_Z, 0, 1, gPlayerCarColor);
    }
  }
  gCheckpointTime -= 1;
  if (gCheckpointTime <= 0) {
    gCheckpointTime = 0;
    switchToState(STATE_GAME_OVER);
  }
  gSecondStartMS = static_cast<int>(static_cast<unsigned>(gSecondStartMS) + 1000u);
  return 0;
}

int TGameMode::updateGameOver() {
  if (gGameOverFade < 1) {
    gGameOverFade += GAME_OVER_FADE_SPEED;
    if (gGameOverFade > 1) gGameOverFade = 1;
  }
  if (KeyPressed(KEY_ESCAPE) || KeyPressed(KEY_SPACE) || KeyPressed(KEY_UP)) switchToState(STATE_TITLE);
  return 0;
}

// Returns 0 when the player asked to quit.
int TGameMode::updateTitle() {
  int result = 1;
  if (KeyPressed(KEY_SPACE) || KeyPressed(KEY_UP) || KeyPressed(KEY_A)) {
    switchToState(STATE_START);
  } else if (KeyPressed(KEY_ESCAPE)) {
    ShowMouse();
    result = 0;
  }
  if (KeyPressed(KEY_W)) {
    gWindowed = !gWindowed;
    resetGraphics();
  }
  if (KeyPressed(KEY_LEFT) || KeyPressed(KEY_COMMA)) {
    gPlayerCarColor -= 1;
    if (gPlayerCarColor < 0) gPlayerCarColor = 3;
  } else if (KeyPressed(KEY_RIGHT) || KeyPressed(KEY_PERIOD)) {
    gPlayerCarColor += 1;
    if (gPlayerCarColor > 3) gPlayerCarColor = 0;
  }
  return result;
}

int TGameMode::updateBushTimer(float speed) {
  gBushTimer -= speed;
  if (gBushTimer <= 0) {
    float farZ = gZMap[LINE_COUNT - 1];
    if (!farthestSegmentIsTunnel()) TProp::Create(farZ, bushX(), TProp::PROP_BUSH_1);
    gBushTimer += RndInt(Int(farZ / 30), Int(farZ / 15));
  }
  return 0;
}

int TGameMode::updateEnemyTimer(float speed) {
  gEnemyTimer -= speed;
  if (gEnemyTimer <= 0) {
    if (TCar::gEnemyCount < MAX_ENEMY_COUNT) {
      TCar::Create(gZMap[LINE_COUNT - 1], static_cast<float>(gEnemySide * RndInt(80, 320)), 0, 2);
    }
    gEnemyTimer = static_cast<float>(RndInt(MIN_ENEMY_TIME, MAX_ENEMY_TIME));
    if (RndFloat(1, 10) < 9) gEnemySide = -gEnemySide;
  }
  return 0;
}

int TGameMode::updateHorizons(float speed) {
  if (!gPlayerCar) return 0;
  for (auto* horizon : {&gHorizon1, &gHorizon2, &gHorizon3}) {
    if (*horizon) (*horizon)->update(gPlayerCar->fSegmentDX, gHorizonYOffset, speed);
  }
  return 0;
}
