// Every car on the road: the player's car and the opponents, with their
// driving, collisions, damage, drawing and engine sound.
#pragma once

#include <memory>

#include "world/TEntity.h"

class TImage;
class TSound;
class TChannel;

class TCar : public TEntity {
public:
  static constexpr float TOP_SPEED = 0.325f;
  static constexpr float STEER_CHANGE = 0.0958f;
  static constexpr float AI_STEER_CHANGE = 0.07f;
  static constexpr float STEER_RETURN_FACTOR = 0.9935f;
  static constexpr float MAX_STEER = 10;
  static constexpr float BRAKE = 0.0006f;
  static constexpr float IDLE_BRAKE = 0.00004f;
  static constexpr int GEARS = 5;
  static constexpr int PLAYER_Z = 5;
  static constexpr float MIN_FRONT_WHEEL_OFFSET_Y = 10;
  static constexpr float MAX_FRONT_WHEEL_OFFSET_Y = 30;
  static constexpr int SLOPE_TO_FRONT_WHEEL_DY_FACTOR = 80;
  static constexpr int MAX_FRONT_WHEEL_DY_FACTOR = 5;
  static constexpr float AI_MAX_SPEED_DECREASE = 0.039f;
  static constexpr int TARGET_X_MARGIN = 50;
  static constexpr int CAR_WIDTH = 180;
  static constexpr float CAR_LENGTH = 0.8f;
  static constexpr int MAX_DISTANCE_FROM_CENTER = 1600;
  static constexpr int SIDE_BUMP_MIN_DISTANCE = 280;
  static constexpr int SIDE_BUMP_MAX_DISTANCE = 360;
  static constexpr int OFFROAD_BUMP_MIN_DISTANCE = 460;
  static constexpr int SIDE_BUMP_TIME = 4;
  static constexpr float SIDE_BUMP_SLOWDOWN = 0.00012f;
  static constexpr float OFFROAD_BUMP_SLOWDOWN = 0.006f;
  static constexpr float MIN_SLOWDOWN_SPEED = 0.13f;
  static constexpr float MAX_APPLIED_DRIFT = 10;
  static constexpr int MAX_EXHAUST_FLASH_TIME = 5000;
  static constexpr int MIN_EXHAUST_FLASH_TIME = 100;
  static constexpr int GOLDEN_COLOR_TIME = 15;
  static constexpr int DAMAGE_SMOKING = 3;
  static constexpr int SMOKING_TIME = 700;
  static constexpr int SMOKE_TIME = 20;
  static constexpr int GRID_SIZE = 8;
  static constexpr int GRID_PLAYER_POS = 7;
  static constexpr float GRID_STEP_Z = 2.4f;
  static constexpr float GRID_START_Z = 19.4f;
  static constexpr int PLAYER_CAR_COLOR_GREEN = 0;
  static constexpr int PLAYER_CAR_COLOR_YELLOW = 1;
  static constexpr int PLAYER_CAR_COLOR_RED = 2;
  static constexpr int PLAYER_CAR_COLOR_BLACK = 3;
  // How hard the player's pad shakes: a kerb or grass bump, a crash, a wreck.
  static constexpr int RUMBLE_BUMP = 0;
  static constexpr int RUMBLE_HIT = 1;
  static constexpr int RUMBLE_WRECK = 2;

  std::shared_ptr<TChannel> fChnEngine1;
  std::shared_ptr<TChannel> fChnEngine2;
  std::shared_ptr<TChannel> fChnSkid;
  int fHuman = 0;
  float fSpeed = 0;
  float fAccFactor = 0;
  float fSteer = 0;
  // The steering before the last tick and the tick it ran in (gTickCount
  // then): drawing carries the steering forward right after a move.
  float fOldSteer = 0;
  int fMoveTick = -1;
  float fSteerResult = 0;
  float fOutwardForce = 0;
  int fColorR = 0;
  int fColorG = 0;
  int fColorB = 0;
  float fSideBumpTime = 0;
  int fLeftWheelBump = 0;
  int fRightWheelBump = 0;
  float fTargetSpeedFactor = 0;
  float fTargetSpeed = 0;
  float fTargetX = 0;
  float fDistanceToPlayer = 0;
  float fWheelColor = 0;
  float fSlope = 0;
  int fInTunnel = 0;
  float fSoundRateModifier = 0;
  int fJumping = 0;
  float fJumpDY = 0;
  float fJumpY = 0;
  float fWingWidthModifier = 0;
  float fWingYOffsetModifier = 0;
  int fAICollisionWarning = 0;
  float fDrift = 0;
  float fDriftFraction = 0;
  float fDrawRearLWheelX = 0;
  float fDrawRearRWheelX = 0;
  int fExhaustFlashTimer = 0;
  float fExhaustFlashScale = 0;
  int fGolden = 0;
  int fGoldenColorTimer = 0;
  int fDamage = 0;
  int fSmokingTimer = 0;
  int fSmokeTimer = 0;
  int fScoreCounted = 0;
  float fSteerChange = 0;
  float fSteerReturnFactor = 0;
  float fTopSpeed = 0;
  float fMaxSteer = 0;

  static std::shared_ptr<TImage> gWheelFrontGfx;
  static std::shared_ptr<TImage> gWheelRearGfx;
  static std::shared_ptr<TImage> gCarShadowGfx;
  static std::shared_ptr<TImage> gExhaustFlashGfx;
  static int gWheelFrontWidth;
  static int gWheelFrontHeight;
  static int gWheelRearWidth;
  static int gWheelRearHeight;
  static std::shared_ptr<TSound> gEngine5Sound;
  static std::shared_ptr<TSound> gEngine3Sound;
  static std::shared_ptr<TSound> gSkidSound;
  static std::shared_ptr<TSound> gBumpSound;
  static std::shared_ptr<TSound> gGrassBumpSound;
  static std::shared_ptr<TSound> gExplosion2Sound;
  static std::shared_ptr<TSound> gExhaustFlashSound;
  static std::shared_ptr<TSound> gPlokSound;
  static std::shared_ptr<TSound> gCrashSound;
  static int gEnemyCount;
  static float gRearRemovalZ;

  ~TCar() override;

  static std::shared_ptr<TCar> Create(float z, float x, int human, int colour);
  static std::shared_ptr<TCar> createStartingGrid(int colour);
  static int loadGraphics();
  static int loadSounds();
  // Takes only the cars off the road; hides TEntity::removeAll for TCar::.
  static int removeAll();

  int setSegmentDX(float dx, float dxFraction) override;
  int update(float dz) override;
  int deactivate() override;
  int clear() override;
  int draw() override;
  int drawShadow() override;
  float getSpeed() override;
  int isHuman() override;
  int isCar() override;
  int checkCollisions(int lookAhead) override;
  float receiveHit(float speed, float z, float length) override;
  int setSlope(float slope) override;
  int setInTunnel(int inTunnel) override;

  // The rear wheels' offsets from the car's middle (fDrawRearLWheelX and
  // fDrawRearRWheelX, where a drift's skid clouds start) as the ticks place
  // the car: what a frame at f = 0 draws, whatever this frame showed.
  int placeRearWheels();
  // How far the rear of a car at screen x x0 with this steering is drawn
  // shifted sideways.
  float rearShift(float x0, float steer) const;

  virtual int updateEngineSound();
  virtual int updateWheelColor();
  virtual int updateSmoking();
  virtual int drawWheel(const std::shared_ptr<TImage>& image, float x, float y, int width,
                        int height);
  virtual int selectNewLane(float obstacleX);

private:
  float acceleration();
  int updateJump();
  int updatePlayer(float acc);
  float steerToward(float target);
  int updateOpponent(float dz, float acc);
  int updateClosing();
  int updateRoadEdge();
  int updateExhaustFlash();
  int handleHit(TEntity& e, float dx);
  // Shakes the pads (RUMBLE_...): only for what the player's car goes through.
  static void rumble(int kind);
  // A one-shot effect on a fresh channel.
  static void playEffect(const std::shared_ptr<TSound>& sound, float volume);
};
