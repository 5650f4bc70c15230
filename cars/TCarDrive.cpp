// One tick of a car: the shared opening (acceleration, jump flight), the
// player's control, and the shared closing (collisions, tunnel walls,
// road-edge and grass bumps, limits, smoke, retirement).
#include <algorithm>
#include <cmath>

#include "cars/TCar.h"
#include "engine/gamepad.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "engine/system.h"
#include "game/MainLoop.h"
#include "world/TProp.h"

int TCar::update(float dz) {
  fOldZ = fZ;
  fOldX = fX;
  fOldSteer = fSteer;
  fMoveTick = gTickCount;
  float acc = acceleration();
  updateJump();
  if (fHuman) {
    updatePlayer(acc);
  } else {
    updateOpponent(dz, acc);
  }
  return updateClosing();
}

// The car closes a fixed share of the gap to its top speed, three times
// more slowly in the last 3 %, and a third as fast while it smokes.
float TCar::acceleration() {
  float acc;
  if (fSpeed < 0.97f * fTopSpeed) {
    acc = (fTopSpeed - fSpeed) / 1600 * fAccFactor;
  } else {
    acc = (fTopSpeed - fSpeed) / 4800 * fAccFactor;
  }
  if (fSmokingTimer > 0) acc = acc / 3;
  return acc;
}

int TCar::updateJump() {
  if (!fJumping) return 0;
  fJumpY += fJumpDY;
  fJumpDY -= 0.01f;
  if (!(fJumpY > 0)) {
    fJumpY = 0;
    fJumping = 0;
  }
  return 0;
}

// A pad's stick and trigger hold their key part way (KeyAmount below 1):
// the throttle then gives that share of the tick's acceleration and the
// wheel turns toward that share of full lock. Keys stay whole.
int TCar::updatePlayer(float acc) {
  float throttle = KeyDown(KEY_A) ? 1.0f : KeyAmount(KEY_UP);
  bool brake = KeyDown(KEY_DOWN) || KeyDown(KEY_Z) || KeyDown(KEY_Y);
  float left = KeyDown(KEY_COMMA) ? 1.0f : KeyAmount(KEY_LEFT);
  float right = KeyDown(KEY_PERIOD) ? 1.0f : KeyAmount(KEY_RIGHT);

  if (throttle > 0) {
    fSpeed += acc * throttle;
    if (fSpeed > fTopSpeed) fSpeed = fTopSpeed;
  } else if (brake) {
    if (fSpeed > 0) {
      fSpeed -= BRAKE;
      // A stopped car stops sliding sideways.
      if (!(fSpeed > 0)) {
        fSpeed = 0;
        fSteerResult = 0;
      }
    }
  } else if (fSpeed > 0) {
    fSpeed = std::max(fSpeed - IDLE_BRAKE, 0.0f);
    if (fDrift > 0) fDrift = std::max(fDrift - 0.01f, 0.0f);
  }

  // In the air the wheel is frozen.
  if (!fJumping) {
    if (left >= 1) {
      fSteer = std::max(fSteer - fSteerChange, -fMaxSteer);
    } else if (left > 0) {
      fSteer = steerToward(-left * fMaxSteer);
    } else if (right >= 1) {
      fSteer = std::min(fSteer + fSteerChange, fMaxSteer);
    } else if (right > 0) {
      fSteer = steerToward(right * fMaxSteer);
    } else {
      fSteer *= fSteerReturnFactor;
      if (fDrift > 0) fDrift = std::max(fDrift - 0.1f, 0.0f);
    }
  }

  // The bend pushes outward with the square of the speed, smoothed.
  float push = 240 * fSpeed;
  fOutwardForce = (9 * fOutwardForce + fSegmentDX * push * push) / 10;
  fX -= fOutwardForce;

  float halfTop = fTopSpeed / 2;
  if (fSpeed > halfTop && fSteer != 0) {
    fDrift += std::fabs(fSteer) / fMaxSteer * ((fSpeed - halfTop) / halfTop) / 5.5f;
  }
  if (fDrift > 0) fDrift = std::max(fDrift - 0.065f, 0.0f);

  // The faster the car, the quicker it follows the wheel.
  if (fSteerResult < fSteer) {
    fSteerResult = std::min(fSteerResult + fSpeed, fSteer);
  } else if (fSteerResult > fSteer) {
    fSteerResult = std::max(fSteerResult - fSpeed, fSteer);
  }

  fDriftFraction = 0;
  if (fDrift > 1) {
    fDriftFraction = std::min(fDrift, MAX_APPLIED_DRIFT) / 10;
    float widen = 1 + fDriftFraction / 5;
    fX += fSteerResult * widen * widen;
  } else {
    fX += fSteerResult;
  }

  if (fDriftFraction > 0.2f) {
    float z = fZ - RndFloat(0.15, 0.25);
    TProp::Create(z, fX - fDrawRearLWheelX, TProp::PROP_SKID_CLOUD);
    z = fZ - RndFloat(0.15, 0.25);
    TProp::Create(z, fX + fDrawRearRWheelX, TProp::PROP_SKID_CLOUD);
  }
  if (fChnSkid) fChnSkid->SetVolume(fDriftFraction * 0.2f);

  updateExhaustFlash();
  fX += RndFloat(-2, 2) * fSpeed;
  updateEngineSound();
  return 0;
}

// The wheel toward a target angle, by at most fSteerChange.
float TCar::steerToward(float target) {
  if (fSteer > target) return std::max(fSteer - fSteerChange, target);
  return std::min(fSteer + fSteerChange, target);
}

// Counts down faster while moving; flashes only above half the top speed.
int TCar::updateExhaustFlash() {
  fExhaustFlashTimer = Int(fExhaustFlashTimer - (1 + fSpeed / fTopSpeed));
  if (fExhaustFlashTimer <= 0) {
    if (fSpeed > 0.5f * fTopSpeed) {
      fExhaustFlashScale = 0.1f;
      playEffect(gExhaustFlashSound, 0.2f);
    }
    fExhaustFlashTimer = RndInt(MIN_EXHAUST_FLASH_TIME, MAX_EXHAUST_FLASH_TIME);
  }
  if (fExhaustFlashScale > 0) {
    fExhaustFlashScale += 0.07f;
    if (fExhaustFlashScale > 1.5f) fExhaustFlashScale = 0;
  }
  return 0;
}

int TCar::updateClosing() {
  fLeftWheelBump = 0;
  fRightWheelBump = 0;
  checkCollisions(0);
  if (!fHuman) checkCollisions(1);

  if (fInTunnel && std::fabs(fX) > SIDE_BUMP_MAX_DISTANCE) {
    // The tunnel wall throws the car back onto the road.
    fX = fX > 0 ? SIDE_BUMP_MIN_DISTANCE : -SIDE_BUMP_MIN_DISTANCE;
    fSpeed *= 0.7f;
    fSteerResult = 0;
    fSteer = std::clamp(-fSteer, -fMaxSteer, fMaxSteer);
    playEffect(gCrashSound, fScale * 0.2f);
    if (fHuman) rumble(RUMBLE_HIT);
  } else {
    updateRoadEdge();
  }

  fX = std::clamp(fX, -static_cast<float>(MAX_DISTANCE_FROM_CENTER),
                  static_cast<float>(MAX_DISTANCE_FROM_CENTER));
  updateWheelColor();
  if (fSmokingTimer > 0) updateSmoking();
  if ((fZ > gFarZ || fZ < gRearRemovalZ) && fActive) deactivate();
  return 0;
}

// Wheels over the kerb shake and, every few units driven, bump the car
// down toward a floor speed; on the grass much harder.
int TCar::updateRoadEdge() {
  float distance = std::fabs(fX);
  if (!(distance > SIDE_BUMP_MIN_DISTANCE)) return 0;
  if (distance > OFFROAD_BUMP_MIN_DISTANCE) {
    fLeftWheelBump = 1;
    fRightWheelBump = 1;
  } else if (fX < 0) {
    fLeftWheelBump = 1;
  } else {
    fRightWheelBump = 1;
  }
  fSideBumpTime -= fSpeed;
  if (fSideBumpTime > 0) return 0;
  bool grass = distance >= SIDE_BUMP_MAX_DISTANCE;
  if (fHuman) {
    playEffect(grass ? gGrassBumpSound : gBumpSound, 0.05f);
    rumble(RUMBLE_BUMP);
  }
  if (fSpeed > MIN_SLOWDOWN_SPEED) {
    float slowdown = grass ? OFFROAD_BUMP_SLOWDOWN : SIDE_BUMP_SLOWDOWN;
    fSpeed = std::max(fSpeed - slowdown, MIN_SLOWDOWN_SPEED);
  }
  fSideBumpTime = SIDE_BUMP_TIME;
  return 0;
}

void TCar::rumble(int kind) {
  struct Pulse {
    float low, high;
    int ms;
  };
  static constexpr Pulse PULSES[] = {{0.25f, 0.15f, 90}, {0.8f, 0.8f, 250}, {1.0f, 1.0f, 800}};
  const Pulse& pulse = PULSES[kind];
  PadRumble(pulse.low, pulse.high, pulse.ms);
}

void TCar::playEffect(const std::shared_ptr<TSound>& sound, float volume) {
  PlaySoundAtVolume(sound, volume);
}
