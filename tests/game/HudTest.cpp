// The HUD through the recording drawing driver: what it draws, and with
// which font, checked without an X server.
#include <sstream>

#include "GameFixture.h"
#include "engine/draw_recorder.h"
#include "engine/drawing.h"

namespace {
struct ImageDraw {
  int mapWidth = 0, mapHeight = 0;
  float x0, y0, x1, y1, tx, ty;
};

// The images drawn after the last "SetColor r g b" line.
std::vector<ImageDraw> ImagesAfterColour(const std::vector<std::string>& calls, const std::string& colour) {
  std::vector<ImageDraw> out;
  for (const std::string& line : calls) {
    if (line == "SetColor " + colour) out.clear();
    if (line.rfind("DrawImage ", 0) != 0) continue;
    ImageDraw d;
    char x = 0;
    std::string at;
    std::istringstream in(line.substr(10));
    in >> d.mapWidth >> x >> d.mapHeight >> d.x0 >> d.y0 >> d.x1 >> d.y1 >> at >> d.tx >> d.ty;
    out.push_back(d);
  }
  return out;
}
}  // namespace

class HudTest : public GameTest {
protected:
  std::shared_ptr<TRecordingDrawDriver> recorder = std::make_shared<TRecordingDrawDriver>();

  void SetUp() override {
    GameTest::SetUp();
    if (!TGameMode::gSmallFont || !TGameMode::gLargeFont) GTEST_SKIP() << "the game's font was not built";
    recorder->MakeCurrent(800, 600);
  }
  void TearDown() override {
    SetCurrentDrawState(nullptr, 0, 0);
    GameTest::TearDown();
  }
};

TEST_F(HudTest, TheLastTenSecondsShowInBigDigits) {
  struct Case {
    int seconds;
    bool big;
  } cases[] = {{37, false}, {11, false}, {10, true}, {9, true}, {0, true}};
  float smallHeight = 0;
  for (const Case& c : cases) {
    TGameMode::gCheckpointTime = c.seconds;
    recorder->fCalls.clear();
    TGameMode::drawHUD();
    // The yellow texts: "TIME" in the small font, then the seconds.
    auto drawn = ImagesAfterColour(recorder->fCalls, "255 255 0");
    const size_t digits = std::to_string(c.seconds).size();
    ASSERT_GT(drawn.size(), digits) << c.seconds;
    float height = 0;
    for (size_t i = drawn.size() - digits; i < drawn.size(); ++i) height = std::max(height, drawn[i].y1 - drawn[i].y0);
    if (!c.big) smallHeight = height;
    if (c.big)
      EXPECT_GT(height, 2 * smallHeight) << c.seconds << " s";
    else
      EXPECT_NEAR(height, drawn.front().y1 - drawn.front().y0, 3) << c.seconds << " s: as tall as TIME";
  }
}
