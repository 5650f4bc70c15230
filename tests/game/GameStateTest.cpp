// States, keys and music of the game mode, driven headless tick by tick.
#include "GameFixture.h"

#include "engine/aspect.h"
#include "engine/clock.h"

TEST_F(GameTest, StartUpLeavesTheTitleWithDepthRangeHandedOut) {
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
  EXPECT_NEAR(TGameMode::gZMap[0], 3.1746f, 1e-4);
  EXPECT_NEAR(TGameMode::gZMap[84], 4.329f, 1e-3);
  EXPECT_FLOAT_EQ(TGameMode::gZMap[299], 62.5f);
  EXPECT_NEAR(TGameMode::gScaleMap[0], 1.3636f, 1e-4);
  EXPECT_FLOAT_EQ(TGameMode::gScaleMap[84], 1.0f);
  EXPECT_NEAR(TGameMode::gScaleMap[299], 0.0693f, 1e-4);
  EXPECT_FLOAT_EQ(TEntity::gNearZ, TGameMode::gZMap[0]);
  EXPECT_FLOAT_EQ(TEntity::gFarZ, 62.5f);
  EXPECT_FLOAT_EQ(TSegment::gFarZ, 62.5f);
  EXPECT_NEAR(TCar::gRearRemovalZ, -17.658f, 1e-3);
}

TEST_F(GameTest, InitLoadsTheSoundsAndPlaysTheTitleMusicAtHalfVolume) {
  static TRecordingDriver* driver = new TRecordingDriver();  // drivers live for the program
  driver->loads.clear();
  ASSERT_EQ(SetAudioDriver("Recording"), 1);
  TScore::gHiScore = 77;
  gAspectBorderRed = 64;
  TGameMode::init();
  SetAudioDriver("Null");
  const std::vector<std::string> loads = {"Music/nfo.ogg 1", "Music/mutant.ogg 1", "Sounds/lap.wav 0",
                                          "Sounds/start1.wav 0", "Sounds/start2.wav 0"};
  EXPECT_EQ(driver->loads, loads);
  auto channel = std::dynamic_pointer_cast<FakeChannel>(TGameMode::gMusicChannel);
  ASSERT_TRUE(channel);
  EXPECT_FLOAT_EQ(channel->volume, 0.5f);
  EXPECT_TRUE(channel->Playing());
  EXPECT_EQ(channel->sound, "Music/nfo.ogg");
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
  EXPECT_EQ(TScore::gHiScore, 0);
  EXPECT_EQ(gAspectBorderRed, 0) << "black bands until the first display switch";
}

TEST_F(GameTest, CountDownLightsComeOnThe600th900thAnd1200thTick) {
  press(KEY_SPACE);
  tick();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_START);
  ASSERT_TRUE(TProp::gStartBanner);
  auto banner = TProp::gStartBanner;
  struct Light {
    int tick;
    std::shared_ptr<TImage> image;
    const char* sound;
    int state;
  };
  const Light lights[] = {
      {600, TProp::gBannerStart1Gfx, "start1", TGameMode::STATE_START},
      {900, TProp::gBannerStart2Gfx, "start1", TGameMode::STATE_START},
      {1200, TProp::gBannerStart3Gfx, "start2", TGameMode::STATE_ACTION},
  };
  int done = 0;
  for (const Light& light : lights) {
    tick(light.tick - 1 - done);
    EXPECT_NE(banner->fGfx, light.image) << "too early at " << light.tick;
    EXPECT_EQ(TGameMode::gState, TGameMode::STATE_START);
    playLog().clear();
    tick();
    done = light.tick;
    EXPECT_EQ(banner->fGfx, light.image) << light.tick;
    ASSERT_FALSE(playLog().empty()) << light.tick;
    EXPECT_EQ(playLog().front(), light.sound) << light.tick;
    auto sound = std::dynamic_pointer_cast<FakeSound>(light.sound == std::string("start2") ? TGameMode::gStartSound2
                                                                                          : TGameMode::gStartSound1);
    EXPECT_FLOAT_EQ(sound->lastChannel->volume, 0.2f) << "effects play at the sound volume";
    EXPECT_EQ(TGameMode::gState, light.state) << light.tick;
  }
  // The race started inside that tick, with its music.
  EXPECT_EQ(playLog().back(), "race");
  EXPECT_EQ(TGameMode::gCheckpointTime, 90);
}

TEST_F(GameTest, EscapeFromCountDownOrRaceReturnsToAnEmptyTitle) {
  for (int racing : {0, 1}) {
    press(KEY_SPACE);
    tick(racing ? 1300 : 10);
    ASSERT_EQ(TGameMode::gState, racing ? TGameMode::STATE_ACTION : TGameMode::STATE_START);
    ASSERT_TRUE(TEntity::gFirstEntity);
    press(KEY_ESCAPE);
    EXPECT_EQ(tick(), 1) << "leaving a race must not quit";
    EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
    EXPECT_FALSE(TEntity::gFirstEntity);
    EXPECT_FALSE(TEntity::gLastEntity);
    EXPECT_FALSE(TSegment::gFirstSegment);
    EXPECT_FALSE(TCloud::gFirstCloud);
    EXPECT_FALSE(TGameMode::gHorizon1 || TGameMode::gHorizon2 || TGameMode::gHorizon3);
    EXPECT_EQ(TCar::gEnemyCount, 0);
  }
}

TEST_F(GameTest, GameOverFadesInAndLeavesOnEscapeSpaceOrUp) {
  for (int key : {KEY_ESCAPE, KEY_SPACE, KEY_UP}) {
    startRace();
    TGameMode::gCheckpointTime = 1;
    AdvanceTestClock(1000);
    tick();
    ASSERT_EQ(TGameMode::gState, TGameMode::STATE_GAME_OVER);
    EXPECT_EQ(TGameMode::gCheckpointTime, 0);
    for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get()) EXPECT_FALSE(e->isCar());
    tick(199);
    EXPECT_NEAR(TGameMode::gGameOverFade, 1.0f, 1e-4);
    tick(5);
    EXPECT_EQ(TGameMode::gGameOverFade, 1.0f) << "the fade stops at 1";
    press(KEY_A);
    tick();
    EXPECT_EQ(TGameMode::gState, TGameMode::STATE_GAME_OVER) << "a is not a game-over key";
    press(key);
    EXPECT_EQ(tick(), 1);
    EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE) << key;
  }
}

TEST_F(GameTest, TitleColourChoiceWrapsBothWays) {
  struct Case {
    int from, key, to;
  };
  const Case cases[] = {
      {0, KEY_LEFT, 3},  {3, KEY_RIGHT, 0},  {2, KEY_LEFT, 1},   {2, KEY_RIGHT, 3},
      {0, KEY_COMMA, 3}, {3, KEY_PERIOD, 0}, {1, KEY_PERIOD, 2}, {1, KEY_COMMA, 0},
  };
  for (const Case& c : cases) {
    TGameMode::gPlayerCarColor = c.from;
    press(c.key);
    tick();
    EXPECT_EQ(TGameMode::gPlayerCarColor, c.to) << c.from << " key " << c.key;
  }
  // Left wins over a Right pressed in the same tick; the Right stays unread.
  TGameMode::gPlayerCarColor = 1;
  press(KEY_LEFT);
  press(KEY_RIGHT);
  tick();
  EXPECT_EQ(TGameMode::gPlayerCarColor, 0);
  tick();
  EXPECT_EQ(TGameMode::gPlayerCarColor, 1);
}

TEST_F(GameTest, TitleKeysActOnlyOnTheTitle) {
  press(KEY_SPACE);
  tick();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_START);
  for (int key : {KEY_W, KEY_LEFT, KEY_RIGHT, KEY_COMMA, KEY_PERIOD, KEY_SPACE, KEY_A}) {
    press(key);
    EXPECT_EQ(tick(), 1);
    EXPECT_EQ(TGameMode::gWindowed, 1) << key;
    EXPECT_EQ(TGameMode::gPlayerCarColor, 2) << key;
    EXPECT_EQ(TGameMode::gState, TGameMode::STATE_START) << key;
  }
}

TEST_F(GameTest, QuitOnTitleEscapeOrCloseRequestInAnyState) {
  press(KEY_ESCAPE);
  EXPECT_EQ(tick(), 0);
  FlushKeys();
  struct Case {
    int ticksAfterSpace;
    int state;
  };
  const Case cases[] = {{-1, TGameMode::STATE_TITLE}, {5, TGameMode::STATE_START}, {1300, TGameMode::STATE_ACTION}};
  for (const Case& c : cases) {
    if (c.ticksAfterSpace >= 0) {
      press(KEY_SPACE);
      tick(c.ticksAfterSpace);
    }
    ASSERT_EQ(TGameMode::gState, c.state);
    gCloseRequested = 1;
    EXPECT_EQ(tick(), 0) << c.state;
    EXPECT_EQ(tick(), 1) << "the request is read once";
    TGameMode::switchToState(TGameMode::STATE_TITLE);
  }
}

TEST_F(GameTest, MKeyTogglesMusicInEveryState) {
  auto enterState = [](int state) {
    if (state == TGameMode::STATE_TITLE) return;
    press(KEY_SPACE);
    tick(state == TGameMode::STATE_START ? 1 : 1300);
    if (state == TGameMode::STATE_GAME_OVER) TGameMode::switchToState(TGameMode::STATE_GAME_OVER);
  };
  for (int state : {TGameMode::STATE_TITLE, TGameMode::STATE_START, TGameMode::STATE_ACTION, TGameMode::STATE_GAME_OVER}) {
    enterState(state);
    ASSERT_EQ(TGameMode::gState, state);
    press(KEY_M);
    tick();
    EXPECT_EQ(TGameMode::gMusicOn, 0) << state;
    press(KEY_M);
    tick();
    EXPECT_EQ(TGameMode::gMusicOn, 1) << state;
    TGameMode::switchToState(TGameMode::STATE_TITLE);
  }
}

// The music rules as the player meets them, each from a fresh title screen.
TEST_F(GameTest, MusicFollowsTheStatesAndTheMKey) {
  struct Step {
    int key;      // pressed before the ticks, 0 for none
    int ticks;
    const char* playing;  // what the music channel plays after them, "" for silence
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"music on: title, silent count-down, race music",
       {{0, 1, "title"}, {KEY_SPACE, 1, ""}, {0, 1199, ""}, {0, 1, "race"}}},
      {"off on the title, on during the count-down plays the title music",
       {{KEY_M, 1, ""}, {KEY_SPACE, 1, ""}, {KEY_M, 1, "title"}, {0, 1199, "race"}}},
      {"on, then m twice in the count-down: still silent",
       {{KEY_SPACE, 1, ""}, {KEY_M, 1, ""}, {KEY_M, 1, ""}, {0, 10, ""}}},
      {"off for the whole race: the race music waits for m",
       {{KEY_M, 1, ""}, {KEY_SPACE, 1, ""}, {0, 1200, ""}, {KEY_M, 1, "race"}}},
      {"race music stops at game over and the title music returns",
       {{KEY_SPACE, 1, ""}, {0, 1200, "race"}, {0, -1, ""}, {KEY_ESCAPE, 1, "title"}}},
  };
  for (const Case& c : cases) {
    SetUp();
    TGameMode::switchToState(TGameMode::STATE_TITLE);
    for (const Step& step : c.steps) {
      if (step.key) press(step.key);
      if (step.ticks < 0) {
        TGameMode::gCheckpointTime = 1;
        AdvanceTestClock(1000);
        tick();
      } else {
        tick(step.ticks);
      }
      std::string playing = musicChannel->Playing() ? musicChannel->sound : "";
      EXPECT_EQ(playing, step.playing) << c.name << ", after key " << step.key;
    }
    TearDown();
  }
}
