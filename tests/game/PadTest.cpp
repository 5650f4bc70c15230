// The game played with a pad: its buttons on the title and in a race,
// a whole race driven by the stick and trigger, and the rumble of bumps
// and wrecks.
#include <algorithm>
#include <cmath>

#include "GameFixture.h"
#include "engine/gamepad.h"

namespace {
class PadGameTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    if (!OpenPads()) GTEST_SKIP() << "the controller layer does not start here";
    pad = AttachVirtualPad(1);
    ASSERT_GE(pad, 0);
  }
  void TearDown() override {
    GameTest::TearDown();
    ClosePads();
  }

  // Pressed for one tick, then let go for one.
  void tap(int button) {
    SetVirtualPadButton(pad, button, 1);
    tick();
    SetVirtualPadButton(pad, button, 0);
    tick();
  }

  void startRaceWithStart() {
    tap(PAD_BUTTON_START);
    ASSERT_EQ(TGameMode::gState, TGameMode::STATE_START);
    while (TGameMode::gState == TGameMode::STATE_START) tick();
  }

  size_t rumbles() const { return VirtualPadRumbles(pad).size(); }

  // Whether a request since the first `from` was at least this strong.
  bool rumbledSince(size_t from, float low, float high) const {
    auto got = VirtualPadRumbles(pad);
    for (size_t i = from; i < got.size(); ++i)
      if (got[i].low >= low - 1e-3f && got[i].high >= high - 1e-3f) return true;
    return false;
  }

  int pad = -1;
};
}  // namespace

TEST_F(PadGameTest, ButtonsChooseTheCarStartPauseToggleMusicAndLeave) {
  TGameMode::gPlayerCarColor = 1;
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, 1);
  tick();
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, 0);
  tick();
  EXPECT_EQ(TGameMode::gPlayerCarColor, 2) << "the stick chooses the car";
  tap(PAD_BUTTON_DPAD_LEFT);
  tap(PAD_BUTTON_DPAD_LEFT);
  EXPECT_EQ(TGameMode::gPlayerCarColor, 0) << "so does the d-pad";

  startRaceWithStart();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_ACTION);
  tap(PAD_BUTTON_START);
  EXPECT_EQ(TGameMode::gPaused, 1) << "Start pauses a race";
  tick(10);
  tap(PAD_BUTTON_START);
  EXPECT_EQ(TGameMode::gPaused, 0) << "and goes on";
  const int music = TGameMode::gMusicOn;
  tap(PAD_BUTTON_Y);
  EXPECT_EQ(TGameMode::gMusicOn, !music);
  tap(PAD_BUTTON_BACK);
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE) << "Back leaves the race";
  tap(PAD_BUTTON_A);
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_START) << "A starts one from the title";
  tap(PAD_BUTTON_BACK);
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
  SetVirtualPadButton(pad, PAD_BUTTON_BACK, 1);
  EXPECT_EQ(tick(), 0) << "Back on the title quits";
}

TEST_F(PadGameTest, StartHeldIntoTheRaceDoesNotPauseIt) {
  SetVirtualPadButton(pad, PAD_BUTTON_START, 1);
  tick();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_START);
  tick(50);
  EXPECT_EQ(TGameMode::gPaused, 0);
  SetVirtualPadButton(pad, PAD_BUTTON_START, 0);
  tick();
  EXPECT_EQ(TGameMode::gPaused, 0);
}

// Alone on the track with the trigger held, the stick steering toward the
// middle in proportion to how far off it the car is.
TEST_F(PadGameTest, RaceDrivenByThePadCompletesLaps) {
  startRaceWithStart();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_ACTION);
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    if (e->isCar() && !e->isHuman()) e->deactivate();
  TCar::gEnemyCount = TGameMode::MAX_ENEMY_COUNT;
  TGameMode::gCheckpointTime = 1000;
  SetVirtualPadAxis(pad, PAD_AXIS_TRIGGER_RIGHT, 1);
  float widest = 0;
  int ticks = 0;
  while (TGameMode::gLaps < 2 && TGameMode::gPlayerCar && ticks++ < 40000) {
    float x = TGameMode::gPlayerCar->fX;
    widest = std::max(widest, std::fabs(x));
    // Steering against the drift sideways too, as a player does, so the
    // slow wheel at low speed does not sway the car off the road.
    float ahead = x + 40 * TGameMode::gPlayerCar->fSteerResult;
    SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, std::clamp(-ahead / 100, -1.0f, 1.0f));
    TGameMode::gSecondStartMS = MilliSecs();
    tick();
  }
  EXPECT_EQ(TGameMode::gLaps, 2) << "after " << ticks << " ticks";
  EXPECT_LT(widest, TCar::SIDE_BUMP_MIN_DISTANCE) << "the stick kept the car on the road";
  ASSERT_TRUE(TGameMode::gPlayerCar);
  EXPECT_GT(TGameMode::gPlayerCar->fSpeed, 0.9f * TCar::TOP_SPEED);
}

TEST_F(PadGameTest, RumbleOnABumpAndOnAWreckAndNoneOnTheTitle) {
  startRaceWithStart();
  ASSERT_TRUE(TGameMode::gPlayerCar);
  auto car = TGameMode::gPlayerCar;

  size_t before = rumbles();
  car->fX = 500;  // on the grass
  car->fSpeed = 0.2f;
  car->fSideBumpTime = 0;
  tick();
  ASSERT_GT(rumbles(), before) << "a grass bump shakes the pad";
  auto bump = VirtualPadRumbles(pad)[before];
  EXPECT_GT(bump.low + bump.high, 0);
  EXPECT_LT(std::max(bump.low, bump.high), 0.5f) << "lightly";

  before = rumbles();
  car->fX = 0;
  car->fSpeed = TCar::TOP_SPEED;
  auto wreck = TCar::Create(car->fZ + 0.9f * car->fLength, 0, 0, 2);
  wreck->fSpeed = wreck->fTargetSpeed = wreck->fTopSpeed = 0.01f;
  tick();
  ASSERT_FALSE(car->fActive) << "the player's car was wrecked";
  EXPECT_TRUE(rumbledSince(before, 1, 1)) << "a wreck shakes the pad hard";

  tap(PAD_BUTTON_BACK);
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
  auto got = VirtualPadRumbles(pad);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().low + got.back().high, 0) << "the title stops the shaking";
  before = rumbles();
  tick(300);
  EXPECT_EQ(rumbles(), before);
}
