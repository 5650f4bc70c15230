// Draws the application icon (a road running into the sunset with the red
// car seen from behind) at the sizes a desktop asks for, as PNG files.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Rgba {
  uint8_t r, g, b, a;
};

struct Canvas {
  int size;
  std::vector<Rgba> pixels;
  explicit Canvas(int s) : size(s), pixels(size_t(s) * s, Rgba{0, 0, 0, 0}) {}

  // Coverage-weighted "over" blend so edges stay smooth at every size.
  void blend(int x, int y, Rgba c, float coverage) {
    if (x < 0 || y < 0 || x >= size || y >= size || coverage <= 0) return;
    Rgba& d = pixels[size_t(y) * size + x];
    float a = c.a / 255.0f * std::min(coverage, 1.0f);
    float da = d.a / 255.0f;
    float oa = a + da * (1 - a);
    auto mix = [&](uint8_t s, uint8_t t) {
      return uint8_t(std::lround((s * a + t * da * (1 - a)) / (oa > 0 ? oa : 1)));
    };
    d = Rgba{mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), uint8_t(std::lround(oa * 255))};
  }
};

// Samples a shape 4x4 times per pixel; inside() works in unit coordinates.
template <typename F>
void fill(Canvas& c, Rgba colour, F inside) {
  for (int y = 0; y < c.size; ++y) {
    for (int x = 0; x < c.size; ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (inside((x + (sx + 0.5f) / 4) / c.size, (y + (sy + 0.5f) / 4) / c.size)) ++hits;
      c.blend(x, y, colour, hits / 16.0f);
    }
  }
}

void drawIcon(Canvas& c) {
  // Rounded tile with a sky that warms toward the horizon.
  auto tile = [](float x, float y) {
    float r = 0.16f, dx = std::max(std::fabs(x - 0.5f) - (0.5f - r), 0.0f);
    float dy = std::max(std::fabs(y - 0.5f) - (0.5f - r), 0.0f);
    return dx * dx + dy * dy <= r * r;
  };
  for (int band = 0; band < 12; ++band) {
    float t = band / 11.0f;
    Rgba col{uint8_t(34 + t * 200), uint8_t(141 - t * 20), uint8_t(203 - t * 110), 255};
    float y0 = band * 0.55f / 12;
    fill(c, col, [&](float x, float y) { return tile(x, y) && y >= y0 && y < 0.55f; });
  }
  fill(c, Rgba{255, 214, 90, 255}, [](float x, float y) {
    return (x - 0.5f) * (x - 0.5f) + (y - 0.55f) * (y - 0.55f) < 0.02f && y < 0.55f;
  });
  fill(c, Rgba{0, 110, 0, 255}, [&](float x, float y) { return tile(x, y) && y >= 0.55f; });
  // Road, rumble strips and the centre line narrowing toward the horizon.
  auto road = [](float x, float y, float w) {
    float t = (y - 0.55f) / 0.45f;
    return y >= 0.55f && std::fabs(x - 0.5f) < 0.02f + t * w;
  };
  fill(c, Rgba{210, 30, 30, 255}, [&](float x, float y) { return tile(x, y) && road(x, y, 0.62f); });
  fill(c, Rgba{104, 104, 110, 255}, [&](float x, float y) { return tile(x, y) && road(x, y, 0.54f); });
  fill(c, Rgba{240, 240, 240, 255}, [&](float x, float y) {
    float t = (y - 0.55f) / 0.45f;
    return road(x, y, 0.54f) && std::fabs(x - 0.5f) < 0.004f + t * 0.02f && std::fmod(t * 6, 1.0f) < 0.5f;
  });
  // The car from behind: wing, body, rear block and wheels.
  auto rect = [](float x0, float y0, float x1, float y1) {
    return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
  };
  fill(c, Rgba{20, 20, 20, 255}, rect(0.27f, 0.74f, 0.37f, 0.90f));
  fill(c, Rgba{20, 20, 20, 255}, rect(0.63f, 0.74f, 0.73f, 0.90f));
  fill(c, Rgba{127, 0, 15, 255}, rect(0.33f, 0.70f, 0.67f, 0.86f));
  fill(c, Rgba{255, 0, 30, 255}, rect(0.36f, 0.66f, 0.64f, 0.80f));
  fill(c, Rgba{255, 0, 60, 255}, rect(0.26f, 0.62f, 0.74f, 0.665f));
  fill(c, Rgba{255, 190, 60, 255}, rect(0.45f, 0.83f, 0.55f, 0.86f));
}

bool writePng(const std::string& path, const Canvas& c) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, c.size, c.size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < c.size; ++y)
    png_write_row(png, reinterpret_cast<png_const_bytep>(&c.pixels[size_t(y) * c.size]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora_icon OUTPUT_DIR\n");
    return 2;
  }
  for (int size : {64, 128, 256}) {
    Canvas canvas(size);
    drawIcon(canvas);
    std::string path = std::string(argv[1]) + "/velmora-" + std::to_string(size) + ".png";
    if (!writePng(path, canvas)) {
      std::fprintf(stderr, "velmora_icon: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
