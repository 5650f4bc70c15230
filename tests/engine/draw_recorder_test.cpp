// What the recording driver counts of each quad for the frame breakdown:
// the pixels it covers in view, and the 4 x 4 blocks a rasteriser shades.
#include <gtest/gtest.h>

#include "engine/draw_recorder.h"
#include "engine/drawing.h"

TEST(DrawRecorder, CountsPixelsAndTheBlocksTheyFallIn) {
  struct Case {
    const char* what;
    float x, y, w, h;
    double pixels, blocks;
  };
  const Case cases[] = {
      {"a row one pixel high", 0, 0, 800, 1, 800, 200},
      {"four rows across two block rows", 0, 2, 800, 4, 3200, 400},
      {"one block exactly", 4, 4, 4, 4, 16, 1},
      {"a block's worth across four blocks", 2, 2, 4, 4, 16, 4},
      {"wholly out of view", -100, 0, 50, 10, 0, 0},
      {"a corner in view", 798, 598, 10, 10, 4, 1},
      {"between two pixel centres", 10.6f, 0, 0.3f, 1, 0.3, 0},
  };
  auto recorder = std::make_shared<TRecordingDrawDriver>();
  recorder->MakeCurrent(800, 600);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    recorder->fPassPixels[3] = recorder->fPassBlocks[3] = 0;
    SetDrawPass(3);
    DrawRect(c.x, c.y, c.w, c.h);
    SetDrawPass(0);
    EXPECT_NEAR(recorder->fPassPixels[3], c.pixels, 1e-3);
    EXPECT_EQ(recorder->fPassBlocks[3], c.blocks);
  }
  SetCurrentDrawState(nullptr, 0, 0);
}
