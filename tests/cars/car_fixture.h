// Shared set-up for the car tests: a clean road, the real depth limits,
// no keys held, and sounds that remember how they were played.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "cars/TCar.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/TScore.h"
#include "world/TEntity.h"
#include "world/TProp.h"

// A channel that keeps the last rate and volume set on it.
class RecordingChannel : public TChannel {
public:
  float rate = -1;
  float volume = -1;
  int stops = 0;
  int Stop() override { return ++stops, 0; }
  int SetVolume(float v) override { return volume = v, 0; }
  int SetRate(float r) override { return rate = r, 0; }
};

// A sound that hands out recording channels for its one-shot plays.
class RecordingSound : public TSound {
public:
  std::vector<std::shared_ptr<RecordingChannel>> shots;
  std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel> channel) override {
    if (channel) return channel;
    shots.push_back(std::make_shared<RecordingChannel>());
    return shots.back();
  }
  float lastVolume() const { return shots.empty() ? -1 : shots.back()->volume; }
};

class CarTest : public ::testing::Test {
protected:
  std::shared_ptr<RecordingSound> crash, plok, bump, grassBump, exhaustFlash;

  void SetUp() override {
    SetAudioDriver("Null");
    TEntity::removeAll();
    TEntity::gNearZ = 1000.0f / 315;
    TEntity::gFarZ = 1000.0f / 16;
    TCar::gRearRemovalZ = TEntity::gNearZ - TEntity::gFarZ / 3;
    TCar::gEnemyCount = 0;
    TScore::gScore = 0;
    TScore::gHiScore = 0;
    std::fill(std::begin(gKeyStates), std::end(gKeyStates), 0);
    SeedRnd(20261209);
    TCar::gCrashSound = crash = std::make_shared<RecordingSound>();
    TCar::gPlokSound = plok = std::make_shared<RecordingSound>();
    TCar::gBumpSound = bump = std::make_shared<RecordingSound>();
    TCar::gGrassBumpSound = grassBump = std::make_shared<RecordingSound>();
    TCar::gExhaustFlashSound = exhaustFlash = std::make_shared<RecordingSound>();
  }

  void TearDown() override {
    TEntity::removeAll();
    std::fill(std::begin(gKeyStates), std::end(gKeyStates), 0);
    TCar::gCrashSound = TCar::gPlokSound = TCar::gBumpSound = nullptr;
    TCar::gGrassBumpSound = TCar::gExhaustFlashSound = nullptr;
  }

  static void hold(const std::vector<int>& keys) {
    std::fill(std::begin(gKeyStates), std::end(gKeyStates), 0);
    for (int k : keys) gKeyStates[k] = 1;
  }

  // A player's car with no random leftovers: no damage, no flash due soon.
  static std::shared_ptr<TCar> player(int colour = TCar::PLAYER_CAR_COLOR_RED, float x = 0) {
    auto car = TCar::Create(TCar::PLAYER_Z, x, 1, colour);
    car->fDamage = 0;
    car->fExhaustFlashTimer = 100000;
    return car;
  }

  // An opponent that holds its lane and aims at the speed it has.
  static std::shared_ptr<TCar> opponent(float z, float x, float speed) {
    auto car = TCar::Create(z, x, 0, TCar::PLAYER_CAR_COLOR_RED);
    car->fSpeed = speed;
    car->fTargetSpeed = speed;
    car->fTargetSpeedFactor = 1;
    car->fAccFactor = 1;
    car->fDamage = 0;
    car->fGolden = 0;
    car->fSoundRateModifier = 1;
    car->fDistanceToPlayer = std::fabs(TCar::PLAYER_Z - z);
    return car;
  }

  static int countProps(int type) {
    int n = 0;
    for (auto e = TEntity::gFirstEntity; e; e = e->fNext) {
      auto prop = std::dynamic_pointer_cast<TProp>(e);
      if (prop && prop->fType == type && prop->fActive) n++;
    }
    return n;
  }

  static int countCars() {
    int n = 0;
    for (auto e = TEntity::gFirstEntity; e; e = e->fNext) n += e->isCar();
    return n;
  }
};
