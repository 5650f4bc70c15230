// Props without data files: what each type is made of, the effects' life
// spans, explosion chains and sound levels, and the tunnel flag.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "engine/sound.h"
#include "world/TProp.h"

namespace {

// Records what the explosion asks of its channel.
class TRecordingChannel : public TChannel {
public:
  float fVolume = -1;
  float fRate = -1;
  int SetVolume(float volume) override {
    fVolume = volume;
    return 0;
  }
  int SetRate(float rate) override {
    fRate = rate;
    return 0;
  }
};

class TRecordingSound : public TSound {
public:
  std::vector<std::shared_ptr<TRecordingChannel>> fPlayed;
  std::shared_ptr<TChannel> Play(std::shared_ptr<TChannel>) override {
    fPlayed.push_back(std::make_shared<TRecordingChannel>());
    return fPlayed.back();
  }
};

std::vector<std::shared_ptr<TProp>> PropsOfType(int type) {
  std::vector<std::shared_ptr<TProp>> out;
  for (auto e = TEntity::gFirstEntity; e; e = e->fNext) {
    auto p = std::dynamic_pointer_cast<TProp>(e);
    if (p && p->fType == type) out.push_back(p);
  }
  return out;
}

class Props : public ::testing::Test {
protected:
  void SetUp() override {
    SetAudioDriver("Null");
    TEntity::removeAll();
    TEntity::gNearZ = 1000.0f / 315;
    TEntity::gFarZ = 62.5f;
    TProp::gInTunnel = 0;
    TProp::gStartBanner.reset();
    TProp::gExplosionSound.reset();
    SeedRnd(1234);
  }
  void TearDown() override {
    TEntity::removeAll();
    TProp::gStartBanner.reset();
    TProp::gExplosionSound.reset();
    TProp::gInTunnel = 0;
  }
  // One tick of the race's list handling.
  static void Tick(float dz) {
    TEntity::removeInactive();
    TEntity::updateAll(dz);
    TEntity::updateDepthSortAll();
  }
};

TEST_F(Props, EachTypeIsMadeWithItsOwnTraits) {
  struct Case {
    int type;
    int hittable;
    int partOfTunnel;
    float width;
    int isOil;
    int isTunnelStart;
    float timer;
  };
  const Case cases[] = {
      {TProp::PROP_BANNER_YELLOW, 0, 0, 0, 0, 0, -1},
      {TProp::PROP_CORNER_SIGN, 0, 0, 0, 0, 0, -1},
      {TProp::PROP_BUSH_1, 0, 0, 0, 0, 0, -1},
      {TProp::PROP_SIGN_TEST, 1, 0, 0, 0, 0, -1},
      {TProp::PROP_SIGN_TRESK, 1, 0, 0, 0, 0, -1},
      {TProp::PROP_OIL, 1, 0, 0, 1, 0, -1},
      {TProp::PROP_SMOKE, 0, 0, 0, 0, 0, 500},
      {TProp::PROP_TUNNEL_START, 1, 1, 4800, 0, 1, -1},
      {TProp::PROP_TUNNEL_MID, 0, 1, 0, 0, 0, -1},
      {TProp::PROP_TUNNEL_END, 0, 1, 0, 0, 0, -1},
  };
  for (const Case& c : cases) {
    auto p = TProp::Create(30, -640, c.type);
    SCOPED_TRACE(c.type);
    EXPECT_EQ(p->fActive, 1);
    EXPECT_EQ(p->fUpdateDepthSort, 1);
    EXPECT_FLOAT_EQ(p->fZ, 30);
    EXPECT_FLOAT_EQ(p->fX, -640);
    EXPECT_EQ(p->hittable(), c.hittable);
    EXPECT_EQ(p->fPartOfTunnel, c.partOfTunnel);
    EXPECT_FLOAT_EQ(p->fWidth, c.width);
    EXPECT_EQ(p->isOil(), c.isOil);
    EXPECT_EQ(p->isTunnelStart(), c.isTunnelStart);
    EXPECT_FLOAT_EQ(p->fTimer, c.timer);
    EXPECT_FLOAT_EQ(p->fSize, 1);
    EXPECT_EQ(p->isCar(), 0);
    // Whatever a car runs into stops it.
    EXPECT_FLOAT_EQ(p->receiveHit(0.3f, 5, 2), 0.0f);
    // Without data files every prop still draws safely.
    EXPECT_EQ(p->draw(), 0);
  }
}

TEST_F(Props, LastStartBannerIsRemembered) {
  auto first = TProp::Create(40, 0, TProp::PROP_BANNER_START);
  EXPECT_EQ(TProp::gStartBanner, first);
  auto second = TProp::Create(62.5f, 0, TProp::PROP_BANNER_START);
  EXPECT_EQ(TProp::gStartBanner, second);
  // The reference outlives the banner's time in the list.
  TEntity::removeAll();
  ASSERT_NE(TProp::gStartBanner, nullptr);
  EXPECT_EQ(TProp::gStartBanner->fNext, nullptr);
}

TEST_F(Props, ExplosionChainOfFiveGoesOffOneAfterAnother) {
  auto first = TProp::Create(10, 50, TProp::PROP_EXPLOSION);
  first->setChain(4, 1.0f);
  std::vector<std::shared_ptr<TProp>> seen{first};
  int maxAlive = 0;
  for (int tick = 0; tick < 1000; tick++) {
    Tick(0);
    int alive = 0;
    for (auto& p : PropsOfType(TProp::PROP_EXPLOSION)) {
      if (p->fActive) alive++;
      if (std::find(seen.begin(), seen.end(), p) == seen.end()) seen.push_back(p);
    }
    maxAlive = std::max(maxAlive, alive);
  }
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(maxAlive, 1);
  for (size_t i = 0; i < seen.size(); i++) {
    EXPECT_EQ(seen[i]->fActive, 0);
    EXPECT_FLOAT_EQ(seen[i]->fZ, 10 + i * 1.0f);
    EXPECT_FLOAT_EQ(seen[i]->fX, 50);
    EXPECT_EQ(seen[i]->fChainCount, 4 - static_cast<int>(i));
    EXPECT_FLOAT_EQ(seen[i]->fSize, seen[i]->fTargetSize);
    EXPECT_GE(seen[i]->fTargetSize, 0.3f);
    EXPECT_LE(seen[i]->fTargetSize, 1.0f);
  }
  // Everything is gone once the last one has been removed.
  Tick(0);
  EXPECT_TRUE(PropsOfType(TProp::PROP_EXPLOSION).empty());
}

TEST_F(Props, ExplosionVolumeFallsWithDepthAndRateVariesSlightly) {
  auto sound = std::make_shared<TRecordingSound>();
  TProp::gExplosionSound = sound;
  struct Case {
    float z;
    float volume;
  };
  const float nearZ = TEntity::gNearZ, farZ = TEntity::gFarZ;
  const Case cases[] = {
      {nearZ, 0.2f},
      {(nearZ + farZ) / 2, 0.1f},
      {farZ, 0.0f},
      {farZ + 10, 0.0f},  // chained beyond the far line: silent, not negative
  };
  for (const Case& c : cases) {
    TProp::Create(c.z, 0, TProp::PROP_EXPLOSION);
    ASSERT_FALSE(sound->fPlayed.empty());
    EXPECT_NEAR(sound->fPlayed.back()->fVolume, c.volume, 1e-5) << "z " << c.z;
  }
  for (int i = 0; i < 200; i++) TProp::Create(20, 0, TProp::PROP_EXPLOSION);
  float lowest = 2, highest = 0;
  for (auto& ch : sound->fPlayed) {
    lowest = std::min(lowest, ch->fRate);
    highest = std::max(highest, ch->fRate);
  }
  EXPECT_GE(lowest, 0.955f);
  EXPECT_LE(highest, 1.045f);
  EXPECT_LT(lowest, 0.97f);
  EXPECT_GT(highest, 1.03f);
}

TEST_F(Props, SmokeLastsExactlyItsLifetime) {
  auto smoke = TProp::Create(30, 0, TProp::PROP_SMOKE);
  for (int i = 0; i < TProp::SMOKE_TIME - 1; i++) smoke->update(0);
  EXPECT_EQ(smoke->fActive, 1);
  smoke->update(0);
  EXPECT_EQ(smoke->fActive, 0);
}

TEST_F(Props, SkidCloudGrowsToItsTargetThenVanishes) {
  for (int i = 0; i < 100; i++) {
    auto cloud = TProp::Create(30, 0, TProp::PROP_SKID_CLOUD);
    ASSERT_GE(cloud->fSize, 0.0f);
    ASSERT_LE(cloud->fSize, 0.5f);
    float start = cloud->fSize, target = cloud->fTargetSize;
    int ticks = 0;
    while (cloud->fActive && ticks < 10) {
      cloud->update(0);
      ticks++;
    }
    EXPECT_EQ(cloud->fActive, 0);
    EXPECT_FLOAT_EQ(cloud->fSize, target);
    if (start >= target) {
      EXPECT_EQ(ticks, 1);
    }
    EXPECT_LE(ticks, 5);
  }
}

TEST_F(Props, TunnelFlagTurnsOnAtTheEntranceAndOffAtTheExit) {
  struct Step {
    int type;
    int inTunnelAfter;
  };
  const Step steps[] = {
      {TProp::PROP_TUNNEL_MID, 0},
      {TProp::PROP_TUNNEL_START, 1},
      {TProp::PROP_TUNNEL_MID, 1},
      {TProp::PROP_SIGN_TEST, 1},
      {TProp::PROP_TUNNEL_END, 0},
      {TProp::PROP_TUNNEL_MID, 0},
  };
  for (const Step& s : steps) {
    auto p = TProp::Create(4, 0, s.type);
    // Not yet past the camera: nothing changes.
    p->update(0.5f);
    EXPECT_EQ(p->fActive, 1);
    p->update(1.0f);
    EXPECT_EQ(p->fActive, 0);
    EXPECT_EQ(TProp::gInTunnel, s.inTunnelAfter) << "type " << s.type;
  }
}

TEST_F(Props, StaticPropsRetireOnlyPastTheNearLine) {
  auto sign = TProp::Create(10, 640, TProp::PROP_SIGN_TRESK);
  sign->update(6.0f);
  EXPECT_EQ(sign->fActive, 1);
  EXPECT_FLOAT_EQ(sign->fOldZ, 10);
  sign->update(1.0f);
  EXPECT_EQ(sign->fActive, 0);
}

}  // namespace
