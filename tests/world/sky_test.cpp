// Clouds and horizon layers: placement by depth, drift with wrap-around,
// fading, easing of the layers and their shift with the hills.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "world/TCloud.h"
#include "world/TEntity.h"
#include "world/THorizon.h"

namespace {

class Sky : public ::testing::Test {
protected:
  void SetUp() override {
    TEntity::gNearZ = 1000.0f / 315;
    TEntity::gFarZ = 62.5f;
    TCloud::removeAll();
    SeedRnd(99);
  }
  void TearDown() override { TCloud::removeAll(); }
};

TEST_F(Sky, CloudsAreSortedByDepthAndShapedByIt) {
  const float nearZ = TEntity::gNearZ, farZ = TEntity::gFarZ;
  std::vector<std::weak_ptr<TCloud>> watch;
  for (int i = 0; i < 300; i++) watch.push_back(TCloud::Create());
  float lastZ = -1;
  int count = 0;
  TCloud* previous = nullptr;
  for (TCloud* c = TCloud::gFirstCloud.get(); c; c = c->fNext.get()) {
    ASSERT_EQ(c->fPrevious, previous);
    ASSERT_GE(c->fZ, lastZ);
    lastZ = c->fZ;
    previous = c;
    count++;
    float t = (c->fZ - nearZ) / (farZ - nearZ);
    EXPECT_GE(c->fZ, 0.6f * farZ);
    EXPECT_LE(c->fZ, 0.9f * farZ);
    EXPECT_GE(c->fX, -800);
    EXPECT_LE(c->fX, 1600);
    EXPECT_EQ(c->fHeight, static_cast<int>((1 - t) * 300));
    EXPECT_NEAR(c->fScale, 1 - t, 1e-5);
    EXPECT_NEAR(c->fSpeed, 5000 + (farZ - c->fZ) * 60, 1e-2);
    // Near clouds are opaque; the farthest fade, but never below half.
    if (c->fZ <= 0.7f * farZ) EXPECT_FLOAT_EQ(c->fAlpha, 1);
    else if (c->fZ >= 0.85f * farZ) EXPECT_FLOAT_EQ(c->fAlpha, 0.5f);
    else EXPECT_NEAR(c->fAlpha, 1 - (c->fZ - 0.7f * farZ) / (0.3f * farZ), 1e-5);
  }
  EXPECT_EQ(count, 300);
  EXPECT_EQ(TCloud::gLastCloud.get(), previous);
  EXPECT_EQ(TCloud::drawAll(), 0);  // headless drawing is a no-op

  TCloud::removeAll();
  EXPECT_EQ(TCloud::gFirstCloud, nullptr);
  EXPECT_EQ(TCloud::gLastCloud, nullptr);
  for (auto& w : watch) EXPECT_TRUE(w.expired());
  TCloud::removeAll();  // and again on the empty list
}

TEST_F(Sky, CloudsWrapAroundTheThreeScreenBand) {
  struct Case {
    float x;
    float move;  // gCloudDX times the cloud's speed
    float expected;
  };
  const Case cases[] = {
      {-799, 2, 1600},   // leaves on the left, re-enters on the right
      {1599, -2, -800},  // and the other way
      {-798, 2, -800},   // exactly on the edge stays
      {1598, -2, 1600},
      {400, 100, 300},
      {400, 0, 400},
  };
  auto cloud = TCloud::Create();
  cloud->fSpeed = 1;  // so the drift is exactly the move, edges included
  for (const Case& c : cases) {
    cloud->fX = c.x;
    TCloud::updateAll(c.move, 1, 0);
    EXPECT_NEAR(cloud->fX, c.expected, 1e-3) << "from " << c.x << " by " << c.move;
  }
}

TEST_F(Sky, UpdateAllSetsDriftAndShift) {
  TCloud::updateAll(0.25f, 0.002f, 100);
  EXPECT_FLOAT_EQ(TCloud::gCloudDX, 0.0005f);
  EXPECT_FLOAT_EQ(TCloud::gCloudYOffset, 100);
}

TEST_F(Sky, LayersFollowTheHillsByTheirOwnFactor) {
  struct Case {
    float speed;
    float yOffset;
    float expectedShift;
    int expectedTop;
  };
  const Case cases[] = {
      {2800, 100, 112, 308},
      {3300, 100, 132, 328},
      {3800, 100, 152, 348},
      {2800, -50, -56, 140},
      {3800, 0, 0, 196},
  };
  for (const Case& c : cases) {
    auto layer = THorizon::Create(nullptr, c.speed);
    EXPECT_FLOAT_EQ(layer->fYOffsetFactor, c.speed / 2500);
    EXPECT_FLOAT_EQ(layer->fHorizonDrawX, 0);
    EXPECT_EQ(layer->fHorizonDrawY, 196);
    layer->update(0, c.yOffset, 0);
    EXPECT_NEAR(layer->fHorizonDrawYOffset, c.expectedShift, 1e-3);
    EXPECT_EQ(static_cast<int>(std::floor(layer->fHorizonDrawY + layer->fHorizonDrawYOffset)),
              c.expectedTop);
    EXPECT_EQ(layer->draw(), 0);
  }
}

TEST_F(Sky, LayerDriftEasesOffWhenTheBendEnds) {
  auto layer = THorizon::Create(nullptr, 2800);
  layer->fHorizonDrawX = 400;
  layer->fHorizonDrawDX = 10;
  const float expectedSteps[] = {9, 8.1f, 7.29f, 6.561f};
  float x = 400;
  for (float step : expectedSteps) {
    layer->update(0, 0, 0.3f);
    x -= step;
    EXPECT_NEAR(layer->fHorizonDrawDX, step, 1e-4);
    EXPECT_NEAR(layer->fHorizonDrawX, x, 1e-3);
  }
}

TEST_F(Sky, LayerEasesTowardTheBendsDrift) {
  auto layer = THorizon::Create(nullptr, 3000);
  // Target drift 2 * bend * speed * 3000 = 6 pixels per tick.
  layer->update(0.002f, 0, 0.5f);
  EXPECT_NEAR(layer->fHorizonDrawDX, 0.6f, 1e-5);
  EXPECT_NEAR(layer->fHorizonDrawX, 800 - 0.6f, 1e-3);
}

TEST_F(Sky, LayerPositionWrapsEveryScreenWidth) {
  struct Case {
    float x;
    float dx;
    float expected;
  };
  const Case cases[] = {
      {799.5f, -1, 0.5f},
      {0.5f, 1, 799.5f},
      {0, 0, 0},
      {799, -1, 0},  // 800 is already one screen on
      {400, 3, 397},
  };
  for (const Case& c : cases) {
    // From rest, one tick drifts a tenth of 2 * bend * speed * layer speed;
    // these factors make that exactly dx.
    auto layer = THorizon::Create(nullptr, 160 * c.dx);
    layer->fHorizonDrawX = c.x;
    layer->update(0.0625f, 0, 0.5f);
    EXPECT_NEAR(layer->fHorizonDrawX, c.expected, 1e-3) << "from " << c.x << " by " << c.dx;
  }
}

}  // namespace
