// Text read back from the screen: colour, pen movement, scale, and the
// built-in font's character range.
#include <fstream>

#include "gl_fixture.h"

namespace {
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;  // inclusive; x1 < 0 when empty
  uint32_t brightest = 0;
  bool otherHue = false;  // a lit pixel whose hue is not the expected one
};

// Bounding box of every non-black pixel in a region, checking each lit
// pixel is a shade of the given colour.
Box Lit(int x, int y, int w, int h, uint32_t colour) {
  Box b;
  auto map = GrabPixmap(x, y, w, h);
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) {
      uint32_t c = map->ReadPixel(xx, yy) & 0xFFFFFF;
      if (!c) continue;
      b.x0 = std::min(b.x0, x + xx);
      b.y0 = std::min(b.y0, y + yy);
      b.x1 = std::max(b.x1, x + xx);
      b.y1 = std::max(b.y1, y + yy);
      if ((c & 0xFF00) > (b.brightest & 0xFF00) || (c & 0xFF0000) > (b.brightest & 0xFF0000)) b.brightest = c;
      for (int s = 0; s < 24; s += 8)
        if (((c >> s) & 255) && !((colour >> s) & 255)) b.otherHue = true;
    }
  return b;
}

const char* kFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
}  // namespace

class Text : public GLDrawTest {
protected:
  void SetUp() override {
    GLDrawTest::SetUp();
    if (!IsSkipped()) SetBlend(BLEND_ALPHA);
  }
};

TEST_F(Text, BuiltinFontDrawsInTheCurrentColourFromTheTopLeft) {
  SetImageFont(nullptr);
  SetColor(0, 255, 0);
  DrawText("H", 100, 100);
  Box b = Lit(90, 90, 30, 40, 0x00FF00);
  ASSERT_GE(b.x1, 0);
  EXPECT_FALSE(b.otherHue);
  EXPECT_EQ(Hex(b.brightest), "00FF00");
  EXPECT_GE(b.x0, 100);
  EXPECT_LE(b.x1, 107);
  EXPECT_GE(b.y0, 100);
  EXPECT_LE(b.y1, 115);
}

TEST_F(Text, PenMovesByTheAdvanceAndSkipsUnknownCharacters) {
  SetImageFont(nullptr);
  SetColor(255, 255, 255);
  struct Case {
    const char* text;
    int width;  // from the first lit column of A to the last of B, plus one
  };
  // 'A' and 'B' are 8 apart; a space adds 8; a character the font lacks adds nothing.
  const Case cases[] = {{"AB", 0}, {"A B", 8}, {"A\xC3\xA9" "B", 0}};
  int y = 0, baseWidth = -1;
  for (const Case& c : cases) {
    DrawText(c.text, 10, float(y));
    Box b = Lit(0, y, 80, 16, 0xFFFFFF);
    int width = b.x1 - b.x0 + 1;
    if (baseWidth < 0) baseWidth = width;
    EXPECT_EQ(width, baseWidth + c.width) << c.text;
    y += 20;
  }
}

TEST_F(Text, TrueTypeTextFollowsColourAndScale) {
  if (!std::ifstream(kFace).good()) GTEST_SKIP() << "no DejaVu face installed";
  auto font = LoadImageFont(kFace, 20, FONT_SMOOTH);
  ASSERT_NE(font, nullptr);
  SetImageFont(font);
  SetColor(255, 128, 0);
  DrawText("88", 100, 100);
  Box one = Lit(90, 90, 80, 40, 0xFF8000);
  ASSERT_GE(one.x1, 0);
  EXPECT_FALSE(one.otherHue);
  EXPECT_TRUE(Near(one.brightest, 0xFF8000, 1)) << Hex(one.brightest);
  EXPECT_GE(one.y0, 100);  // top-left is the ascender line
  SetScale(2, 2);
  DrawText("88", 100, 200);
  SetScale(1, 1);
  Box two = Lit(90, 190, 160, 80, 0xFF8000);
  int w1 = one.x1 - one.x0 + 1, w2 = two.x1 - two.x0 + 1;
  EXPECT_NEAR(w2, 2 * w1, 3);
  EXPECT_NEAR(two.y1 - two.y0 + 1, 2 * (one.y1 - one.y0 + 1), 3);
  // Handle and origin move text like rectangles.
  SetOrigin(0, 300);
  SetHandle(0, 0);
  DrawText("8", 100, 0);
  SetOrigin(0, 0);
  Box moved = Lit(90, 290, 40, 40, 0xFF8000);
  EXPECT_EQ(moved.y0 - 300, one.y0 - 100);
}

// Glyphs are drawn from one atlas texture per font; the result must be the
// same as drawing each glyph's own image where the pen puts it, also after
// the atlas grew, and for a glyph too big for the atlas.
TEST_F(Text, AtlasGlyphsDrawLikeTheirOwnImages) {
  bool haveFace = std::ifstream(kFace).good();
  auto plain = haveFace ? LoadImageFont(kFace, 20, 0) : nullptr;
  auto huge = haveFace ? LoadImageFont(kFace, 300, 0) : nullptr;
  auto smooth = haveFace ? LoadImageFont(kFace, 20, FONT_SMOOTH) : nullptr;
  // Pixels that differ between the text and its glyphs drawn one by one.
  auto differing = [](const std::shared_ptr<TImageFont>& font, const std::string& text, int& lit) {
    SetImageFont(font);
    Cls();
    DrawText(text, 10, 20);
    auto viaAtlas = GrabPixmap(0, 0, 800, 600);
    Cls();
    auto f = font ? font : BuiltinFont();
    float x = 10;
    for (char ch : text) {
      TImageGlyph& g = f->LoadGlyph(f->CharToGlyph(ch));
      if (g._image) DrawImage(g._image, x + float(g._x), 20 + float(g._y));
      x += g._advance;
    }
    auto oneByOne = GrabPixmap(0, 0, 800, 600);
    int differ = 0;
    lit = 0;
    for (int y = 0; y < 600; ++y)
      for (int xx = 0; xx < 800; ++xx) {
        uint32_t a = viaAtlas->ReadPixel(xx, y) & 0xFFFFFF;
        lit += a != 0;
        differ += a != (oneByOne->ReadPixel(xx, y) & 0xFFFFFF);
      }
    return differ;
  };
  SetColor(255, 255, 255);
  struct Case {
    std::shared_ptr<TImageFont> font;
    const char* text;
  };
  std::vector<Case> cases = {{nullptr, "AB"}, {nullptr, "ABC xyz 0123"}};
  if (haveFace)
    cases.insert(cases.end(), {{plain, "TIME 42"},
                               {plain, "SCORE 9876 TIME 42"},  // the atlas grows
                               {smooth, "SCORE 9876 TIME 42"},
                               {huge, "ABCDE"},
                               {huge, "E"}});  // drawn from its own image
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int lit = 0;
    EXPECT_EQ(differing(c.font, c.text, lit), 0);
    EXPECT_GT(lit, 0);
  }
  EXPECT_GE(BuiltinFont()->LoadGlyph(BuiltinFont()->CharToGlyph('z'))._atlasX, 0);
  if (haveFace) {
    EXPECT_GE(huge->LoadGlyph(huge->CharToGlyph('A'))._atlasX, 0);
    EXPECT_EQ(huge->LoadGlyph(huge->CharToGlyph('E'))._atlasX, -1) << "E no longer fits";
  }
}

// On a picture scaled up twice, a font loaded then gets images twice as
// fine: text covers the same place as the 1x font magnified, with sharper
// edges (fewer part-lit pixels) than that magnified one.
TEST_F(Text, FontsLoadedForAScaledPictureAreSharp) {
  if (!std::ifstream(kFace).good()) GTEST_SKIP() << "no DejaVu face installed";
  auto coarse = LoadImageFont(kFace, 20, FONT_SMOOTH);
  SetLogicalResolution(GraphicsWidth() / 2.0f, GraphicsHeight() / 2.0f);
  auto fine = LoadImageFont(kFace, 20, FONT_SMOOTH);
  ASSERT_NE(coarse, nullptr);
  ASSERT_NE(fine, nullptr);
  EXPECT_FLOAT_EQ(coarse->_scale, 1);
  EXPECT_FLOAT_EQ(fine->_scale, 2);
  SetColor(255, 255, 255);
  struct Drawn {
    Box box;
    int partial = 0;
  } drawn[2];
  for (int i = 0; i < 2; ++i) {
    SetImageFont(i ? fine : coarse);
    DrawText("808", 50, 50 + 60 * i);
    drawn[i].box = Lit(90, 90 + 120 * i, 200, 100, 0xFFFFFF);
    auto map = GrabPixmap(90, 90 + 120 * i, 200, 100);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x) {
        uint32_t c = map->ReadPixel(x, y) & 0xFF;
        drawn[i].partial += c > 16 && c < 240;
      }
  }
  SetLogicalResolution(float(GraphicsWidth()), float(GraphicsHeight()));
  const Box &a = drawn[0].box, &b = drawn[1].box;
  ASSERT_GE(a.x1, 0);
  ASSERT_GE(b.x1, 0);
  EXPECT_NEAR(b.x0, a.x0, 3);
  EXPECT_NEAR(b.x1 - b.x0, a.x1 - a.x0, 4);
  EXPECT_NEAR(b.y0 - 120, a.y0, 3);
  EXPECT_NEAR(b.y1 - b.y0, a.y1 - a.y0, 4);
  EXPECT_LT(drawn[1].partial * 3, drawn[0].partial * 2) << drawn[1].partial << " vs " << drawn[0].partial;
}
