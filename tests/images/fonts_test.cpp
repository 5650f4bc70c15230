// Headless font tests: FreeType glyphs rendered without any graphics open.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/fonts.h"

namespace {
const char* kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

bool HaveFace() { return std::ifstream(kFace).good(); }
}  // namespace

TEST(Fonts, SmoothGlyphsHaveAClearOnePixelRim) {
  if (!HaveFace()) GTEST_SKIP() << "no DejaVu face installed";
  auto plain = LoadImageFont(kFace, 20, 0);
  auto smooth = LoadImageFont(kFace, 20, FONT_SMOOTH);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(smooth, nullptr);
  EXPECT_EQ(plain->_imageFlags, 0);
  EXPECT_EQ(smooth->_imageFlags, IMAGE_FILTERED | IMAGE_MIPMAPPED);
  int a = smooth->CharToGlyph('A');
  ASSERT_GE(a, 0);
  EXPECT_EQ(plain->CharToGlyph('A'), a);
  TImageGlyph& p = plain->LoadGlyph(a);
  TImageGlyph& s = smooth->LoadGlyph(a);
  ASSERT_NE(s._image, nullptr);
  EXPECT_EQ(s._w, p._w + 2);
  EXPECT_EQ(s._h, p._h + 2);
  EXPECT_EQ(s._x, p._x - 1);
  EXPECT_EQ(s._y, p._y - 1);
  EXPECT_EQ(s._advance, p._advance);
  auto& map = *s._image->pixmaps[0];
  EXPECT_EQ(map.format, PF_A8);
  EXPECT_EQ(map.width, s._w);
  int rim = 0, inside = 0;
  for (int y = 0; y < map.height; ++y)
    for (int x = 0; x < map.width; ++x) {
      bool edge = x == 0 || y == 0 || x == map.width - 1 || y == map.height - 1;
      (edge ? rim : inside) += map.ReadPixel(x, y) >> 24;
    }
  EXPECT_EQ(rim, 0);
  EXPECT_GT(inside, 0);
}

TEST(Fonts, BlankAndMissingCharacters) {
  if (!HaveFace()) GTEST_SKIP() << "no DejaVu face installed";
  auto font = LoadImageFont(kFace, 20, FONT_SMOOTH);
  ASSERT_NE(font, nullptr);
  TImageGlyph& space = font->LoadGlyph(font->CharToGlyph(' '));
  EXPECT_EQ(space._image, nullptr);
  EXPECT_GT(space._advance, 0);
  EXPECT_EQ(font->CharToGlyph(0xE000), -1);  // private use: not in the face
  EXPECT_EQ(font->LoadGlyph(-1)._image, nullptr);
  EXPECT_EQ(font->LoadGlyph(font->CountGlyphs())._image, nullptr);
  // DejaVu Sans Bold digits are 14 px wide at 20 px, the HUD's assumption.
  EXPECT_EQ(font->LoadGlyph(font->CharToGlyph('0'))._advance, 14);
  EXPECT_GT(font->Height(), 18);
}

TEST(Fonts, BuiltinFontCoversPrintableAscii) {
  auto font = BuiltinFont();
  EXPECT_EQ(font->Height(), 16);
  EXPECT_EQ(font->CountGlyphs(), 96);
  struct Case {
    int ch, glyph;
  };
  for (Case c : {Case{31, -1}, Case{32, 0}, Case{'A', 33}, Case{127, 95}, Case{128, -1}, Case{0x263A, -1}})
    EXPECT_EQ(font->CharToGlyph(c.ch), c.glyph) << c.ch;
  TImageGlyph& a = font->LoadGlyph(font->CharToGlyph('A'));
  ASSERT_NE(a._image, nullptr);
  EXPECT_EQ(a._image->width, 8);
  EXPECT_EQ(a._image->height, 16);
  EXPECT_EQ(a._advance, 8);
  int set = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) set += (a._image->pixmaps[0]->ReadPixel(x, y) >> 24) == 255;
  EXPECT_GT(set, 15);  // a legible letter, not an empty cell
}

TEST(Fonts, MissingOrCorruptFileGivesNullAndOneLine) {
  std::string garbage = testing::TempDir() + "velmora_garbage.ttf";
  std::ofstream(garbage, std::ios::binary) << "no outlines in here";
  for (const std::string& path : {testing::TempDir() + "velmora_missing.ttf", garbage}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadImageFont(path, 20, FONT_SMOOTH), nullptr);
    EXPECT_EQ(LoadImageFont(path, 60, FONT_SMOOTH), nullptr);  // the game's second size
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "velmora: cannot load font \"" + path + "\"\n");
  }
  if (HaveFace()) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadImageFont(kFace, 0, 0), nullptr);
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
  }
}

TEST(Fonts, HeadlessCallsAreSafe) {
  SetImageFont(nullptr);
  DrawText("no graphics open", 10, 10);
  DrawText("\xff\xfe broken utf-8", 0, 0);
  EXPECT_EQ(GetImageFont(), BuiltinFont());
}

TEST(Fonts, BitmapOnlyFaceFallsBackToASmallerSizeAndExpandsOneBitGlyphs) {
  const char* pcf = "/usr/share/fonts/X11/misc/10x20-ISO8859-1.pcf.gz";
  if (!std::ifstream(pcf).good()) GTEST_SKIP() << "no 10x20 bitmap face installed";
  auto font = LoadImageFont(pcf, 26, 0);  // only a 20 px strike exists
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Height(), 20);
  TImageGlyph& a = font->LoadGlyph(font->CharToGlyph('A'));
  ASSERT_NE(a._image, nullptr);
  EXPECT_EQ(a._advance, 10);
  auto& map = *a._image->pixmaps[0];
  int on = 0;
  for (int y = 0; y < map.height; ++y)
    for (int x = 0; x < map.width; ++x) {
      uint32_t alpha = map.ReadPixel(x, y) >> 24;
      EXPECT_TRUE(alpha == 0 || alpha == 255);
      on += alpha == 255;
    }
  EXPECT_GT(on, 10);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadImageFont(pcf, 19, 0), nullptr);  // nothing at or below 19
  EXPECT_NE(testing::internal::GetCapturedStderr().find(pcf), std::string::npos);
}

TEST(Fonts, FinerImagesKeepTheLayoutOfTheAskedSize) {
  if (!HaveFace()) GTEST_SKIP() << "no DejaVu face installed";
  auto plain = LoadImageFont(kFace, 20, FONT_SMOOTH, 1);
  ASSERT_NE(plain, nullptr);
  struct Case {
    float scale, expected;  // asked for, given (whole pixel sizes only)
  };
  for (Case c : {Case{1, 1}, Case{1.8f, 1.8f}, Case{2, 2}, Case{2.7f, 2.7f}, Case{0.5f, 1}}) {
    auto font = LoadImageFont(kFace, 20, FONT_SMOOTH, c.scale);
    ASSERT_NE(font, nullptr) << c.scale;
    EXPECT_FLOAT_EQ(font->_scale, c.expected) << c.scale;
    EXPECT_EQ(font->Height(), plain->Height()) << c.scale;
    for (char ch : {'0', '7', 'A', 'g', ' '}) {
      TImageGlyph& p = plain->LoadGlyph(plain->CharToGlyph(ch));
      TImageGlyph& g = font->LoadGlyph(font->CharToGlyph(ch));
      EXPECT_EQ(g._advance, p._advance) << c.scale << " " << ch;  // the HUD's digits stay 14 wide
      if (!p._image) continue;
      ASSERT_NE(g._image, nullptr);
      // The image is finer by the scale, within hinting's pixel or two.
      EXPECT_NEAR(g._h, (p._h - 2) * c.expected + 2, 2 + c.expected) << c.scale << " " << ch;
      EXPECT_NEAR(g._y / c.expected, p._y, 1.5) << c.scale << " " << ch;
    }
  }
  // Without graphics there is no scale to follow.
  EXPECT_FLOAT_EQ(LoadImageFont(kFace, 20, FONT_SMOOTH)->_scale, 1);
}
