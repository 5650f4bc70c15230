// How opponents drive: a speed from the bend they are on, a lane they keep,
// lifting off and changing lane behind slower things, and the points paid
// when the player passes them.
#include <algorithm>
#include <cmath>

#include "cars/TCar.h"
#include "engine/random.h"
#include "game/TScore.h"

int TCar::setSegmentDX(float dx, float dxFraction) {
  TEntity::setSegmentDX(dx, dxFraction);
  fTargetSpeed = (fTopSpeed - std::fabs(dxFraction) * AI_MAX_SPEED_DECREASE) * fTargetSpeedFactor;
  return 0;
}

int TCar::selectNewLane(float obstacleX) {
  // A lane on the other half of the road from the obstacle.
  if (obstacleX > 0) {
    fTargetX = RndInt(-320, 0);
  } else {
    fTargetX = RndInt(0, 320);
  }
  return 0;
}

int TCar::updateOpponent(float dz, float acc) {
  // The opponent moves relative to the player, who stands still at PLAYER_Z.
  float old = fZ;
  fZ += fSpeed - dz;
  if (fZ < PLAYER_Z && !fScoreCounted && old >= PLAYER_Z) {
    TScore::add(TScore::SCORE_OVERTAKING);
    fScoreCounted = 1;
  }

  if (!fAICollisionWarning) {
    if (fSpeed < fTargetSpeed) {
      fSpeed = std::min(fSpeed + acc, fTopSpeed);
    } else if (fSpeed > fTargetSpeed) {
      if (fSpeed > 0) fSpeed = std::max(fSpeed - BRAKE, 0.0f);
    } else if (fSpeed > 0) {
      fSpeed = std::max(fSpeed - IDLE_BRAKE, 0.0f);
    }
  } else {
    // Something slower is close ahead: lift off; the look-ahead at the end
    // of this tick raises the warning again while the danger lasts.
    if (fSpeed > 0) fSpeed = std::max(fSpeed - IDLE_BRAKE, 0.0f);
    fAICollisionWarning = 0;
  }

  // Near the road edge the car heads back toward the centre whatever its lane.
  float step = AI_STEER_CHANGE * (1 + std::fabs(fSegmentDX));
  if (fX > fTargetX + TARGET_X_MARGIN || fX > SIDE_BUMP_MIN_DISTANCE) {
    fSteer = std::max(fSteer - step, -fMaxSteer);
  } else if (fX < fTargetX - TARGET_X_MARGIN || fX < -SIDE_BUMP_MIN_DISTANCE) {
    fSteer = std::min(fSteer + step, fMaxSteer);
  } else {
    fSteer *= 0.8f * STEER_RETURN_FACTOR;
  }

  if (fGolden) {
    fGoldenColorTimer += 1;
    if (fGoldenColorTimer > GOLDEN_COLOR_TIME) fGoldenColorTimer = 0;
  }

  float push = 210 * fSpeed;
  fOutwardForce = (9 * fOutwardForce + fSegmentDX * push * push) / 10;
  fX -= fOutwardForce;
  fX += fSteer;
  updateEngineSound();
  return 0;
}
