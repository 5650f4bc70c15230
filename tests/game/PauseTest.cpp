// The pause: the race stands still while the player holds it (P or Pause)
// or while the window has lost the keyboard focus; clocks and sound go on
// from where they stood.
#include "GameFixture.h"

#include "engine/clock.h"

namespace {

// A tick of the game with the clock moving as the main loop's would.
void tickFor(int ms) {
  for (int t = 0; t < ms; t += 5) {
    AdvanceTestClock(5);
    TGameMode::update();
  }
}

struct RaceSnapshot {
  int checkpointTime, countDownTimer, state;
  float textureOffset, playerZ, playerSpeed;
  bool operator==(const RaceSnapshot&) const = default;
};

RaceSnapshot snapshot() {
  auto car = TGameMode::gPlayerCar;
  return {TGameMode::gCheckpointTime, TGameMode::gCountDownTimer, TGameMode::gState, TGameMode::gTextureOffset,
          car ? car->fZ : -1, car ? car->fSpeed : -1};
}

}  // namespace

TEST_F(GameTest, PausedRaceStandsStillAndLosesNoPartOfASecond) {
  struct Case {
    const char* name;
    int pause;   // key that pauses, 0 for the focus lost
    int resume;  // key that goes on, 0 for the focus back
  };
  const Case cases[] = {
      {"P then P", KEY_P, KEY_P},
      {"Pause then Pause", KEY_PAUSE, KEY_PAUSE},
      {"P then Space", KEY_P, KEY_SPACE},
      {"focus lost and back", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    startRace();
    tickFor(2300);  // 300 ms into the race's third second, the grid gone ahead
    int clock = TGameMode::gCheckpointTime;
    ASSERT_EQ(clock, TGameMode::CHECKPOINT_TIME_FIRST_LAP - 2);
    ASSERT_TRUE(TGameMode::gPlayerCar);
    TGameMode::gPlayerCar->fSpeed = 0.2f;
    if (c.pause) press(c.pause); else gAppSuspended = 1;
    tickFor(5);
    RaceSnapshot paused = snapshot();
    tickFor(20000);
    EXPECT_TRUE(snapshot() == paused) << "the race moved while paused";
    EXPECT_EQ(TGameMode::gPauseActive, 1);
    if (c.resume) press(c.resume); else gAppSuspended = 0;
    tickFor(5);
    EXPECT_EQ(TGameMode::gPauseActive, 0);
    tickFor(100);
    EXPECT_FALSE(snapshot() == paused) << "the race goes on";
    // 305 ms of the second had gone before the pause: 695 more end it.
    tickFor(585);
    EXPECT_EQ(TGameMode::gCheckpointTime, clock);
    tickFor(10);
    EXPECT_EQ(TGameMode::gCheckpointTime, clock - 1);
    TGameMode::switchToState(TGameMode::STATE_TITLE);
  }
}

TEST_F(GameTest, PausedCountDownWaitsWithItsLights) {
  press(KEY_SPACE);
  tick();
  tickFor(1000);
  int timer = TGameMode::gCountDownTimer;
  press(KEY_P);
  tickFor(10000);
  EXPECT_EQ(TGameMode::gCountDownTimer, timer);
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_START);
  EXPECT_TRUE(playLog().empty()) << "no light came on while paused";
  press(KEY_P);
  tickFor(2000);
  EXPECT_EQ(playLog(), std::vector<std::string>{"start1"}) << "the first light 3 s after the start";
}

TEST_F(GameTest, PausedPlayerAndFocusHoldTheRaceTogether) {
  startRace();
  press(KEY_P);
  tick();
  gAppSuspended = 1;
  tick();
  gAppSuspended = 0;
  tick();
  EXPECT_EQ(TGameMode::gPauseActive, 1) << "the focus back does not lift the player's pause";
  press(KEY_P);
  tick();
  EXPECT_EQ(TGameMode::gPauseActive, 0);
}

TEST_F(GameTest, PauseSilencesWhatPlaysAndResumesOnlyThat) {
  startRace();
  musicChannel->started = 1;
  auto engine = std::make_shared<FakeChannel>();
  engine->started = 1;
  auto skid = std::make_shared<FakeChannel>();  // not playing
  TGameMode::gPlayerCar->fChnEngine1 = engine;
  TGameMode::gPlayerCar->fChnSkid = skid;
  press(KEY_P);
  tick();
  EXPECT_EQ(musicChannel->paused, 1);
  EXPECT_EQ(engine->paused, 1);
  press(KEY_P);
  tick();
  EXPECT_EQ(musicChannel->paused, 0);
  EXPECT_EQ(engine->paused, 0);
  EXPECT_EQ(skid->Playing(), 0) << "a silent channel stays silent";
}

TEST_F(GameTest, EscapeLeavesAPausedRaceAndTheCloseRequestStillQuits) {
  startRace();
  press(KEY_P);
  tick();
  press(KEY_ESCAPE);
  tick();
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
  EXPECT_EQ(TGameMode::gPauseActive, 0);
  EXPECT_EQ(TGameMode::gPaused, 0);
  startRace();
  EXPECT_EQ(TGameMode::gPauseActive, 0) << "the next race starts unpaused";
  gAppSuspended = 1;
  tick();
  gCloseRequested = 1;
  EXPECT_EQ(tick(), 0);
  gAppSuspended = 0;
}

TEST_F(GameTest, NothingPausesOnTheTitleOrTheGameOverScreen) {
  for (int state : {TGameMode::STATE_TITLE, TGameMode::STATE_GAME_OVER}) {
    SCOPED_TRACE(state);
    if (state == TGameMode::STATE_GAME_OVER) {
      startRace();
      TGameMode::switchToState(TGameMode::STATE_GAME_OVER);
    }
    press(KEY_P);
    gAppSuspended = 1;
    float fade = TGameMode::gGameOverFade;
    tick();
    EXPECT_EQ(TGameMode::gPauseActive, 0);
    if (state == TGameMode::STATE_GAME_OVER) {
      EXPECT_GT(TGameMode::gGameOverFade, fade);
    }
    gAppSuspended = 0;
    TGameMode::switchToState(TGameMode::STATE_TITLE);
  }
}
