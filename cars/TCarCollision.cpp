// Running into things from behind: knocks, jumps, crashes, wrecks, oil,
// the tunnel mouth, the opponents' look-ahead, and the smoke of damage.
#include <algorithm>
#include <cmath>

#include "cars/TCar.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "world/TProp.h"

int TCar::checkCollisions(int lookAhead) {
  // Nothing leaves the list during the walk (a hit only deactivates), so
  // plain pointers do and spare a reference count per entity.
  for (TEntity* e = gFirstEntity.get(); e; e = e->fNext.get()) {
    // The cheap rejections first: only hittable things strictly ahead and slower.
    if (e == this || !e->hittable() || !(e->fZ > fZ) || e->getSpeed() >= fSpeed) continue;
    float reach = fLength;
    if (lookAhead) reach += fSpeed / fTopSpeed * (fLength * 17);
    float dz = std::fabs(fZ - e->fZ);
    if (dz >= reach) continue;
    float dx = std::fabs(fX - e->fX);
    if (dx >= 0.9f * (fWidth / 2 + e->fWidth / 2)) continue;
    if (lookAhead) {
      // Every obstacle in range has its say; the last lane drawn wins.
      selectNewLane(e->fX);
      if (dz < reach / 3) fAICollisionWarning = 1;
      continue;
    }
    // At most one real hit per tick: the nearest ahead.
    handleHit(*e, dx);
    return 0;
  }
  return 0;
}

int TCar::handleHit(TEntity& e, float dx) {
  if (e.isTunnelStart() && std::fabs(fX) < SIDE_BUMP_MAX_DISTANCE) return 0;
  if (e.isOil()) {
    if (fHuman && !fJumping) {
      fDrift = RndFloat(5, 10);
      fSteer = std::clamp(fSteer * 3, -fMaxSteer, fMaxSteer);
      e.deactivate();
    }
    return 0;
  }
  // A car in the air flies over other cars.
  if (fJumping && e.isCar()) return 0;

  float oldSpeed = fSpeed;
  fSpeed = e.receiveHit(fSpeed, fZ, fLength);
  if (e.isHuman()) {
    fZ = e.fZ - fLength * 1.2f;
  } else {
    selectNewLane(e.fX);
  }
  if (oldSpeed <= fTopSpeed / 10) return 0;

  float loss = (oldSpeed - fSpeed) / oldSpeed * 100;
  if (loss < 20) {
    if (fHuman || e.isHuman()) playEffect(gPlokSound, fScale * 0.2f);
    return 0;
  }
  // Touching only wheel to wheel throws the car into the air.
  if (e.isCar() && !fJumping && dx > 0.7f * (fWidth / 2 + e.fWidth / 2)) {
    fJumping = 1;
    fJumpDY = fSpeed * 4;
    fSpeed = oldSpeed * 0.98f;
    playEffect(gCrashSound, fScale * 0.2f);
    if (fHuman || e.isHuman()) rumble(RUMBLE_HIT);
    return 0;
  }
  if (loss < 50) {
    playEffect(gCrashSound, fScale * 0.2f);
    if (fHuman || e.isHuman()) rumble(RUMBLE_HIT);
    fDamage += 1;
    if (fDamage >= DAMAGE_SMOKING) {
      fDamage = 0;
      fSmokingTimer = SMOKING_TIME;
      fSmokeTimer = SMOKE_TIME;
    }
    return 0;
  }
  auto explosion = TProp::Create(fZ + RndFloat(0, fLength * 2), fX, TProp::PROP_EXPLOSION);
  if (explosion) explosion->setChain(4, 1.0f);
  if (!fHuman) TProp::Create(fZ, fX, TProp::PROP_OIL);
  // The player feels a wreck of their own car, and one rammed into it.
  if (fHuman) {
    rumble(RUMBLE_WRECK);
  } else if (e.isHuman()) {
    rumble(RUMBLE_HIT);
  }
  deactivate();
  return 0;
}

float TCar::receiveHit(float speed, float z, float length) {
  (void)speed;
  // The car run into is pushed ahead of the one that hit it.
  if (!fHuman) fZ = z + length * 1.2f;
  return fSpeed * 0.9f;
}

int TCar::updateSmoking() {
  fSmokeTimer -= 1;
  if (fSmokeTimer <= 0) {
    fSmokeTimer = SMOKE_TIME;
    TProp::Create(fZ, fX, TProp::PROP_SMOKE);
  }
  fSmokingTimer -= 1;
  return 0;
}
