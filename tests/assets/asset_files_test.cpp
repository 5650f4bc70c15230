// The generated data as the game loads it: every file exists, decodes with
// the engine's own loaders and has the sizes and cells the game asks for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/fonts.h"
#include "engine/images.h"
#include "engine/sound.h"

namespace {

struct ImageCase {
  const char* name;
  int width, height;  // whole file
  int cellW, cellH, cells;
  bool sprite;    // clear bottom corners: a shape over the scene, not a block
  bool grounded;  // stands on its road line: something opaque on the bottom row
};

const ImageCase kImages[] = {
    {"road", 800, 2, 800, 1, 2, false, false},
    {"trophies", 54, 24, 18, 24, 3, true, false},
    {"select_car", 400, 41, 100, 41, 4, true, false},
    {"select_car_rect", 110, 51, 110, 51, 1, false, false},
    {"banner_yellow", 1000, 256, 1000, 256, 1, true, true},
    {"banner_start", 1000, 256, 1000, 256, 1, true, true},
    {"banner_start_1", 1000, 256, 1000, 256, 1, true, true},
    {"banner_start_2", 1000, 256, 1000, 256, 1, true, true},
    {"banner_start_3", 1000, 256, 1000, 256, 1, true, true},
    {"banner_commodore", 1000, 256, 1000, 256, 1, true, true},
    {"banner_tires", 1000, 256, 1000, 256, 1, true, true},
    {"sign_blue", 300, 230, 300, 230, 1, true, true},
    {"sign_tresk", 300, 230, 300, 230, 1, true, true},
    {"cornersign", 170, 160, 170, 160, 1, true, true},
    {"bush_1", 220, 130, 220, 130, 1, true, true},
    {"bush_2", 180, 110, 180, 110, 1, true, true},
    {"explosion", 256, 256, 256, 256, 1, true, false},
    {"skid_cloud", 128, 96, 128, 96, 1, true, false},
    {"skid_cloud_2", 112, 88, 112, 88, 1, true, false},
    {"smoke_1", 112, 112, 112, 112, 1, true, false},
    {"smoke_2", 96, 96, 96, 96, 1, true, false},
    {"oil", 220, 60, 220, 60, 1, true, false},
    {"cloud1", 512, 200, 512, 200, 1, true, false},
    {"horizon1", 800, 240, 800, 240, 1, false, true},
    {"horizon2", 800, 256, 800, 256, 1, false, true},
    {"horizon3", 800, 544, 800, 544, 1, false, true},
    {"wheel_front", 24, 28, 24, 28, 1, true, false},
    {"wheel_rear", 32, 36, 32, 36, 1, true, false},
    {"car_shadow", 200, 56, 200, 56, 1, true, false},
    {"exhaust_flash", 48, 40, 48, 40, 1, true, false},
};

std::string graphic(const char* name) { return std::string("Graphics/") + name + ".png"; }

int alphaAt(TPixmap& p, int x, int y) { return int(p.ReadPixel(x, y) >> 24); }

}  // namespace

TEST(AssetFiles, EveryImageDecodesWithTheCellsTheGameAsksFor) {
  for (const auto& c : kImages) {
    SCOPED_TRACE(c.name);
    auto map = LoadPixmapPNG(graphic(c.name));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->width, c.width);
    EXPECT_EQ(map->height, c.height);
    // Every image carries alpha, so masking never turns black pixels clear.
    EXPECT_EQ(map->format, PF_RGBA8888);
    auto image = LoadImageStrip(graphic(c.name), c.cellW, c.cellH, 0, c.cells, -1);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(ImageWidth(image), c.cellW);
    EXPECT_EQ(ImageHeight(image), c.cellH);
    EXPECT_EQ(int(image->pixmaps.size()), c.cells);
    if (c.sprite) {
      EXPECT_EQ(alphaAt(*map, 0, c.height - 1), 0);
      EXPECT_EQ(alphaAt(*map, c.width - 1, c.height - 1), 0);
    }
    if (c.grounded) {
      int opaque = 0;
      for (int x = 0; x < c.width; ++x) opaque += alphaAt(*map, x, c.height - 1) == 255;
      EXPECT_GT(opaque, 0) << "nothing touches the ground";
    }
  }
}

TEST(AssetFiles, RoadLinesAreOpaqueAndTheirFramesDiffer) {
  // The road is drawn unmasked under the alpha test: every pixel must pass.
  auto map = LoadPixmapPNG("Graphics/road.png");
  ASSERT_NE(map, nullptr);
  int differ = 0;
  for (int x = 0; x < 800; ++x) {
    EXPECT_EQ(alphaAt(*map, x, 0), 255);
    EXPECT_EQ(alphaAt(*map, x, 1), 255);
    differ += (map->ReadPixel(x, 0) != map->ReadPixel(x, 1));
  }
  EXPECT_GT(differ, 80) << "stripes need visibly different frames";
}

TEST(AssetFiles, HorizonLayersTileWithoutASeam) {
  for (const char* name : {"horizon1", "horizon2", "horizon3"}) {
    SCOPED_TRACE(name);
    auto map = LoadPixmapPNG(graphic(name));
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(map->width, 800);
    // Compare premultiplied colour so clear pixels of any colour count as equal.
    auto channelStep = [&](int xa, int xb) {
      int worst = 0;
      for (int y = 0; y < map->height; ++y) {
        uint32_t a = map->ReadPixel(xa, y), b = map->ReadPixel(xb, y);
        for (int shift = 0; shift < 24; shift += 8) {
          int ca = int((a >> shift) & 255) * int(a >> 24) / 255, cb = int((b >> shift) & 255) * int(b >> 24) / 255;
          worst = std::max(worst, std::abs(ca - cb));
        }
        worst = std::max(worst, std::abs(int(a >> 24) - int(b >> 24)));
      }
      return worst;
    };
    int inside = 0;
    for (int x = 0; x + 1 < 800; ++x) inside = std::max(inside, channelStep(x, x + 1));
    EXPECT_LE(channelStep(799, 0), inside);
    // Clear sky above the silhouette, solid land at the bottom edge.
    for (int x = 0; x < 800; ++x) {
      EXPECT_EQ(alphaAt(*map, x, 0), 0) << "x " << x;
      EXPECT_EQ(alphaAt(*map, x, map->height - 1), 255) << "x " << x;
    }
  }
}

TEST(AssetFiles, FontLoadsWithTheWidthsTheLayoutAssumes) {
  // The HUD centres numbers at 14 px per character (20 px font) and 42 px
  // (60 px font); a face far from that puts every number off centre.
  struct FontCase {
    int size, advance, tolerance;
  };
  for (auto c : {FontCase{20, 14, 0}, FontCase{60, 42, 1}}) {
    SCOPED_TRACE(c.size);
    auto font = LoadImageFont("Fonts/Retroville_NC.ttf", c.size, FONT_SMOOTH);
    ASSERT_NE(font, nullptr);
    for (char d = '0'; d <= '9'; ++d) {
      int g = font->CharToGlyph(d);
      ASSERT_GE(g, 0) << d;
      EXPECT_NEAR(font->LoadGlyph(g)._advance, c.advance, c.tolerance) << d;
    }
  }
  // The face's licence travels with it.
  bool licence = false;
  for (auto& e : std::filesystem::directory_iterator("Fonts"))
    licence |= e.path().filename().string().rfind("LICENSE", 0) == 0;
  EXPECT_TRUE(licence);
}

TEST(AssetFiles, StartLightImagesDifferOnlyInTheirLamps) {
  // The count-down swaps these images on one banner: each step must show,
  // and nothing outside the lamp panel may jump.
  const char* steps[] = {"banner_start", "banner_start_1", "banner_start_2", "banner_start_3"};
  std::shared_ptr<TPixmap> maps[4];
  for (int i = 0; i < 4; ++i) {
    maps[i] = LoadPixmapPNG(graphic(steps[i]));
    ASSERT_NE(maps[i], nullptr) << steps[i];
  }
  for (int i = 0; i + 1 < 4; ++i) {
    SCOPED_TRACE(steps[i + 1]);
    int changed = 0;
    int minX = maps[i]->width, maxX = -1;
    for (int y = 0; y < maps[i]->height; ++y)
      for (int x = 0; x < maps[i]->width; ++x)
        if (maps[i]->ReadPixel(x, y) != maps[i + 1]->ReadPixel(x, y)) {
          ++changed;
          minX = std::min(minX, x), maxX = std::max(maxX, x);
        }
    EXPECT_GT(changed, 500) << "the light change is too small to see";
    EXPECT_GT(minX, maps[i]->width / 4);
    EXPECT_LT(maxX, 3 * maps[i]->width / 4);
  }
}
