// The car record: creation of the player's car and of opponents, the
// starting grid, the shared images and sounds, and leaving the road.
#include "cars/TCar.h"

#include <cmath>

#include "engine/images.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "engine/system.h"
#include "game/TConstants.h"

std::shared_ptr<TImage> TCar::gWheelFrontGfx;
std::shared_ptr<TImage> TCar::gWheelRearGfx;
std::shared_ptr<TImage> TCar::gCarShadowGfx;
std::shared_ptr<TImage> TCar::gExhaustFlashGfx;
int TCar::gWheelFrontWidth = 0;
int TCar::gWheelFrontHeight = 0;
int TCar::gWheelRearWidth = 0;
int TCar::gWheelRearHeight = 0;
std::shared_ptr<TSound> TCar::gEngine5Sound;
std::shared_ptr<TSound> TCar::gEngine3Sound;
std::shared_ptr<TSound> TCar::gSkidSound;
std::shared_ptr<TSound> TCar::gBumpSound;
std::shared_ptr<TSound> TCar::gGrassBumpSound;
std::shared_ptr<TSound> TCar::gExplosion2Sound;
std::shared_ptr<TSound> TCar::gExhaustFlashSound;
std::shared_ptr<TSound> TCar::gPlokSound;
std::shared_ptr<TSound> TCar::gCrashSound;
int TCar::gEnemyCount = 0;
float TCar::gRearRemovalZ = 0;

namespace {

// The colour picked on the title screen is also a choice of handling.
struct PlayerCarKind {
  int r, g, b;
  float steerChange;
  float steerReturnFactor;
  float topSpeed;
  float maxSteer;
};

const PlayerCarKind PLAYER_CAR_KINDS[] = {
    {0, 255, 0, 0.06706f, 0.9909f, 0.2925f, 8},
    {255, 230, 20, 0.08143f, 0.9922f, 0.30875f, 9},
    {255, 0, 30, 0.0958f, 0.9935f, 0.325f, 10},
    {10, 10, 10, 0.13412f, 0.99545f, 0.3575f, 12},
};

}  // namespace

TCar::~TCar() = default;

std::shared_ptr<TCar> TCar::Create(float z, float x, int human, int colour) {
  auto car = std::make_shared<TCar>();
  New(car);
  car->init(z, x, 1);
  car->fSpeed = 0;
  car->fAccFactor = 1;
  car->fHuman = human;
  car->fWidth = CAR_WIDTH;
  car->fLength = CAR_LENGTH;
  car->fWheelColor = 150;
  car->fDrift = 0;
  car->fExhaustFlashTimer = RndInt(MIN_EXHAUST_FLASH_TIME, MAX_EXHAUST_FLASH_TIME);
  car->fExhaustFlashScale = 0;
  car->fGolden = 0;
  // A new car already carries up to two of the crashes that make it smoke.
  car->fDamage = RndInt(0, 2);
  car->fScoreCounted = 0;
  car->fInTunnel = 0;
  car->fTopSpeed = TOP_SPEED;
  car->fMaxSteer = MAX_STEER;

  if (human) {
    car->fChnEngine1 = AllocChannel();
    car->fChnEngine2 = AllocChannel();
    car->fChnSkid = AllocChannel();
    car->fChnEngine1->SetVolume(0.2f);
    car->fChnEngine2->SetVolume(0.2f);
    car->fChnSkid->SetVolume(0);
    // An unknown colour would index past the table: drive the red car.
    if (colour < PLAYER_CAR_COLOR_GREEN || colour > PLAYER_CAR_COLOR_BLACK) {
      colour = PLAYER_CAR_COLOR_RED;
    }
    const PlayerCarKind& kind = PLAYER_CAR_KINDS[colour];
    car->fColorR = kind.r;
    car->fColorG = kind.g;
    car->fColorB = kind.b;
    car->fSteerChange = kind.steerChange;
    car->fSteerReturnFactor = kind.steerReturnFactor;
    car->fTopSpeed = kind.topSpeed;
    car->fMaxSteer = kind.maxSteer;
    car->fWingWidthModifier = 1.2f;
    car->fWingYOffsetModifier = 1;
    // The three loops run for the car's whole life; only rates and volumes change.
    PlaySound(gEngine5Sound, car->fChnEngine1);
    PlaySound(gEngine3Sound, car->fChnEngine2);
    PlaySound(gSkidSound, car->fChnSkid);
    return car;
  }

  // 85 % ordinary drivers, 9 % slow ones, 6 % fast ones; the draw order
  // matters for a seeded run.
  if (RndInt(0, 99) < 85) {
    car->fTargetSpeedFactor = RndFloat(0.55, 0.95);
  } else if (RndInt(0, 9) < 6) {
    car->fTargetSpeedFactor = RndFloat(0.35, 0.55);
  } else {
    car->fTargetSpeedFactor = RndFloat(0.95, 1.15);
  }
  car->fSoundRateModifier = RndFloat(0.7, 1.2);
  if (RndInt(1, 20) > 18) {
    car->fGolden = 1;
    car->fTargetSpeedFactor = RndFloat(0.99, 1.17);
    car->fSoundRateModifier = 1.3f;
  }
  car->fAccFactor = car->fTargetSpeedFactor * RndFloat(0.9, 1.3);
  car->fTargetX = x;
  car->fChnEngine1 = AllocChannel();
  car->fChnEngine1->SetVolume(0);
  car->fSpeed = car->fTopSpeed * car->fTargetSpeedFactor * 0.7f;
  car->fColorR = Int(RndFloat(0, 255));
  car->fColorG = Int(RndFloat(0, 255));
  car->fColorB = Int(RndFloat(0, 255));
  car->fDistanceToPlayer = std::fabs(PLAYER_Z - car->fZ);
  car->fWingWidthModifier = RndFloat(0.9, 1.4);
  car->fWingYOffsetModifier = RndFloat(0.8, 1.2);
  PlaySound(gEngine3Sound, car->fChnEngine1);
  gEnemyCount += 1;
  return car;
}

std::shared_ptr<TCar> TCar::createStartingGrid(int colour) {
  int side = 1;
  std::shared_ptr<TCar> player;
  for (int i = 1; i <= GRID_SIZE; i++) {
    side = -side;
    int x = side * ROAD_WIDTH / 4;
    if (i == GRID_PLAYER_POS) {
      player = Create(PLAYER_Z, x, 1, colour);
    } else {
      auto car = Create(GRID_START_Z - GRID_STEP_Z * (i - 1), x, 0, PLAYER_CAR_COLOR_RED);
      // Grid cars stand still until the start.
      car->fSpeed = 0;
    }
  }
  return player;
}

int TCar::loadGraphics() {
  gWheelFrontGfx = LoadImage("Graphics/wheel_front.png", -1);
  gWheelRearGfx = LoadImage("Graphics/wheel_rear.png", -1);
  gCarShadowGfx = LoadImage("Graphics/car_shadow.png", -1);
  gExhaustFlashGfx = LoadImage("Graphics/exhaust_flash.png", -1);
  SetImageHandle(gCarShadowGfx, ImageWidth(gCarShadowGfx) / 2, ImageHeight(gCarShadowGfx) / 2);
  SetImageHandle(gExhaustFlashGfx, ImageWidth(gExhaustFlashGfx) / 2,
                 ImageHeight(gExhaustFlashGfx) / 2);
  gWheelFrontWidth = ImageWidth(gWheelFrontGfx);
  gWheelFrontHeight = ImageHeight(gWheelFrontGfx);
  gWheelRearWidth = ImageWidth(gWheelRearGfx);
  gWheelRearHeight = ImageHeight(gWheelRearGfx);
  return 0;
}

int TCar::loadSounds() {
  gEngine5Sound = LoadSound("Sounds/engine5.wav", SOUND_LOOP);
  gEngine3Sound = LoadSound("Sounds/engine3.wav", SOUND_LOOP);
  gBumpSound = LoadSound("Sounds/bump.wav", 0);
  gGrassBumpSound = LoadSound("Sounds/grassbump.wav", 0);
  gSkidSound = LoadSound("Sounds/skid3.wav", SOUND_LOOP);
  gExplosion2Sound = LoadSound("Sounds/explosion2.wav", 0);
  gExhaustFlashSound = LoadSound("Sounds/exhaust_flash.wav", 0);
  gPlokSound = LoadSound("Sounds/plok.wav", 0);
  gCrashSound = LoadSound("Sounds/crash.wav", 0);
  return 0;
}

int TCar::removeAll() {
  auto e = gFirstEntity;
  while (e) {
    auto next = e->fNext;
    if (e->isCar()) {
      e->clear();
      // Forget the neighbours too: a car held elsewhere (the player's) must
      // neither keep the rest of the road alive nor point back into it.
      e->detach();
    }
    e = next;
  }
  gEnemyCount = 0;
  return 0;
}

int TCar::deactivate() {
  int wasActive = fActive;
  TEntity::deactivate();
  // Count an opponent out once, however often it is retired.
  if (!fHuman && wasActive && gEnemyCount > 0) {
    gEnemyCount -= 1;
  }
  return 0;
}

int TCar::clear() {
  if (fChnEngine1) fChnEngine1->Stop();
  if (fChnEngine2) fChnEngine2->Stop();
  if (fChnSkid) fChnSkid->Stop();
  return 0;
}

float TCar::getSpeed() { return fSpeed; }

int TCar::isHuman() { return fHuman; }

int TCar::isCar() { return 1; }

int TCar::setSlope(float slope) {
  fSlope = slope;
  return 0;
}

int TCar::setInTunnel(int inTunnel) {
  fInTunnel = inTunnel;
  return 0;
}
