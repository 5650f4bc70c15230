// The letter-box mapping on real surfaces of several sizes, and its borders.
#include "gl_fixture.h"

class Aspect : public GLTest {};

TEST_F(Aspect, ModeTable) {
  struct Case {
    int rw, rh, flags;
    float logicalW, logicalH, offX, offY;
    int vx, vy, vw, vh;
  };
  const Case cases[] = {
      {800, 600, 3, 800, 600, 0, 0, 0, 0, 800, 600},
      {1920, 1080, 3, 1066.6667f, 600, 133.3333f, 0, 133, 0, 800, 600},
      {1280, 1024, 3, 800, 640, 0, 20, 0, 20, 800, 600},
      {1000, 600, 3, 1000, 600, 100, 0, 100, 0, 800, 600},
      {1920, 1080, 7, 1920, 1080, 560, 240, 560, 240, 800, 600},
      {1280, 1024, 2, 800, 640, 0, 20, 0, 0, 800, 640},
      {1000, 600, 0, 800, 600, 0, 0, 0, 0, 800, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rw << "x" << c.rh << " flags " << c.flags);
    Open(c.rw, c.rh);
    AspectSetMode(800, 600, c.flags);
    EXPECT_EQ(gAspectFlags, c.flags);
    EXPECT_NEAR(LogicalWidth(), c.logicalW, 1e-3);
    EXPECT_NEAR(LogicalHeight(), c.logicalH, 1e-3);
    EXPECT_NEAR(gAspectOffsetX, c.offX, 1e-3);
    EXPECT_NEAR(gAspectOffsetY, c.offY, 1e-3);
    int x, y, w, h;
    GetViewport(x, y, w, h);
    EXPECT_EQ(x, c.vx);
    EXPECT_EQ(y, c.vy);
    EXPECT_EQ(w, c.vw);
    EXPECT_EQ(h, c.vh);
    float ox, oy;
    GetOrigin(ox, oy);
    EXPECT_NEAR(ox, c.offX, 1e-3);
    EXPECT_NEAR(oy, c.offY, 1e-3);
    EXPECT_NEAR(gCurrentGraphics->vres_mousexscale, c.logicalW / c.rw, 1e-5);
  }
}

TEST_F(Aspect, FlagOneKeepsTheStoredFlags) {
  Open(1000, 600);
  AspectSetMode(800, 600, 3);
  AspectSetMode(800, 600, 1);
  EXPECT_EQ(gAspectFlags, 3);
  EXPECT_NEAR(gAspectOffsetX, 100, 1e-4);
  AspectRefresh(0);
  EXPECT_EQ(gAspectFlags, 0);
  EXPECT_EQ(gAspectOffsetX, 0);
}

TEST_F(Aspect, ViewportAndOriginHelpersWorkInPictureUnits) {
  Open(1000, 600);
  AspectSetMode(800, 600, 3);
  AspectSetViewport(-50, 10, 300, 1000);  // clipped to the picture
  int x, y, w, h;
  GetViewport(x, y, w, h);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 10);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 590);
  AspectGetViewport(x, y, w, h);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 10);
  AspectSetOrigin(5, 6);
  float ox, oy;
  GetOrigin(ox, oy);
  EXPECT_FLOAT_EQ(ox, 105);
  AspectGetOrigin(ox, oy);
  EXPECT_FLOAT_EQ(ox, 5);
  EXPECT_FLOAT_EQ(oy, 6);
}

TEST_F(Aspect, BordersArePaintedInTheBorderColourAndDrawingIsClipped) {
  Open(1000, 600);
  AspectSetBorderColor(64, 64, 64);
  AspectSetMode(800, 600, 3);
  SetClsColor(0, 0, 255);
  AspectDrawBorders();
  SetColor(255, 0, 0);
  SetBlend(BLEND_SOLID);
  DrawRect(-50, 0, 100, 10);  // half of it lies in the left band
  EXPECT_EQ(Hex(Pixel(50, 300)), "404040");
  EXPECT_EQ(Hex(Pixel(950, 300)), "404040");
  EXPECT_EQ(Hex(Pixel(99, 300)), "404040");
  EXPECT_EQ(Hex(Pixel(100, 300)), "0000FF");
  EXPECT_EQ(Hex(Pixel(899, 300)), "0000FF");
  EXPECT_EQ(Hex(Pixel(90, 5)), "404040");
  EXPECT_EQ(Hex(Pixel(110, 5)), "FF0000");
  EXPECT_EQ(Hex(Pixel(160, 5)), "0000FF");
  FlipFrame(0);
}

TEST_F(Aspect, WithoutBordersDrawBordersOnlyClearsTheViewport) {
  Open(1000, 600);
  AspectSetBorderColor(64, 64, 64);
  AspectSetMode(800, 600, 0);
  SetClsColor(0, 255, 0);
  SetViewport(0, 0, 400, 600);  // logical units: real 500 px
  AspectDrawBorders();
  EXPECT_EQ(Hex(Pixel(10, 10)), "00FF00");
  EXPECT_EQ(Hex(Pixel(499, 10)), "00FF00");
  EXPECT_EQ(Hex(Pixel(501, 10)), "000000");
}
