// The race frame drawn the quick way (fewer pixels and draws) against the
// plain way, pixel for pixel, in scenes that exercise each short cut: a
// straight, a bend, a crest hiding road, a climb, a tunnel, the grid, fire
// and smoke, game over; at the logical size and scaled into a wider window.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>

#include "cars/TCar.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/MainLoop.h"
#include "game/TGameMode.h"
#include "track/TSegment.h"
#include "world/TEntity.h"
#include "world/TProp.h"
#include "gl_fixture.h"

namespace {

// Full throttle, swerving round the cars ahead, the race clock kept going.
void raceTick() {
  gKeyStates[KEY_UP] = 1;
  TCar* car = TGameMode::gPlayerCar.get();
  float x = car ? car->fX : 0, target = 0;
  for (auto* e = TEntity::gFirstEntity.get(); e && car; e = e->fNext.get()) {
    if (e == car || !e->isCar() || e->fZ <= car->fZ || e->fZ > car->fZ + 15) continue;
    if (std::fabs(e->fX - x) < 230) target = e->fX > 0 ? -260.0f : 260.0f;
  }
  gKeyStates[KEY_LEFT] = x > target + 40;
  gKeyStates[KEY_RIGHT] = x < target - 40;
  TGameMode::gSecondStartMS -= 5;
  TGameMode::gCheckpointTime = 90;
  TGameMode::update();
}

// A visible road line lies above hidden ones: a crest hides road.
bool crestHidesRoad() {
  TGameMode::buildRoadLines();
  int hidden = 0;
  for (const TRoadLine& row : TGameMode::gRoadLines) hidden += !row.visible;
  return hidden > 20;
}

struct Difference {
  long pixels = 0;          // pixels that differ at all
  long beyondRounding = 0;  // by more than 1 in some channel
  int largest = 0;          // largest difference in any channel
  int firstX = -1, firstY = -1;  // the first pixel beyond rounding
};

Difference Compare(const TPixmap& a, const TPixmap& b) {
  Difference d;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      uint32_t p = a.ReadPixel(x, y), q = b.ReadPixel(x, y);
      int most = 0;
      for (int s = 0; s < 24; s += 8) most = std::max(most, std::abs(int((p >> s) & 255) - int((q >> s) & 255)));
      if (most) ++d.pixels;
      if (most > 1 && !d.beyondRounding++) {
        d.firstX = x;
        d.firstY = y;
      }
      d.largest = std::max(d.largest, most);
    }
  return d;
}

class FrameCompareTest : public GLTest {
protected:
  void TearDown() override {
    TGameMode::gPlainDraw = 0;
    for (int& k : gKeyStates) k = 0;
    GLTest::TearDown();
  }

  // Draws the current moment both ways and compares the whole window.
  void ExpectSamePicture(const std::string& scene) {
    const int w = GraphicsWidth(), h = GraphicsHeight();
    // Both from the same state: a frame starts with the blending the last left.
    const int blend = GetBlend();
    TGameMode::gPlainDraw = 1;
    TGameMode::drawFrame();
    auto plain = GrabPixmap(0, 0, w, h);
    TGameMode::gPlainDraw = 0;
    SetBlend(blend);
    TGameMode::drawFrame();
    auto quick = GrabPixmap(0, 0, w, h);
    ASSERT_TRUE(plain && quick) << scene;
    Difference d = Compare(*plain, *quick);
    // Blends done in another order may round the other way: by 1, in few
    // pixels; nothing else may differ, scaled or not.
    EXPECT_LE(d.pixels, long(w) * h / 1000) << scene << " at " << w << "x" << h << ": largest difference " << d.largest;
    EXPECT_EQ(d.beyondRounding, 0) << scene << " at " << w << "x" << h << ": largest difference " << d.largest
                                   << ", first at " << d.firstX << "," << d.firstY;
    fDiffering += d.pixels;
    ++fScenes;
  }

  // Drives on until the condition holds (false if it never does).
  static bool DriveUntil(const std::function<bool()>& reached, int ticks = 400000) {
    for (int i = 0; i < ticks; ++i) {
      raceTick();
      if (TGameMode::gState != TGameMode::STATE_ACTION) return false;
      if (reached()) return true;
    }
    return false;
  }

  void RunScenes(int w, int h) {
    Open(w, h);
    if (HasFatalFailure()) return;
    AspectSetMode(800, 600, ASPECT_BORDERS | ASPECT_KEEP_RATIO);
    SetAudioDriver("Null");
    TGameMode::loadGraphics();
    TGameMode::init();
    SeedRnd(5);
    TGameMode::switchToState(TGameMode::STATE_TITLE);
    gKeyHits[KEY_SPACE] = 1;
    while (TGameMode::gState == TGameMode::STATE_TITLE) TGameMode::update();
    ExpectSamePicture("grid at the start");
    while (TGameMode::gState != TGameMode::STATE_ACTION) TGameMode::update();
    for (int i = 0; i < 400; ++i) raceTick();
    ExpectSamePicture("flat straight");
    for (int i = 0; i < 6; ++i) {
      TProp::Create(8 + 2.0f * i, -300.0f + 100 * i, TProp::PROP_EXPLOSION);
      TProp::Create(9 + 2.0f * i, -220.0f + 100 * i, TProp::PROP_SMOKE);
    }
    for (int i = 0; i < 20; ++i) raceTick();
    ExpectSamePicture("explosions and smoke");
    auto first = [] { return TSegment::gFirstSegment.get(); };
    ASSERT_TRUE(DriveUntil([&] { return first()->fDY > 0 && first()->fDistanceInSegment > 10; })) << "no climb";
    ExpectSamePicture("climb");
    ASSERT_TRUE(DriveUntil(crestHidesRoad)) << "no crest";
    ExpectSamePicture("crest hiding the road");
    ASSERT_TRUE(DriveUntil([&] { return first()->fDX != 0 && first()->fDistanceInSegment > 20; }))
        << "no bend";
    ExpectSamePicture("bend");
    ASSERT_TRUE(DriveUntil([&] { return TSegment::gLastSegment->fTunnel != 0; })) << "no tunnel ahead";
    ExpectSamePicture("tunnel ahead");
    ASSERT_TRUE(DriveUntil([&] { return first()->fTunnel != 0 && first()->fDistanceInSegment > 30; })) << "no tunnel";
    ExpectSamePicture("in the tunnel");
    TGameMode::switchToState(TGameMode::STATE_GAME_OVER);
    for (int i = 0; i < 60; ++i) TGameMode::update();
    ExpectSamePicture("game over");
  }

  int fScenes = 0;
  long fDiffering = 0;
};

TEST_F(FrameCompareTest, QuickFrameIsThePlainPictureAtLogicalSize) {
  RunScenes(800, 600);
  EXPECT_EQ(fScenes, 9);
  RecordProperty("differing_pixels", static_cast<int>(fDiffering));
}

TEST_F(FrameCompareTest, QuickFrameIsThePlainPictureScaledAndLetterBoxed) {
  RunScenes(1280, 720);
  EXPECT_EQ(fScenes, 9);
  RecordProperty("differing_pixels", static_cast<int>(fDiffering));
}

}  // namespace
