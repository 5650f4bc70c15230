// The engine note: five gears, the jump's higher pitch, and for opponents a
// pitch shift with the change of distance and a fade with the distance.
#include <cmath>

#include "car_fixture.h"

TEST_F(CarTest, PlayerEngineRateThroughTheGears) {
  struct Case {
    int colour;
    float speed;
    int jumping;
    float wantRate;
  } cases[] = {
      {TCar::PLAYER_CAR_COLOR_RED, 0, 0, 0.8f},
      {TCar::PLAYER_CAR_COLOR_RED, 0.065f * 0.999f, 0, 0.8f + 2.8f * 0.999f},
      {TCar::PLAYER_CAR_COLOR_RED, 0.065f * 1.001f, 0, 1.6f + 2.8f * 0.001f},
      {TCar::PLAYER_CAR_COLOR_RED, 0.1625f, 0, 3.8f},
      {TCar::PLAYER_CAR_COLOR_RED, 0.325f, 0, 6.8f},
      {TCar::PLAYER_CAR_COLOR_RED, 0.325f, 1, 10.2f},
      {TCar::PLAYER_CAR_COLOR_BLACK, 0.3575f, 0, 6.8f},
      {TCar::PLAYER_CAR_COLOR_GREEN, 0.2925f / 2, 0, 3.8f},
  };
  for (const Case& c : cases) {
    auto car = player(c.colour);
    auto one = std::make_shared<RecordingChannel>();
    auto two = std::make_shared<RecordingChannel>();
    car->fChnEngine1 = one;
    car->fChnEngine2 = two;
    car->fSpeed = c.speed;
    car->fJumping = c.jumping;
    car->updateEngineSound();
    EXPECT_NEAR(one->rate, c.wantRate, 1e-4) << c.colour << " at " << c.speed;
    EXPECT_NEAR(two->rate, c.wantRate, 1e-4) << c.colour << " at " << c.speed;
    // The volumes stay as set at creation.
    EXPECT_EQ(one->volume, -1);
  }
}

TEST_F(CarTest, OpponentEngineShiftsWithDistanceAndFades) {
  const float range = std::fabs(TCar::gRearRemovalZ - 5);  // about 22.66
  struct Case {
    const char* what;
    float modifier, speed, z, lastDistance;
    int jumping;
    float wantRate, wantVolume;
  } cases[] = {
      {"approaching", 1, 0, 14.9f, 10, 0, 1.4f, 0.2f * (1 - 9.9f / range)},
      {"receding", 1, 0, 15.2f, 10, 0, 0.6f, 0.2f * (1 - 10.2f / range)},
      {"beside the player", 1, 0, 5, 0, 0, 0.8f, 0.2f},
      {"behind the player, coming closer", 1, 0, -4.9f, 10, 0, 1.4f, 0.2f * (1 - 9.9f / range)},
      {"out of hearing, going away", 1.2f, 0.325f, 40, 30, 0, 6.8f * 1.2f - 5, 0},
      {"golden in the air", 1.3f, 0.325f, 20, 15, 1, 10.2f * 1.3f, 0.2f * (1 - 15 / range)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto car = opponent(c.z, 0, c.speed);
    auto engine = std::make_shared<RecordingChannel>();
    car->fChnEngine1 = engine;
    car->fSoundRateModifier = c.modifier;
    car->fDistanceToPlayer = c.lastDistance;
    car->fJumping = c.jumping;
    car->updateEngineSound();
    EXPECT_NEAR(engine->rate, c.wantRate, 1e-4);
    EXPECT_NEAR(engine->volume, c.wantVolume, 1e-5);
    EXPECT_NEAR(car->fDistanceToPlayer, std::fabs(5 - c.z), 1e-5);
  }
}

TEST_F(CarTest, WheelTintCyclesWithSpeed) {
  struct Case {
    float wheelColor, speed, want;
  } cases[] = {
      {150, 0, 150}, {150, 0.1f, 145}, {150, 0.3f, 142.5f}, {3, 0.2f, 150}, {10, 0.15f, 2.5f},
  };
  for (const Case& c : cases) {
    auto car = opponent(30, 0, c.speed);
    car->fWheelColor = c.wheelColor;
    car->updateWheelColor();
    EXPECT_NEAR(car->fWheelColor, c.want, 1e-4) << c.wheelColor << " at " << c.speed;
  }
}
