// Shared set-up for the game tests: the game mode at its start-up values,
// headless (Null audio, no window), with sounds that record their playing.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cars/TCar.h"
#include "engine/clock.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/TGameMode.h"
#include "game/TScore.h"
#include "track/TSegment.h"
#include "world/TCloud.h"
#include "world/TEntity.h"
#include "world/TProp.h"

// Every play of a recording sound, by name, in order.
inline std::vector<std::string>& playLog() {
  static std::vector<std::string> log;
  return log;
}

class FakeChannel : public TChannel {
public:
  std::string sound;  // what it last started
  int started = 0;
  int paused = 0;
  float volume = -1;
  int SetPaused(int p) override { paused = p; return 0; }
  int SetVolume(float v) override { volume = v; return 0; }
  int Playing() override { return started && !paused; }
};

class FakeSound : public TSound {
public:
  explicit FakeSound(std::string name) : fName(std::move(name)) {}
  std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel) override {
    playLog().push_back(fName);
    auto fake = std::dynamic_pointer_cast<FakeChannel>(channel);
    if (!fake) fake = std::make_shared<FakeChannel>();
    fake->sound = fName;
    fake->started = 1;
    fake->paused = 0;
    lastChannel = fake;
    return fake;
  }
  std::string fName;
  std::shared_ptr<FakeChannel> lastChannel;
};

// A sound driver whose sounds record their playing; loads are logged as
// "path flags".
class TRecordingDriver : public TAudioDriver {
public:
  std::string Name() override { return "Recording"; }
  std::shared_ptr<TChannel> AllocChannel() override { return std::make_shared<FakeChannel>(); }
  std::shared_ptr<TSound> LoadSound(const std::string& path, int flags) override {
    loads.push_back(path + " " + std::to_string(flags));
    return std::make_shared<FakeSound>(path);
  }
  std::vector<std::string> loads;
};

class GameTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool started = false;
    if (started) return;
    started = true;
    SetAudioDriver("Null");
    TGameMode::loadGraphics();
    TGameMode::init();
  }

  void SetUp() override {
    // The race clock moves only when a test moves it.
    SetTestClock(1000000);
    resetGameMode();
    playLog().clear();
    musicChannel = std::make_shared<FakeChannel>();
    TGameMode::gMusicChannel = musicChannel;
    TGameMode::gTitleMusic = std::make_shared<FakeSound>("title");
    TGameMode::gRaceMusic = std::make_shared<FakeSound>("race");
    TGameMode::gLapSound = std::make_shared<FakeSound>("lap");
    TGameMode::gStartSound1 = std::make_shared<FakeSound>("start1");
    TGameMode::gStartSound2 = std::make_shared<FakeSound>("start2");
    TGameMode::switchToState(TGameMode::STATE_TITLE);
    playLog().clear();
  }

  void TearDown() override {
    TGameMode::switchToState(TGameMode::STATE_TITLE);
    TProp::gStartBanner = nullptr;
    ReleaseTestClock();
  }

  // The class state as the program starts it.
  static void resetGameMode() {
    TGameMode::removeAllGameObjects();
    TGameMode::gState = 0;
    TGameMode::gWindowed = 1;
    TGameMode::gMusicOn = 1;
    TGameMode::gCurrentMusic = nullptr;
    TGameMode::gPlayerCar = nullptr;
    TGameMode::gPlayerX = TGameMode::gPlayerSegmentDX = TGameMode::gPlayerSpeed = 0;
    TGameMode::gPlayerCarColor = 2;
    TGameMode::gHorizonYOffset = TGameMode::gTextureOffset = 0;
    TGameMode::gCountDownTimer = TGameMode::gCountDownRepeats = 0;
    TGameMode::gCheckpointTime = TGameMode::gSecondStartMS = TGameMode::gNewPlayerCarTimer = 0;
    TGameMode::gLaps = 0;
    TGameMode::gDistanceCounter = 0;
    TGameMode::gTrophy = 0;
    TGameMode::gGameOverFade = 0;
    TGameMode::gEnemyTimer = 140.0f;
    TGameMode::gEnemySide = -1;
    TGameMode::gBushTimer = 0;
    TScore::gScore = TScore::gHiScore = 0;
    TProp::gStartBanner = nullptr;
    TGameMode::gPaused = TGameMode::gPauseActive = 0;
    TGameMode::gPausedChannels.clear();
    FlushKeys();
    gCloseRequested = 0;
    gAppSuspended = 0;
    SeedRnd(12345);
  }

  static void press(int key) { gKeyHits[key] += 1; }

  // Runs ticks of the game mode; returns the last result.
  static int tick(int count = 1) {
    int result = 1;
    for (int i = 0; i < count; ++i) result = TGameMode::update();
    return result;
  }

  // From the title through the whole count-down into the race.
  static void startRace() {
    press(KEY_SPACE);
    tick();
    while (TGameMode::gState == TGameMode::STATE_START) tick();
  }

  std::shared_ptr<FakeChannel> musicChannel;
};
