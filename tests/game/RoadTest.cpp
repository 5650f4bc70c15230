// The road projection: the line table headless, then real pixels under X.
#include "GameFixture.h"

#include <cmath>
#include <cstdlib>

#include "engine/aspect.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/images.h"

namespace {

// A track of one long segment with the given bend and hill, and nothing on it.
void oneSegmentTrack(float dxFraction, float dyFraction, int tunnel = 0) {
  TEntity::removeAll();
  auto seg = TSegment::Create(0, dxFraction, dyFraction, 5000, 0);
  seg->fTunnel = tunnel;
  TSegment::gFirstSegment = seg;
  TSegment::gLastSegment = seg;
  TEntity::removeAll();  // whatever the segment placed
}

}  // namespace

TEST_F(GameTest, FlatStraightRoadHasOneLinePerRowCentred) {
  struct Case {
    float playerX;
    float bottomX;  // road centre on line 0
  };
  for (const Case& c : {Case{0, 400}, Case{100, 400 - 100 * 314.0f / 231.0f}, Case{-100, 400 + 100 * 314.0f / 231.0f}}) {
    TGameMode::gPlayerX = c.playerX;
    oneSegmentTrack(0, 0);
    TGameMode::buildRoadLines();
    float step = (400 - c.bottomX) / 300;
    for (int i = 0; i < 300; ++i) {
      const TRoadLine& row = TGameMode::gRoadLines[i];
      ASSERT_EQ(row.visible, 1) << i;
      EXPECT_EQ(row.y, 600 - i) << i;
      EXPECT_EQ(row.height, 1) << i;
      EXPECT_NEAR(row.x, c.bottomX + step * i, 0.01) << i;
      EXPECT_FLOAT_EQ(row.scale, TGameMode::gScaleMap[i]);
    }
    EXPECT_EQ(TGameMode::gRoadLines[299].y, 301);
  }
}

TEST_F(GameTest, StripesFollowDepthAndPhase) {
  struct Case {
    float offset;
    int line;
    int grass, frame;
  };
  // Line 0 lies at depth 3.17, line 93 at 4.50, line 171 at 6.94.
  const Case cases[] = {{0, 0, 110, 0}, {0, 93, 100, 1}, {0, 171, 110, 0}, {1.0f, 0, 100, 1}, {3.0f, 93, 110, 0}};
  oneSegmentTrack(0, 0);
  for (const Case& c : cases) {
    TGameMode::gTextureOffset = c.offset;
    TGameMode::buildRoadLines();
    EXPECT_EQ(TGameMode::gRoadLines[c.line].grassGreen, c.grass) << c.offset << " line " << c.line;
    EXPECT_EQ(TGameMode::gRoadLines[c.line].roadFrame, c.frame) << c.offset << " line " << c.line;
  }
}

TEST_F(GameTest, BendsCurveTheFarRoadTowardsTheirSide) {
  for (float bend : {1.0f, -1.0f, 0.25f}) {
    oneSegmentTrack(bend, 0);
    TGameMode::buildRoadLines();
    float bottom = TGameMode::gRoadLines[0].x, top = TGameMode::gRoadLines[299].x;
    EXPECT_NEAR(bottom, 400, 0.01) << "the bend has no effect on the bottom line";
    EXPECT_GT((top - 400) * bend, 100 * std::fabs(bend)) << bend;
    // The curve steepens with distance.
    float nearStep = TGameMode::gRoadLines[100].x - TGameMode::gRoadLines[99].x;
    float farStep = TGameMode::gRoadLines[299].x - TGameMode::gRoadLines[298].x;
    EXPECT_GT(std::fabs(farStep), std::fabs(nearStep));
  }
}

TEST_F(GameTest, CrestHidesTheRoadBehindIt) {
  oneSegmentTrack(0, -1.0f);
  TGameMode::buildRoadLines();
  int top = 601, hidden = 0;
  for (int i = 0; i < 300; ++i) {
    const TRoadLine& row = TGameMode::gRoadLines[i];
    if (!row.visible) {
      ++hidden;
      EXPECT_EQ(row.y, 0);
      EXPECT_EQ(row.height, 0);
      EXPECT_FLOAT_EQ(row.z, TGameMode::gZMap[i]);
      continue;
    }
    EXPECT_LE(row.y, top) << "a visible line is never below a nearer one";
    top = row.y;
  }
  EXPECT_GT(hidden, 50);
  EXPECT_GT(top, 320) << "the far road sinks behind the crest";
  // A rise spreads the lines apart instead: they fill the rows between.
  oneSegmentTrack(0, 1.0f);
  TGameMode::buildRoadLines();
  int rows = 0;
  for (const TRoadLine& row : TGameMode::gRoadLines) {
    EXPECT_EQ(row.visible, 1);
    rows += row.height;
  }
  EXPECT_EQ(rows, 601 - TGameMode::gRoadLines[299].y) << "every row from the top line down, once";
  EXPECT_LT(TGameMode::gRoadLines[299].y, 250);
}

TEST_F(GameTest, TunnelLinesHaveBlackGrass) {
  oneSegmentTrack(0, 0, 1);
  TGameMode::buildRoadLines();
  for (int i : {0, 150, 299}) {
    EXPECT_EQ(TGameMode::gRoadLines[i].grassGreen, 0);
    EXPECT_EQ(TGameMode::gRoadLines[i].tunnel, 1);
  }
}

TEST_F(GameTest, ObjectsTakeTheFirstLineBeyondTheirDepth) {
  oneSegmentTrack(0.5f, 0);
  auto nearProp = TProp::Create(10, 0, TProp::PROP_BUSH_1);
  auto farProp = TProp::Create(70, 0, TProp::PROP_BUSH_1);
  TEntity::updateDepthSortAll();
  TGameMode::buildRoadLines();
  int line = 0;
  while (TGameMode::gZMap[line] <= 10) ++line;
  EXPECT_FLOAT_EQ(nearProp->fScale, TGameMode::gScaleMap[line]);
  EXPECT_FLOAT_EQ(nearProp->fScreenY, 600 - line);
  EXPECT_NEAR(nearProp->fRoadX, TGameMode::gRoadLines[line].x, 0.01);
  EXPECT_FLOAT_EQ(nearProp->fSegmentDX, 0.5f * 0.002f);
  EXPECT_EQ(farProp->fScale, 0) << "beyond the far line nothing is placed";
  EXPECT_EQ(farProp->fScreenY, 0);
}

// ---- Real pixels, read back before the frame is presented ----

namespace {

struct Rgb {
  int r, g, b;
};

Rgb pixelAt(const std::shared_ptr<TPixmap>& map, int x, int y) {
  uint32_t p = map->ReadPixel(x, y);
  return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)};
}

bool isColour(Rgb p, int r, int g, int b, int tolerance = 2) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

bool lit(Rgb p) { return p.r > 100 || p.g > 100 || p.b > 100; }
bool white(Rgb p) { return p.r > 200 && p.g > 200 && p.b > 200; }
bool notGrass(Rgb p) { return p.r > 20 || p.b > 20; }

// Leftmost column in [x0, x1) with a pixel in rows [y0, y1) that matches; -1 for none.
int firstColumn(const std::shared_ptr<TPixmap>& map, int x0, int x1, int y0, int y1, bool (*match)(Rgb) = lit) {
  for (int x = x0; x < x1; ++x)
    for (int y = y0; y < y1; ++y)
      if (match(pixelAt(map, x, y))) return x;
  return -1;
}

class DrawTest : public GameTest {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
    static bool open = false;
    if (!open) {
      open = true;
      TGameMode::gWindowed = 1;
      TGameMode::resetGraphics();
    }
    GameTest::SetUp();
    TGameMode::gPlayerCar = nullptr;
  }

  // The race scene on the given track, frozen in the game-over state when asked.
  std::shared_ptr<TPixmap> drawScene(int state = TGameMode::STATE_ACTION) {
    TGameMode::gState = state;
    SetClsColor(34, 141, 203);
    TGameMode::drawFrame();
    return GrabPixmap(0, 0, 800, 600);
  }

  void TearDown() override {
    if (std::getenv("DISPLAY")) GameTest::TearDown();
  }
};

}  // namespace

TEST_F(DrawTest, StraightRoadFillsRowsBelowTheHorizon) {
  oneSegmentTrack(0, 0);
  auto map = drawScene();
  ASSERT_TRUE(map);
  EXPECT_TRUE(isColour(pixelAt(map, 400, 300), 34, 141, 203)) << "sky above the last line";
  EXPECT_FALSE(isColour(pixelAt(map, 400, 301), 34, 141, 203)) << "road on row 301";
  for (int i : {100, 150, 200, 250, 299}) {
    int green = std::fmod(TGameMode::gZMap[i], 4.0) > 2.0 ? 110 : 100;
    EXPECT_TRUE(isColour(pixelAt(map, 5, 600 - i), 0, green, 0, 0)) << "grass on line " << i;
    // The road spans 800 * scale around x = 400.
    int left = firstColumn(map, 0, 400, 600 - i, 601 - i, notGrass);
    float half = 400 * TGameMode::gScaleMap[i];
    EXPECT_NEAR(left, 400 - half, 3) << "left road edge on line " << i;
  }
}

TEST_F(DrawTest, BendShiftsTheFarRoadSideways) {
  // Mild bends, so the far road stays on screen.
  for (float bend : {0.3f, -0.3f}) {
    oneSegmentTrack(bend, 0);
    auto map = drawScene();
    // Find the road on row 302 as the pixels that are not grass.
    int left = -1, right = -1;
    for (int x = 0; x < 800; ++x) {
      Rgb p = pixelAt(map, x, 302);
      if (p.r > 20 || p.b > 20) {
        if (left < 0) left = x;
        right = x;
      }
    }
    ASSERT_GE(left, 0) << bend;
    float centre = (left + right) / 2.0f;
    EXPECT_NEAR(centre, TGameMode::gRoadLines[298].x, 3) << bend;
    EXPECT_GT((centre - 400) / bend, 200) << bend;
  }
}

TEST_F(DrawTest, CrestShowsSkyWhereTheFarRoadWas) {
  oneSegmentTrack(0, -1.0f);
  auto map = drawScene();
  EXPECT_TRUE(isColour(pixelAt(map, 400, 310), 34, 141, 203)) << "no road above the crest";
  int top = 600;
  for (const TRoadLine& row : TGameMode::gRoadLines)
    if (row.visible) top = row.y;
  EXPECT_TRUE(isColour(pixelAt(map, 400, top - 1), 34, 141, 203));
  EXPECT_FALSE(isColour(pixelAt(map, 400, top + 1), 34, 141, 203));
}

TEST_F(DrawTest, TunnelDarkensGrassAndRoadAndCoversTheHorizon) {
  oneSegmentTrack(0, 0);
  Rgb open = pixelAt(drawScene(), 400, 450);
  oneSegmentTrack(0, 0, 1);
  auto map = drawScene();
  EXPECT_TRUE(isColour(pixelAt(map, 5, 450), 0, 0, 0, 0)) << "black grass";
  Rgb tinted = pixelAt(map, 400, 450);
  EXPECT_NEAR(tinted.r, open.r * 70 / 255, 2);
  EXPECT_NEAR(tinted.g, open.g * 80 / 255, 2);
  EXPECT_NEAR(tinted.b, open.b * 100 / 255, 2);
  // The band from about row 274 to 305 around the horizon is black.
  for (int y : {276, 290, 299}) EXPECT_TRUE(isColour(pixelAt(map, 400, y), 0, 0, 0, 0)) << y;
  EXPECT_TRUE(isColour(pixelAt(map, 400, 270), 34, 141, 203));
}

TEST_F(DrawTest, HudNumbersSitWhereTheirWidthsPutThem) {
  oneSegmentTrack(0, 0);
  struct Case {
    const char* what;
    int score, hiScore, laps, clock;
    int x0, y0, y1;  // where the text must start, and the rows it covers
  };
  const Case cases[] = {
      {"score 12345", 12345, 0, 0, 90, 515, 52, 68},
      {"hi-score 0", 0, 0, 0, 90, 223, 52, 68},
      {"laps 10", 0, 0, 10, 90, 66, 52, 68},
      {"speed 0 without a car", 0, 0, 0, 90, 676, 52, 68},
      {"clock 11 small", 0, 0, 0, 11, 386, 52, 68},
      {"clock 10 large", 0, 0, 0, 10, 358, 50, 90},
      {"clock 9 large", 0, 0, 0, 9, 379, 50, 90},
  };
  for (const Case& c : cases) {
    TScore::gScore = c.score;
    TScore::gHiScore = c.hiScore;
    TGameMode::gLaps = c.laps;
    TGameMode::gCheckpointTime = c.clock;
    AspectDrawBorders();
    SetClsColor(0, 0, 0);
    Cls();
    TGameMode::drawHUD();
    auto map = GrabPixmap(0, 0, 800, 600);
    int first = firstColumn(map, c.x0 - 25, c.x0 + 30, c.y0, c.y1);
    EXPECT_GE(first, c.x0) << c.what;
    EXPECT_LE(first, c.x0 + 8) << c.what;
  }
}

TEST_F(DrawTest, TitleShowsCupsAndFramesTheChosenCar) {
  for (int colour : {2, 0}) {
    TGameMode::gPlayerCarColor = colour;
    TGameMode::gState = TGameMode::STATE_TITLE;
    TGameMode::drawFrame();
    auto map = GrabPixmap(0, 0, 800, 600);
    for (int cup = 0; cup < 3; ++cup)
      EXPECT_GE(firstColumn(map, 310, 328, 235 + 40 * cup, 259 + 40 * cup), 310) << "cup " << cup;
    int frameAt405 = firstColumn(map, 405, 409, 415, 460);
    int frameAt155 = firstColumn(map, 155, 159, 415, 460);
    EXPECT_EQ(frameAt405 >= 0, colour == 2) << colour;
    EXPECT_EQ(frameAt155 >= 0, colour == 0) << colour;
    EXPECT_GE(firstColumn(map, 140, 250, 40, 100), 155) << "VELMORA starts at 155";
  }
}

TEST_F(DrawTest, GameOverFadesTheSceneAndShowsTheCup) {
  struct Case {
    float fade;
    int trophy;
    bool dark, cup, gameOverText, completedText;
  };
  const Case cases[] = {
      {0, TGameMode::TROPHY_SILVER, false, false, false, false},
      {1, TGameMode::TROPHY_SILVER, true, true, true, false},
      {1, TGameMode::TROPHY_NONE, true, false, true, false},
      {1, TGameMode::TROPHY_GOLD, true, true, false, true},
  };
  for (const Case& c : cases) {
    oneSegmentTrack(0, 0);
    TGameMode::gGameOverFade = c.fade;
    TGameMode::gTrophy = c.trophy;
    TGameMode::gCheckpointTime = 0;
    auto map = drawScene(TGameMode::STATE_GAME_OVER);
    EXPECT_EQ(isColour(pixelAt(map, 400, 500), 0, 0, 0, 0), c.dark) << c.fade;
    // "GAME OVER" starts at 185, "GAME COMPLETED" at 55, in the rows 190-230.
    int text = firstColumn(map, 40, 400, 190, 230, white);
    int expectedText = c.gameOverText ? 185 : c.completedText ? 55 : -1;
    EXPECT_NEAR(text, expectedText, 8) << "trophy " << c.trophy << " fade " << c.fade;
    if (c.dark) {
      EXPECT_EQ(firstColumn(map, 391, 409, 300, 324) >= 0, c.cup) << c.trophy;
      EXPECT_EQ(firstColumn(map, 130, 200, 362, 380, white) >= 0, c.cup) << "congratulations";
    }
    EXPECT_GE(firstColumn(map, 500, 600, 52, 68, white), 0) << "the HUD stays visible";
  }
}

TEST_F(DrawTest, WOnTheTitleSwitchesModeAndFallsBackToTheWindow) {
  // The test server has no full-screen modes, so each switch to full screen
  // ends in the 800 x 600 window again, with fresh images and grey bands.
  for (int presses = 1; presses <= 2; ++presses) {
    auto oldRoad = TGameMode::gRoadGfx;
    press(KEY_W);
    EXPECT_EQ(tick(), 1);
    EXPECT_EQ(TGameMode::gWindowed, 1) << presses;
    EXPECT_EQ(GraphicsWidth(), 800);
    EXPECT_EQ(GraphicsHeight(), 600);
    EXPECT_NE(TGameMode::gRoadGfx, oldRoad) << "images are loaded again";
    EXPECT_EQ(gAspectBorderRed, 64);
    EXPECT_EQ(gAspectBorderGreen, 64);
    EXPECT_EQ(gAspectBorderBlue, 64);
  }
  oneSegmentTrack(0, 0);
  auto map = drawScene();
  EXPECT_FALSE(isColour(pixelAt(map, 400, 301), 34, 141, 203)) << "the road still draws";
}

TEST_F(DrawTest, NearerRoadCoversWhatLiesBehindACrest) {
  // Draws the track with and without a bush on the road at depth 30 and
  // returns the lowest screen row where the two frames differ (-1: none).
  auto lowestDifferentRow = [this](float dyFraction) {
    oneSegmentTrack(0, dyFraction);
    auto without = drawScene();
    TProp::Create(30, 0, TProp::PROP_BUSH_1);
    TEntity::updateDepthSortAll();
    auto with = drawScene();
    for (int y = 599; y >= 0; --y)
      for (int x = 0; x < 800; ++x)
        if (without->ReadPixel(x, y) != with->ReadPixel(x, y)) return y;
    return -1;
  };
  EXPECT_GE(lowestDifferentRow(0), 0) << "on a flat road the bush shows";
  int row = lowestDifferentRow(-1.0f);
  int top = 600;
  for (const TRoadLine& line : TGameMode::gRoadLines)
    if (line.visible) top = line.y;
  // Behind the crest at most its top peeks over the farthest visible line.
  EXPECT_LT(row, top);
}

TEST_F(DrawTest, SkyClippedToAboveTheRoadLooksAsIfDrawnWhole) {
  // The sky layers are clipped to above the farthest road row; the frame
  // must match one drawn the plain way, with every layer whole.
  TGameMode::createHorizons();
  TGameMode::createClouds();
  const float hills[] = {0, -1.0f, 0.6f};
  for (float dy : hills) {
    SCOPED_TRACE(dy);
    oneSegmentTrack(0.2f, dy);
    TGameMode::gHorizonYOffset = dy * 40;
    drawScene();  // both frames then start from the state a frame leaves
    auto clipped = drawScene();
    AspectDrawBorders();
    Cls();
    TGameMode::drawHorizons();
    TCloud::drawAll();
    TGameMode::buildRoadLines();
    TGameMode::drawTunnelMouth();
    TGameMode::drawRoadAndEntities();
    TGameMode::drawHUD();
    auto whole = GrabPixmap(0, 0, 800, 600);
    ASSERT_TRUE(clipped && whole);
    int differ = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) differ += clipped->ReadPixel(x, y) != whole->ReadPixel(x, y);
    EXPECT_EQ(differ, 0);
  }
  TGameMode::removeHorizons();
  TCloud::removeAll();
}
