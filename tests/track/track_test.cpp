// The track: the list after set-up, what laying each row places, corner
// signs, tunnel frames, laps and the horizon height, without data files.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/sound.h"
#include "track/TSegment.h"
#include "world/TProp.h"

namespace {

constexpr float FAR_Z = 62.5f;

struct PropSeen {
  int type;
  float x;
  float z;
};

std::vector<std::shared_ptr<TProp>> AllProps() {
  std::vector<std::shared_ptr<TProp>> out;
  for (auto e = TEntity::gFirstEntity; e; e = e->fNext) {
    if (auto p = std::dynamic_pointer_cast<TProp>(e)) out.push_back(p);
  }
  return out;
}

std::vector<std::shared_ptr<TProp>> PropsOfType(int type) {
  std::vector<std::shared_ptr<TProp>> out;
  for (auto& p : AllProps()) {
    if (p->fType == type) out.push_back(p);
  }
  return out;
}

class Track : public ::testing::Test {
protected:
  void SetUp() override {
    SetAudioDriver("Null");
    TEntity::removeAll();
    TSegment::removeAll();
    TEntity::gNearZ = 1000.0f / 315;
    TEntity::gFarZ = FAR_Z;
    TSegment::gFarZ = FAR_Z;
    TProp::gInTunnel = 0;
    TProp::gStartBanner.reset();
  }
  void TearDown() override {
    TEntity::removeAll();
    TSegment::removeAll();
    TProp::gStartBanner.reset();
    TProp::gInTunnel = 0;
  }
  // The track's and the list's share of one racing tick; returns checkLap.
  static int Tick(float dz) {
    TEntity::removeInactive();
    TEntity::updateAll(dz);
    TEntity::updateDepthSortAll();
    TSegment::updateAll(dz);
    int lap = TSegment::checkLap();
    TSegment::checkNext();
    return lap;
  }
};

TEST_F(Track, InitBuildsDummyThenRowZeroWithTheStartBanner) {
  TSegment::init(19.4f, 2.4f);
  auto dummy = TSegment::gFirstSegment;
  ASSERT_NE(dummy, nullptr);
  EXPECT_FLOAT_EQ(dummy->fZ, 0);
  EXPECT_EQ(dummy->fIndex, -1);
  EXPECT_FLOAT_EQ(dummy->fLength, 0);
  auto row0 = dummy->fNext;
  ASSERT_NE(row0, nullptr);
  EXPECT_EQ(row0, TSegment::gLastSegment);
  EXPECT_EQ(row0->fNext, nullptr);
  EXPECT_FLOAT_EQ(row0->fZ, 31.25f);
  EXPECT_FLOAT_EQ(row0->fLength, 100);
  EXPECT_EQ(row0->fIndex, 0);
  EXPECT_EQ(TSegment::gNextSegmentIndex, 1);
  EXPECT_EQ(TSegment::gSignSide, 1);
  EXPECT_FLOAT_EQ(TSegment::gHorizonYOffsetSum, 0);
  auto props = AllProps();
  ASSERT_EQ(props.size(), 1u);
  EXPECT_EQ(props[0]->fType, TProp::PROP_BANNER_START);
  EXPECT_FLOAT_EQ(props[0]->fZ, 21.8f);
  EXPECT_EQ(TProp::gStartBanner, props[0]);
}

TEST_F(Track, StandingStillMovesAndLaysNothing) {
  TSegment::init(19.4f, 2.4f);
  for (int i = 0; i < 500; i++) EXPECT_EQ(Tick(0), 0);
  auto dummy = TSegment::gFirstSegment;
  EXPECT_EQ(dummy->fIndex, -1);
  EXPECT_EQ(dummy->fNext, TSegment::gLastSegment);
  EXPECT_FLOAT_EQ(TSegment::gLastSegment->fZ, 31.25f);
  // The dummy decides on a corner sign at once, and row 0 is straight.
  EXPECT_EQ(dummy->fCornerSignCreated, 1);
  EXPECT_EQ(AllProps().size(), 1u);
}

TEST_F(Track, LayingARowPlacesItsBannersAndSigns) {
  struct Case {
    int row;
    int signSideBefore;
    std::vector<PropSeen> expected;
    int signSideAfter;
  };
  const int Y = TProp::PROP_BANNER_YELLOW, T = TProp::PROP_BANNER_TIRES,
            C = TProp::PROP_BANNER_COMMODORE, ST = TProp::PROP_SIGN_TEST,
            SR = TProp::PROP_SIGN_TRESK;
  const Case cases[] = {
      // A crest: yellow banners only, although 1 mod 4 is 1; one sign.
      {1, 1, {{Y, 0, 75}, {ST, 640, 97.5f}, {Y, 0, 100}, {Y, 0, 125}}, -1},
      {37, -1, {{Y, 0, 75}, {Y, 0, 100}, {ST, -640, 112.5f}, {Y, 0, 125}}, 1},
      {4, 1, {{SR, 640, 72.5f}}, -1},
      {5, 1, {{C, 0, 82.5f}}, 1},
      {9, 1, {{T, 0, 77.5f}}, 1},
      {13, -1, {{ST, -640, 77.5f}, {C, 0, 77.5f}}, 1},
      {25, 1, {{ST, 640, 112.5f}, {T, 0, 112.5f}}, -1},
      // Long rows: two signs on opposite sides, the side is kept.
      {16, 1, {{SR, 640, 62.5f + 340 * 0.33f}, {SR, -640, 62.5f + 340 * 0.66f}}, 1},
      {22, -1, {{SR, -640, 62.5f + 120 * 0.33f}, {SR, 640, 62.5f + 120 * 0.66f}}, -1},
      {2, 1, {}, 1},
      {30, 1, {{TProp::PROP_TUNNEL_START, 0, 62.5f}}, 1},
      {31, 1, {}, 1},  // 31 mod 3 is 1, but tunnels carry no signs
      {32, 1, {}, 1},
  };
  TSegment::readSegmentData();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    TEntity::removeAll();
    TSegment::gSignSide = c.signSideBefore;
    const float* r = TSegment::gSegmentData[c.row];
    auto s = TSegment::Create(FAR_Z, r[0], r[1], r[2], c.row);
    EXPECT_EQ(s->fTunnel, c.row >= 30 && c.row <= 32 ? 1 : 0);
    TEntity::updateDepthSortAll();
    auto props = AllProps();
    ASSERT_EQ(props.size(), c.expected.size());
    // Sorted by depth; each newcomer enters at the head, so of two placed
    // at the same depth the later one ends up nearer.
    for (size_t i = 0; i < props.size(); i++) {
      EXPECT_EQ(props[i]->fType, c.expected[i].type) << i;
      EXPECT_FLOAT_EQ(props[i]->fX, c.expected[i].x) << i;
      EXPECT_NEAR(props[i]->fZ, c.expected[i].z, 1e-3) << i;
    }
    EXPECT_EQ(TSegment::gSignSide, c.signSideAfter);
  }
}

TEST_F(Track, CornerSignStandsOutsideTheComingSharpBend) {
  struct Case {
    int row;
    bool sign;
    float x;
  };
  const Case cases[] = {
      {4, false, 0},    // row 5 bends -0.5: not sharper than -0.5
      {5, true, -560},  // row 6 bends 1
      {6, true, 560},   // row 7 bends -1
      {7, false, 0},
      {2, true, -560},  // row 3 bends 0.6
      {11, true, 560},
      {29, true, 560},  // into the tunnel's -0.7
      {39, false, 0},   // row 0 is straight
      {-1, false, 0},   // the dummy looks at row 0
  };
  TSegment::readSegmentData();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    TEntity::removeAll();
    int r = c.row < 0 ? 0 : c.row;
    auto s = TSegment::Create(0, 0, 0, TSegment::gSegmentData[r][2], c.row);
    for (int i = 0; i < 2000; i++) s->update(0.5f);
    EXPECT_EQ(s->fCornerSignCreated, 1);
    auto signs = PropsOfType(TProp::PROP_CORNER_SIGN);
    ASSERT_EQ(signs.size(), c.sign ? 1u : 0u);
    if (c.sign) {
      EXPECT_FLOAT_EQ(signs[0]->fX, c.x);
      EXPECT_FLOAT_EQ(signs[0]->fZ, FAR_Z);
    }
  }
}

TEST_F(Track, TunnelCounterDropsByWholeStepsAndPlacesFrames) {
  struct Case {
    float dz;
    int ticks;
    int expectedCounter;
    size_t expectedFrames;
  };
  const Case cases[] = {
      {1.5f, 1, 48, 0},  // 50 - 1.5 = 48.5, truncated
      {0.3f, 1, 49, 0},
      {0.99f, 1, 49, 0},
      {0, 500, 50, 0},   // standing: no frames
      {0.3f, 49, 1, 0},
      {0.3f, 50, 50, 1},
      {0.3f, 100, 50, 2},
  };
  TSegment::readSegmentData();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "dz " << c.dz << " ticks " << c.ticks);
    TEntity::removeAll();
    auto s = TSegment::Create(FAR_Z, -0.7f, 0, 300, 30);
    EXPECT_EQ(s->fTunnelPropCounter, 50);
    for (int i = 0; i < c.ticks; i++) s->update(c.dz);
    EXPECT_EQ(s->fTunnelPropCounter, c.expectedCounter);
    auto frames = PropsOfType(TProp::PROP_TUNNEL_MID);
    EXPECT_EQ(frames.size(), c.expectedFrames);
    for (auto& f : frames) EXPECT_FLOAT_EQ(f->fZ, FAR_Z);
  }
  // A tunnel row laid out completely places no more frames.
  TEntity::removeAll();
  auto s = TSegment::Create(FAR_Z, 0.25f, 0, 60, 32);
  s->fLength = 0;
  for (int i = 0; i < 200; i++) s->update(0.3f);
  EXPECT_TRUE(PropsOfType(TProp::PROP_TUNNEL_MID).empty());
}

TEST_F(Track, SegmentApproachStopsAtZeroThenCountsDistance) {
  auto s = TSegment::Create(1.0f, 0, 0.5f, 100, 35);
  s->update(0.75f);
  EXPECT_FLOAT_EQ(s->fZ, 0.25f);
  s->update(0.5f);  // the overshoot is not carried over
  EXPECT_FLOAT_EQ(s->fZ, 0);
  EXPECT_FLOAT_EQ(s->fDistanceInSegment, 0);
  s->update(0.5f);
  EXPECT_FLOAT_EQ(s->fDistanceInSegment, 0.5f);
  EXPECT_FLOAT_EQ(s->fLength, 98.25f);
  // 0.5 driven on a slope of 0.5 * 0.0012.
  EXPECT_NEAR(s->getHorizonYOffset(), 0.5f * 0.0006f * 5000, 1e-4);
}

TEST_F(Track, NextRowLookupWrapsAfterTheLastRow) {
  TSegment::readSegmentData();
  struct Case {
    int index;
    float dx;
    float dy;
  };
  const Case cases[] = {{-1, 0, 0}, {0, -0.15f, -0.6f}, {34, 0, 0.5f}, {36, 0, -0.5f}, {39, 0, 0}};
  for (const Case& c : cases) {
    auto s = TSegment::Create(0, 0, 0, 0, c.index);
    EXPECT_FLOAT_EQ(s->getNextSegmentDXFraction(), c.dx) << c.index;
    EXPECT_FLOAT_EQ(s->getNextSegmentDYFraction(), c.dy) << c.index;
  }
}

TEST_F(Track, DrivingLapsCountsOneLapPerPassOfTheLastRow) {
  const float dz = 0.5f;
  TSegment::init(19.4f, 2.4f);
  int laps = 0;
  int lastLapTick = -1;
  int tunnelEnds = 0;
  int tunnelOn = 0, tunnelOff = 0, previousInTunnel = 0;
  size_t framesThisLap = 0;
  std::shared_ptr<TProp> banner = TProp::gStartBanner;
  for (int tick = 0; tick < 3 * 7100 + 500; tick++) {
    int endsBefore = static_cast<int>(PropsOfType(TProp::PROP_TUNNEL_END).size());
    int indexBefore = TSegment::gLastSegment->fIndex;
    if (Tick(dz)) {
      laps++;
      EXPECT_EQ(TSegment::gFirstSegment->fIndex, 0);
      if (lastLapTick >= 0) {
        // A lap is the table's 3510 units plus at most one tick per row.
        float driven = (tick - lastLapTick) * dz;
        EXPECT_GE(driven, 3510);
        EXPECT_LE(driven, 3510 + 40 * dz);
        // Over a lap the hills cancel out, up to a tick per sloped row.
        EXPECT_NEAR(TSegment::gHorizonYOffsetSum, 0, 25);
        EXPECT_EQ(framesThisLap, 16u);  // 820 ticks of tunnel rows
      }
      lastLapTick = tick;
      framesThisLap = 0;
    }
    // Frames are created at the far line and move on the next tick.
    for (auto& f : PropsOfType(TProp::PROP_TUNNEL_MID)) {
      if (f->fZ == FAR_Z) framesThisLap++;
    }
    int endsAfter = static_cast<int>(PropsOfType(TProp::PROP_TUNNEL_END).size());
    if (TSegment::gLastSegment->fIndex != indexBefore) {
      int laid = TSegment::gLastSegment->fIndex;
      EXPECT_EQ(laid, (indexBefore + 1) % 40);
      if (laid == 33) {
        // The tunnel end was placed in the same call, just before row 33.
        EXPECT_EQ(endsAfter, endsBefore + 1);
        tunnelEnds++;
      } else {
        EXPECT_EQ(endsAfter, endsBefore);
      }
      if (laid == 0) {
        EXPECT_NE(TProp::gStartBanner, banner);
        EXPECT_FLOAT_EQ(TProp::gStartBanner->fZ, FAR_Z);
        banner = TProp::gStartBanner;
      }
    }
    if (TProp::gInTunnel != previousInTunnel) {
      (TProp::gInTunnel ? tunnelOn : tunnelOff)++;
      previousInTunnel = TProp::gInTunnel;
    }
  }
  EXPECT_EQ(laps, 3);
  EXPECT_EQ(tunnelEnds, 3);
  EXPECT_EQ(tunnelOn, 3);
  EXPECT_EQ(tunnelOff, 3);
}

}  // namespace
