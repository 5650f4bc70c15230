// Drawing state read back from the back buffer: colour and alpha clamping,
// blend modes, transforms about the handle, origin, viewport and images.
#include <GL/gl.h>

#include <cmath>
#include <fstream>

#include "engine/gl_driver.h"
#include "gl_fixture.h"

namespace {
// A w x h opaque image of one colour, built in memory.
std::shared_ptr<TImage> SolidImage(int w, int h, uint32_t rgb, int flags = 0) {
  auto map = TPixmap::Create(w, h, PF_RGBA8888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = map->PixelPtr(x, y);
      p[0] = rgb >> 16;
      p[1] = rgb >> 8;
      p[2] = rgb;
      p[3] = 255;
    }
  auto image = TImage::Create(w, h, 1, flags);
  image->SetPixmap(0, map);
  return image;
}
}  // namespace

class Drawing : public GLDrawTest {};

TEST_F(Drawing, ColourAndAlphaAreClamped) {
  struct Case {
    int r, g, b;
    float alpha;
    const char* expected;  // over black, BLEND_ALPHA
  };
  const Case cases[] = {
      {300, -5, 128, 1.0f, "FF0080"},
      {255, 0, 0, 1.5f, "FF0000"},
      {255, 0, 0, -0.2f, "000000"},
      {255, 0, 0, std::nanf(""), "000000"},
      {255, 255, 255, 0.4f, "666666"},  // int(0.4 * 255) = 102
  };
  SetBlend(BLEND_ALPHA);
  int x = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    SetColor(c.r, c.g, c.b);
    SetAlpha(c.alpha);
    DrawRect(float(x), 0, 10, 10);
    EXPECT_EQ(Hex(Pixel(x + 5, 5)), c.expected);
    x += 20;
  }
}

TEST_F(Drawing, BlendModesCombineWithWhatIsThere) {
  struct Case {
    int mode;
    uint32_t expected;  // colour 200 at alpha 0.6 (byte 153) over grey 100
  };
  const Case cases[] = {
      {BLEND_MASK, 0xC8C8C8},  {BLEND_SOLID, 0xC8C8C8}, {BLEND_ALPHA, 0xA0A0A0},
      {BLEND_LIGHT, 0xDCDCDC}, {BLEND_SHADE, 0x4E4E4E}, {99, 0xC8C8C8},
  };
  int x = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    SetBlend(BLEND_SOLID);
    SetAlpha(1);
    SetColor(100, 100, 100);
    DrawRect(float(x), 0, 10, 10);
    SetBlend(c.mode);
    SetAlpha(0.6f);
    SetColor(200, 200, 200);
    DrawRect(float(x), 0, 10, 10);
    EXPECT_TRUE(Near(Pixel(x + 5, 5), c.expected)) << Hex(Pixel(x + 5, 5));
    x += 20;
  }
}

TEST_F(Drawing, MaskTestsTheModulatedAlphaOfAnImage) {
  auto image = SolidImage(8, 8, 0xFFFFFF);
  struct Case {
    int blend;
    float alpha;
    const char* expected;
  };
  const Case cases[] = {
      {BLEND_MASK, 0.4f, "000000"},
      {BLEND_MASK, 0.6f, "FFFFFF"},
      {BLEND_ALPHA, 0.4f, "666666"},
  };
  int x = 0;
  for (const Case& c : cases) {
    SetBlend(c.blend);
    SetAlpha(c.alpha);
    DrawImage(image, float(x), 0);
    EXPECT_EQ(Hex(Pixel(x + 4, 4)), c.expected) << c.blend << " " << c.alpha;
    x += 20;
  }
}

TEST_F(Drawing, RotationTurnsAboutTheHandle) {
  SetBlend(BLEND_SOLID);
  SetColor(255, 0, 0);
  SetHandle(15, 5);
  SetRotation(90);
  DrawRect(400, 300, 30, 10);  // becomes 10 wide, 30 high, centred on (400, 300)
  SetRotation(0);
  SetHandle(0, 0);
  struct Case {
    int x, y;
    const char* expected;
  };
  for (Case c : {Case{400, 300, "FF0000"}, Case{396, 286, "FF0000"}, Case{403, 313, "FF0000"},
                 Case{408, 300, "000000"}, Case{400, 318, "000000"}, Case{400, 282, "000000"},
                 Case{391, 300, "000000"}})
    EXPECT_EQ(Hex(Pixel(c.x, c.y)), c.expected) << c.x << "," << c.y;
  float hx, hy;
  GetHandle(hx, hy);
  EXPECT_EQ(hx, 0);
  EXPECT_EQ(gCurrentGraphics->handle_x, 0);
}

TEST_F(Drawing, OriginMovesAndViewportClips) {
  SetBlend(BLEND_SOLID);
  SetColor(0, 255, 0);
  SetOrigin(133.5f, 0);
  DrawRect(10, 20, 30, 40);  // x 143.5 .. 173.5, y 20 .. 60
  SetOrigin(0, 0);
  EXPECT_EQ(Hex(Pixel(145, 30)), "00FF00");
  EXPECT_EQ(Hex(Pixel(172, 59)), "00FF00");
  EXPECT_EQ(Hex(Pixel(142, 30)), "000000");
  EXPECT_EQ(Hex(Pixel(175, 30)), "000000");

  SetViewport(0, 0, 800, 600);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  SetViewport(300, 300, 100, 50);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  SetClsColor(0, 0, 255);
  Cls();
  SetColor(255, 0, 0);
  DrawRect(0, 0, 800, 600);
  EXPECT_EQ(Hex(Pixel(300, 300)), "FF0000");
  EXPECT_EQ(Hex(Pixel(399, 349)), "FF0000");
  EXPECT_EQ(Hex(Pixel(299, 300)), "000000");
  EXPECT_EQ(Hex(Pixel(400, 300)), "000000");
  EXPECT_EQ(Hex(Pixel(300, 350)), "000000");
  int x, y, w, h;
  GetViewport(x, y, w, h);
  EXPECT_EQ(w, 100);
}

TEST_F(Drawing, ImageHandleAndScalePlaceTheImage) {
  auto image = SolidImage(20, 10, 0xFFFF00);
  SetBlend(BLEND_SOLID);
  SetImageHandle(image, ImageWidth(image) / 2.0f, 0);
  DrawImage(image, 400, 0);
  EXPECT_EQ(Hex(Pixel(390, 5)), "FFFF00");
  EXPECT_EQ(Hex(Pixel(409, 5)), "FFFF00");
  EXPECT_EQ(Hex(Pixel(389, 5)), "000000");
  EXPECT_EQ(Hex(Pixel(410, 5)), "000000");
  SetScale(2, 3);
  DrawImage(image, 400, 100);  // 40 x 30, handle scaled too
  SetScale(1, 1);
  EXPECT_EQ(Hex(Pixel(381, 128)), "FFFF00");
  EXPECT_EQ(Hex(Pixel(418, 101)), "FFFF00");
  EXPECT_EQ(Hex(Pixel(421, 101)), "000000");
  EXPECT_EQ(Hex(Pixel(400, 131)), "000000");
  SetColor(255, 0, 255);  // the colour tints the image
  DrawImage(image, 400, 200);
  EXPECT_EQ(Hex(Pixel(400, 205)), "FF0000");
}

TEST_F(Drawing, TexturesArePowerOfTwoWithTheEdgeRepeated) {
  struct Case {
    int w, h, tw, th;
  };
  for (Case c : {Case{800, 1, 1024, 1}, Case{100, 41, 128, 64}, Case{1, 1, 1, 1}, Case{64, 65, 64, 128}}) {
    auto image = SolidImage(c.w, c.h, 0x808080, IMAGE_FILTERED);
    auto frame = std::dynamic_pointer_cast<TGLImageFrame>(image->Frame(0));
    ASSERT_NE(frame, nullptr);
    EXPECT_FLOAT_EQ(frame->uscale, 1.0f / c.tw);
    EXPECT_FLOAT_EQ(frame->vscale, 1.0f / c.th);
    EXPECT_FLOAT_EQ(frame->u1, float(c.w) / c.tw);
    EXPECT_FLOAT_EQ(frame->v1, float(c.h) / c.th);
    EXPECT_EQ(image->seqs[0], gGraphicsSeq);
  }
  // A filtered 3 x 1 image stretched wide: its right edge must not fade
  // into the padding, because the last column is repeated there.
  auto image = SolidImage(3, 1, 0xFFFFFF, IMAGE_FILTERED);
  SetBlend(BLEND_SOLID);
  SetScale(100, 10);
  DrawImage(image, 0, 0);
  SetScale(1, 1);
  EXPECT_EQ(Hex(Pixel(298, 5)), "FFFFFF");
}

// Rectangles drawn straight after an image may go through a white spot in
// that image's texture padding instead of switching texturing off; either
// way they must come out in exactly their own colour, and the spot must
// never bleed into the image itself.
TEST_F(Drawing, RectanglesAfterAnImageKeepTheirColour) {
  struct Case {
    int w, h, flags, blend;
    bool spot;
  };
  const Case cases[] = {
      {800, 1, IMAGE_FILTERED, BLEND_SOLID, true},   // room in the columns, filtered
      {100, 41, 0, BLEND_MASK, true},                // room in the columns
      {126, 20, 0, BLEND_SOLID, true},               // room in the rows only
      {126, 30, IMAGE_FILTERED, BLEND_ALPHA, false},  // no room at all
      {8, 8, 0, BLEND_SOLID, false},                 // no padding
      {100, 41, IMAGE_MIPMAPPED, BLEND_SOLID, false},  // smaller levels would blur it in
  };
  int x = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    auto image = SolidImage(c.w, c.h, 0x102030, c.flags);
    SetBlend(c.blend);
    SetAlpha(1);
    SetColor(255, 255, 255);
    DrawImage(image, 0, 100);
    EXPECT_EQ(GLDriver().fWhiteS >= 0, c.spot);
    SetColor(200, 40, 90);
    DrawRect(float(x), 0, 10, 10);
    EXPECT_EQ(Hex(Pixel(x + 5, 5)), "C8285A");
    x += 20;
  }
  // A black 125 x 1 image leaves room for the spot two columns past its
  // repeated edge; stretched wide, its filtered right edge stays black.
  auto image = SolidImage(125, 1, 0x000000, IMAGE_FILTERED);
  SetBlend(BLEND_SOLID);
  SetColor(255, 255, 255);
  SetScale(4, 10);
  DrawImage(image, 0, 200);
  SetScale(1, 1);
  EXPECT_EQ(Hex(Pixel(499, 205)), "000000");
  SetColor(0, 255, 0);
  DrawRect(600, 200, 10, 10);
  EXPECT_EQ(Hex(Pixel(605, 205)), "00FF00");
}

// A filtered image drawn texel for pixel at whole-pixel places may be
// sampled nearest instead, and must then look exactly as filtered; drawn
// any other way it stays filtered.
TEST_F(Drawing, FilteredImagesTexelForPixelLookTheSameSampledNearest) {
  auto map = TPixmap::Create(37, 23, PF_RGBA8888);
  uint32_t seed = 12345;
  for (int y = 0; y < map->height; ++y)
    for (int x = 0; x < map->width; ++x) {
      uint8_t* p = map->PixelPtr(x, y);
      for (int c = 0; c < 4; ++c) {
        seed = seed * 1103515245u + 12345u;
        p[c] = uint8_t(seed >> 24);
      }
    }
  auto image = TImage::Create(map->width, map->height, 1, IMAGE_FILTERED);
  image->SetPixmap(0, map);
  auto frame = std::dynamic_pointer_cast<TGLImageFrame>(image->Frame(0));
  ASSERT_NE(frame, nullptr);
  struct Case {
    const char* what;
    float x, y, scale, sx, sy, logicalWidth;
    bool part, nearest;
  };
  const Case cases[] = {
      {"whole image at a whole place", 100, 50, 1, 0, 0, 800, false, true},
      {"part at whole texels", 100, 50, 1, 5, 3, 800, true, true},
      {"half a pixel across", 100.5f, 50, 1, 0, 0, 800, false, false},
      {"scaled", 100, 50, 2, 0, 0, 800, false, false},
      {"part from half a texel", 100, 50, 1, 5.5f, 3, 800, true, false},
      {"logical size not the window's", 100, 50, 1, 0, 0, 400, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::shared_ptr<TPixmap> pictures[2];
    for (int shortcuts = 0; shortcuts < 2; ++shortcuts) {
      gDrawShortcuts = shortcuts;
      SetLogicalResolution(c.logicalWidth, c.logicalWidth * 0.75f);
      Cls();
      SetBlend(BLEND_ALPHA);
      SetColor(255, 255, 255);
      SetScale(c.scale, c.scale);
      if (c.part)
        DrawImagePart(image, c.x, c.y, c.sx, c.sy, 20, 15);
      else
        DrawImage(image, c.x, c.y);
      SetScale(1, 1);
      EXPECT_EQ(frame->sampledNearest, shortcuts && c.nearest);
      pictures[shortcuts] = GrabPixmap(0, 0, 800, 600);
      ASSERT_NE(pictures[shortcuts], nullptr);
    }
    int differing = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) differing += pictures[0]->ReadPixel(x, y) != pictures[1]->ReadPixel(x, y);
    EXPECT_EQ(differing, 0);
  }
}

TEST_F(Drawing, ImagesStillDrawAfterTheGraphicsAreReopened) {
  auto image = SolidImage(16, 16, 0x00FFFF, IMAGE_MASKED | IMAGE_FILTERED | IMAGE_MIPMAPPED);
  SetBlend(BLEND_SOLID);
  DrawImage(image, 0, 0);
  EXPECT_EQ(Hex(Pixel(8, 8)), "00FFFF");
  int firstSeq = image->seqs[0];
  EndGraphics();
  EXPECT_EQ(GraphicsWidth(), 0);
  DrawImage(image, 0, 0);  // nothing open: a no-op
  Open(640, 480);
  EXPECT_NE(gGraphicsSeq, firstSeq);
  SetBlend(BLEND_SOLID);
  SetClsColor(0, 0, 0);
  Cls();
  DrawImage(image, 100, 100);
  EXPECT_EQ(Hex(Pixel(108, 108)), "00FFFF");
  EXPECT_EQ(image->seqs[0], gGraphicsSeq);
  // Freed and re-made under one context: the old name is recycled safely.
  image->SetPixmap(0, image->pixmaps[0]);
  DrawImage(image, 200, 100);
  EXPECT_EQ(Hex(Pixel(208, 108)), "00FFFF");
}

TEST_F(Drawing, StateSurvivesAndIsResentWhenCurrent) {
  SetColor(1, 2, 3);
  SetBlend(BLEND_ALPHA);
  SetRotation(30);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(GetBlend(), BLEND_ALPHA);
  EXPECT_FLOAT_EQ(GetRotation(), 30);
  EXPECT_NEAR(gCurrentGraphics->tform_jx, 0.5f, 1e-6);
  EXPECT_EQ(gCurrentGraphics->_setup, 1);
  // A new graphics starts from the defaults.
  Open(320, 200);
  GetColor(r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(GetBlend(), BLEND_MASK);
  EXPECT_EQ(GetImageFont(), BuiltinFont());
  int x, y, w, h;
  GetViewport(x, y, w, h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
}
