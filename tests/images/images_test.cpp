// Headless image tests: PNG colour types, masking, strips, bad files.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/drawing.h"
#include "engine/images.h"
#include "png_helpers.h"

namespace {
uint32_t Argb(int a, int r, int g, int b) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- PNG files from raw bytes, for the ones no encoder would write.

uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBE32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}

// One chunk with its true CRC; `stated` replaces the length field only.
std::vector<uint8_t> Chunk(const char* type, const std::string& body, int64_t stated = -1) {
  std::vector<uint8_t> c;
  PutBE32(c, stated >= 0 ? uint32_t(stated) : uint32_t(body.size()));
  c.insert(c.end(), type, type + 4);
  c.insert(c.end(), body.begin(), body.end());
  PutBE32(c, Crc32(c.data() + 4, c.size() - 4));
  return c;
}

// The signature and IHDR of an 8-bit image, by default 1 x 1 RGB.
std::vector<uint8_t> PngHead(uint32_t width = 1, uint32_t height = 1, uint8_t colorType = 2) {
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  PutBE32(ihdr, width);
  PutBE32(ihdr, height);
  for (uint8_t v : {uint8_t(8), colorType, uint8_t(0), uint8_t(0), uint8_t(0)}) ihdr.push_back(v);
  auto c = Chunk("IHDR", std::string(ihdr.begin(), ihdr.end()));
  b.insert(b.end(), c.begin(), c.end());
  return b;
}

// Kept in the build tree so fuzz/run can seed its corpus with them.
void KeepAsFuzzSeed(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::error_code ignored;
  std::filesystem::create_directories("fuzz-seeds/png", ignored);
  std::ofstream("fuzz-seeds/png/" + name, std::ios::binary).write((const char*)bytes.data(), bytes.size());
}

long PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}
}  // namespace

TEST(PngLoading, EachColourTypeGivesItsFormatAndPixels) {
  struct Case {
    const char* name;
    PngFile file;
    int format;
    uint32_t first, second;  // the two pixels of a 2x1 image, as ARGB
  };
  PngFile grey = MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 8, {10, 200});
  PngFile grey16 = MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x12, 0x34, 0xFF, 0xFF});
  PngFile grey2 = MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 2, {0xC0});  // values 3 and 0
  PngFile greyTrns = MakePng(2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 9});
  greyTrns.transGrey = 7;
  PngFile rgb = RgbPng(2, 1, {0x102030, 0xFFFFFF});
  PngFile rgba = MakePng(2, 1, PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4, 5, 6, 7, 8});
  PngFile ga = MakePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {50, 128, 60, 255});
  PngFile pal = MakePng(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0});
  pal.palette = {{9, 8, 7}, {200, 100, 50}};
  PngFile palTrns = pal;
  palTrns.transAlpha = {0, 255};
  PngFile pal4 = MakePng(2, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x10});  // indices 1 and 0
  pal4.palette = pal.palette;
  std::vector<Case> cases = {
      {"grey", grey, PF_I8, Argb(255, 10, 10, 10), Argb(255, 200, 200, 200)},
      {"grey16", grey16, PF_I8, Argb(255, 0x12, 0x12, 0x12), Argb(255, 255, 255, 255)},
      {"grey2", grey2, PF_I8, Argb(255, 255, 255, 255), Argb(255, 0, 0, 0)},
      {"grey_trns", greyTrns, PF_RGBA8888, Argb(0, 7, 7, 7), Argb(255, 9, 9, 9)},
      {"rgb", rgb, PF_RGB888, Argb(255, 0x10, 0x20, 0x30), Argb(255, 255, 255, 255)},
      {"rgba", rgba, PF_RGBA8888, Argb(4, 1, 2, 3), Argb(8, 5, 6, 7)},
      {"grey_alpha", ga, PF_RGBA8888, Argb(128, 50, 50, 50), Argb(255, 60, 60, 60)},
      {"palette", pal, PF_RGB888, Argb(255, 200, 100, 50), Argb(255, 9, 8, 7)},
      {"palette_trns", palTrns, PF_RGBA8888, Argb(255, 200, 100, 50), Argb(0, 9, 8, 7)},
      {"palette4", pal4, PF_RGB888, Argb(255, 200, 100, 50), Argb(255, 9, 8, 7)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = TempPath(std::string(c.name) + ".png");
    ASSERT_TRUE(WritePng(path, c.file));
    auto map = LoadPixmapPNG(path);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->width, 2);
    EXPECT_EQ(map->height, 1);
    EXPECT_EQ(map->format, c.format);
    EXPECT_EQ(map->ReadPixel(0, 0), c.first);
    EXPECT_EQ(map->ReadPixel(1, 0), c.second);
  }
}

TEST(PngLoading, MaskedRgbGetsHolesButRgbaKeepsItsBlack) {
  // Black centre between red and blue, with black above and below.
  std::string rgbPath = TempPath("mask_rgb.png");
  ASSERT_TRUE(WritePng(rgbPath, RgbPng(3, 1, {0xFF0000, 0x000000, 0x0000FF})));
  auto masked = LoadImage(rgbPath, -1);
  ASSERT_NE(masked, nullptr);
  EXPECT_EQ(masked->flags, IMAGE_MASKED | IMAGE_FILTERED);
  auto& m = *masked->pixmaps[0];
  EXPECT_EQ(m.format, PF_RGBA8888);
  EXPECT_EQ(m.ReadPixel(0, 0), Argb(255, 255, 0, 0));
  EXPECT_EQ(m.ReadPixel(1, 0), Argb(0, 127, 0, 127));
  EXPECT_EQ(m.ReadPixel(2, 0), Argb(255, 0, 0, 255));

  auto unmasked = LoadImage(rgbPath, 0);
  ASSERT_NE(unmasked, nullptr);
  EXPECT_EQ(unmasked->pixmaps[0]->ReadPixel(1, 0), Argb(255, 0, 0, 0));

  std::string rgbaPath = TempPath("mask_rgba.png");
  ASSERT_TRUE(WritePng(rgbaPath, MakePng(1, 1, PNG_COLOR_TYPE_RGBA, 8, {0, 0, 0, 255})));
  auto own = LoadImage(rgbaPath, -1);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->pixmaps[0]->ReadPixel(0, 0), Argb(255, 0, 0, 0));
}

TEST(Masking, HoleTakesTheMeanOfItsUnmaskedNeighbours) {
  struct Case {
    const char* name;
    int w, h;
    std::vector<uint32_t> rgb;
    int x, y;
    uint32_t expected;
  };
  std::vector<Case> cases = {
      {"red and blue", 3, 1, {0xFF0000, 0, 0x0000FF}, 1, 0, Argb(0, 127, 0, 127)},
      {"all eight", 3, 3,
       {0x080000, 0x100000, 0x180000, 0x200000, 0, 0x280000, 0x300000, 0x380000, 0x400000}, 1, 1,
       Argb(0, 0x24, 0, 0)},
      {"corner sees three", 2, 2, {0, 0x0000FF, 0x00FF00, 0xFF0000}, 0, 0, Argb(0, 85, 85, 85)},
      {"masked neighbours ignored", 3, 1, {0, 0, 0x00FF00}, 1, 0, Argb(0, 0, 255, 0)},
      {"no neighbours", 1, 1, {0}, 0, 0, Argb(0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = TempPath("mean.png");
    ASSERT_TRUE(WritePng(path, RgbPng(c.w, c.h, c.rgb)));
    auto map = LoadPixmapPNG(path);
    ASSERT_NE(map, nullptr);
    auto masked = MaskPixmap(*map, 0, 0, 0);
    EXPECT_EQ(masked->ReadPixel(c.x, c.y), c.expected);
  }
}

TEST(Strips, CellsAreCutLeftToRightThenTopToBottom) {
  // 800 x 2: row 0 red, row 1 green (the road strip's shape).
  std::vector<uint32_t> road(1600, 0xFF0000);
  std::fill(road.begin() + 800, road.end(), 0x00FF00);
  std::string roadPath = TempPath("road.png");
  ASSERT_TRUE(WritePng(roadPath, RgbPng(800, 2, road)));
  auto strip = LoadImageStrip(roadPath, 800, 1, 0, 2, 0);
  ASSERT_NE(strip, nullptr);
  ASSERT_EQ(strip->pixmaps.size(), 2u);
  EXPECT_EQ(ImageWidth(strip), 800);
  EXPECT_EQ(ImageHeight(strip), 1);
  EXPECT_EQ(strip->pixmaps[0]->ReadPixel(799, 0), Argb(255, 255, 0, 0));
  EXPECT_EQ(strip->pixmaps[1]->ReadPixel(0, 0), Argb(255, 0, 255, 0));

  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadImageStrip(roadPath, 800, 1, 0, 3, 0), nullptr);
  EXPECT_EQ(LoadImageStrip(roadPath, 800, 1, 2, 1, 0), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(roadPath), std::string::npos);

  // A 3 x 2 grid of 1 x 1 cells, numbered 1..6; first = 2 starts at cell 2.
  std::string gridPath = TempPath("grid.png");
  ASSERT_TRUE(WritePng(gridPath, RgbPng(3, 2, {1, 2, 3, 4, 5, 6})));
  auto grid = LoadImageStrip(gridPath, 1, 1, 2, 4, 0);
  ASSERT_NE(grid, nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(grid->pixmaps[i]->ReadPixel(0, 0) & 0xFF, uint32_t(3 + i));
}

TEST(BadFiles, MissingOrCorruptGivesNullAndOneLineNamingTheFile) {
  std::string good = TempPath("good.png");
  ASSERT_TRUE(WritePng(good, RgbPng(4, 4, std::vector<uint32_t>(16, 0x336699))));
  std::vector<uint8_t> bytes = ReadFile(good);
  std::string truncated = TempPath("truncated.png");
  std::ofstream(truncated, std::ios::binary).write((const char*)bytes.data(), bytes.size() / 2);
  std::string garbage = TempPath("garbage.png");
  std::ofstream(garbage, std::ios::binary) << "this is not a picture at all";
  std::string empty = TempPath("empty.png");
  std::ofstream(empty, std::ios::binary).flush();

  ForgetUnloadableReports();
  for (const std::string& path :
       {TempPath("missing.png"), truncated, garbage, empty, testing::TempDir()}) {
    SCOPED_TRACE(path);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadImage(path, -1), nullptr);
    EXPECT_EQ(LoadImageStrip(path, 1, 1, 0, 1, -1), nullptr);
    EXPECT_EQ(LoadImage(path, 0), nullptr);
    // Named once for the whole run, however often it is loaded.
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "velmora: cannot load image \"" + path + "\"\n");
  }
  // Forgotten, a file is named again.
  ForgetUnloadableReports();
  testing::internal::CaptureStderr();
  LoadImage(empty, -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "velmora: cannot load image \"" + empty + "\"\n");
}

TEST(BadFiles, DecoderSurvivesEveryTruncationAndBitFlip) {
  std::string good = TempPath("fuzzseed.png");
  ASSERT_TRUE(WritePng(good, RgbPng(5, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})));
  std::vector<uint8_t> bytes = ReadFile(good);
  ASSERT_NE(LoadPixmapPNGFromMemory(bytes.data(), bytes.size()), nullptr);
  for (size_t n = 0; n < bytes.size(); ++n) LoadPixmapPNGFromMemory(bytes.data(), n);
  srand(7);
  for (int i = 0; i < 2000; ++i) {
    std::vector<uint8_t> copy = bytes;
    for (int k = 0; k < 3; ++k) copy[8 + rand() % (copy.size() - 8)] ^= uint8_t(1 << (rand() % 8));
    auto map = LoadPixmapPNGFromMemory(copy.data(), copy.size());
    if (map) {
      EXPECT_LE(size_t(map->width) * map->height, size_t(16384) * 16384);
    }
  }
  EXPECT_EQ(LoadPixmapPNGFromMemory(nullptr, 0), nullptr);
}

// A chunk stating about 1 GiB in a file of a few dozen bytes: libpng would
// allocate and fill the stated size before finding the file short.
TEST(BadFiles, ChunkLongerThanTheFileIsRefusedWithoutAllocatingIt) {
  const char* types[] = {"tEXt", "zTXt", "iTXt", "pCAL", "sCAL", "sPLT", "iCCP", "PLTE", "IDAT", "prVt"};
  const int64_t lengths[] = {0x40000000, 0x7fffffff, 0xffffffff, 9};
  const long before = PeakMegabytes();
  for (const char* type : types) {
    for (int64_t length : lengths) {
      std::vector<uint8_t> bytes = PngHead();
      auto c = Chunk(type, "Comment\0", length);
      bytes.insert(bytes.end(), c.begin(), c.end() - 4);  // cut after the body
      SCOPED_TRACE(std::string(type) + " stating " + std::to_string(length));
      EXPECT_EQ(LoadPixmapPNGFromMemory(bytes.data(), bytes.size()), nullptr);
      if (length == 0x40000000) KeepAsFuzzSeed(std::string("bomb-") + type + ".png", bytes);
    }
  }
  // A header stating 16384 x 4096 RGBA pixels (256 MiB) over a few bytes
  // of image data that could never inflate to them.
  std::vector<uint8_t> huge = PngHead(16384, 4096, 6);
  for (const auto& c : {Chunk("IDAT", std::string("\x78\x9c\x63\0\0\0\x01\0\x01", 9)), Chunk("IEND", "")})
    huge.insert(huge.end(), c.begin(), c.end());
  EXPECT_EQ(LoadPixmapPNGFromMemory(huge.data(), huge.size()), nullptr);
  KeepAsFuzzSeed("huge-header.png", huge);
  EXPECT_LT(PeakMegabytes() - before, 64) << "megabytes allocated for files of under 100 bytes";
}

// The chunks the loader skips unread must not change what it decodes.
TEST(PngLoading, TextAndOtherAncillaryChunksAreSkippedAndTrailingBytesIgnored) {
  std::string path = TempPath("ancillary.png");
  ASSERT_TRUE(WritePng(path, RgbPng(2, 1, {0x102030, 0xA0B0C0})));
  std::vector<uint8_t> plain = ReadFile(path);
  ASSERT_GT(plain.size(), 45u);
  std::vector<uint8_t> rich(plain.begin(), plain.begin() + 33);  // signature and IHDR
  const std::pair<const char*, std::string> extras[] = {
      {"tEXt", std::string("Comment\0made by hand", 20)},
      {"zTXt", std::string("Title\0\0\x78\x9c\x03\0\0\0\0\x01", 14)},
      {"iTXt", std::string("Author\0\0\0\0\0Velmora", 18)},
      {"gAMA", std::string("\0\0\xb1\x8f", 4)},
      {"pHYs", std::string("\0\0\x0b\x13\0\0\x0b\x13\x01", 9)},
      {"sPLT", std::string("s\0\x08\x10\x20\x30\xff\0\0", 9)},
      {"prVt", std::string("private bytes")},
  };
  for (const auto& [type, body] : extras) {
    auto c = Chunk(type, body);
    rich.insert(rich.end(), c.begin(), c.end());
  }
  rich.insert(rich.end(), plain.begin() + 33, plain.end());
  for (const char* tail : {"", "trailing junk after IEND"}) rich.insert(rich.end(), tail, tail + std::strlen(tail));
  auto map = LoadPixmapPNGFromMemory(rich.data(), rich.size());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->format, PF_RGB888);
  EXPECT_EQ(map->ReadPixel(0, 0), 0xFF102030u);
  EXPECT_EQ(map->ReadPixel(1, 0), 0xFFA0B0C0u);
  // Without IEND the same file is cut short.
  std::vector<uint8_t> cut(rich.begin(), rich.end() - 12 - std::strlen("trailing junk after IEND"));
  EXPECT_EQ(LoadPixmapPNGFromMemory(cut.data(), cut.size()), nullptr);
}

TEST(Headless, ImagesLoadButDrawingDoesNothing) {
  std::string path = TempPath("headless.png");
  ASSERT_TRUE(WritePng(path, RgbPng(2, 2, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF})));
  auto image = LoadImage(path, -1);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Frame(0), nullptr);
  EXPECT_EQ(image->Frame(5), nullptr);
  DrawImage(image, 10, 10, 0);
  DrawImage(nullptr, 10, 10, 0);
  SetImageHandle(nullptr, 1, 1);
  EXPECT_EQ(ImageWidth(nullptr), 0);
  SetColor(1, 2, 3);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r, 255);  // no graphics: the setter had nowhere to store
  EXPECT_EQ(GrabPixmap(0, 0, 1, 1), nullptr);
}

TEST(Pixmaps, ViewsShareMemoryAndKeepTheirSourceAlive) {
  std::shared_ptr<TPixmap> view;
  {
    auto map = TPixmap::Create(4, 4, PF_RGBA8888);
    view = map->Window(1, 1, 2, 2);
    view->PixelPtr(1, 1)[0] = 77;
    EXPECT_EQ(map->PixelPtr(2, 2)[0], 77);
    EXPECT_EQ(view->capacity, -1);
    EXPECT_EQ(map->Window(3, 3, 2, 2), nullptr);  // reaches outside
  }
  auto nested = view->Window(1, 1, 1, 1);
  view.reset();
  EXPECT_EQ(nested->ReadPixel(0, 0) & 0xFF0000, 77u << 16);  // memory still there
}

TEST(Pixmaps, ConvertReordersBytesAndFillsAlpha) {
  struct Case {
    int format;
    std::vector<uint8_t> bytes;  // one pixel stored in that format
    uint32_t argb;
  };
  const Case cases[] = {
      {PF_I8, {9}, Argb(255, 9, 9, 9)},
      {PF_A8, {9}, Argb(9, 255, 255, 255)},
      {PF_BGR888, {1, 2, 3}, Argb(255, 3, 2, 1)},
      {PF_RGB888, {1, 2, 3}, Argb(255, 1, 2, 3)},
      {PF_BGRA8888, {1, 2, 3, 4}, Argb(4, 3, 2, 1)},
      {PF_RGBA8888, {1, 2, 3, 4}, Argb(4, 1, 2, 3)},
  };
  for (const Case& c : cases) {
    auto map = TPixmap::Create(1, 1, c.format);
    std::copy(c.bytes.begin(), c.bytes.end(), map->pixels);
    auto rgba = map->Convert(PF_RGBA8888);
    EXPECT_EQ(rgba->ReadPixel(0, 0), c.argb) << c.format;
    EXPECT_EQ(rgba->format, PF_RGBA8888);
  }
  auto half = TPixmap::Create(2, 2, PF_RGBA8888);
  for (int i = 0; i < 4; ++i) half->PixelPtr(i % 2, i / 2)[0] = uint8_t(i * 40);  // 0 40 80 120
  EXPECT_EQ(half->ResizePixmap(1, 1)->PixelPtr(0, 0)[0], 60);
}
