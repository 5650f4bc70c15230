// Draws the application icon (a road running into the sunset with the red
// car seen from behind) at the sizes a desktop asks for, as PNG files.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "canvas.h"
#include "png_writer.h"

namespace {

// Fills what inside() covers, in unit coordinates across the icon, 4 x 4
// samples per pixel so edges stay smooth at every size.
template <typename F>
void fill(Canvas& c, Color colour, F inside) {
  c.fillShape(0, 0, float(c.w), float(c.h),
              [&](float x, float y) { return inside(x / c.w, y / c.h); },
              [&](float, float) { return colour; });
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
    Color col = rgb(int(34 + t * 200), int(141 - t * 20), int(203 - t * 110));
    float y0 = band * 0.55f / 12;
    fill(c, col, [&](float x, float y) { return tile(x, y) && y >= y0 && y < 0.55f; });
  }
  fill(c, rgb(255, 214, 90), [](float x, float y) {
    return (x - 0.5f) * (x - 0.5f) + (y - 0.55f) * (y - 0.55f) < 0.02f && y < 0.55f;
  });
  fill(c, rgb(0, 110, 0), [&](float x, float y) { return tile(x, y) && y >= 0.55f; });
  // Road, rumble strips and the centre line narrowing toward the horizon.
  auto road = [](float x, float y, float w) {
    float t = (y - 0.55f) / 0.45f;
    return y >= 0.55f && std::fabs(x - 0.5f) < 0.02f + t * w;
  };
  fill(c, rgb(210, 30, 30), [&](float x, float y) { return tile(x, y) && road(x, y, 0.62f); });
  fill(c, rgb(104, 104, 110), [&](float x, float y) { return tile(x, y) && road(x, y, 0.54f); });
  fill(c, rgb(240, 240, 240), [&](float x, float y) {
    float t = (y - 0.55f) / 0.45f;
    return road(x, y, 0.54f) && std::fabs(x - 0.5f) < 0.004f + t * 0.02f && std::fmod(t * 6, 1.0f) < 0.5f;
  });
  // The car from behind: wing, body, rear block and wheels.
  auto rect = [](float x0, float y0, float x1, float y1) {
    return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
  };
  fill(c, rgb(20, 20, 20), rect(0.27f, 0.74f, 0.37f, 0.90f));
  fill(c, rgb(20, 20, 20), rect(0.63f, 0.74f, 0.73f, 0.90f));
  fill(c, rgb(127, 0, 15), rect(0.33f, 0.70f, 0.67f, 0.86f));
  fill(c, rgb(255, 0, 30), rect(0.36f, 0.66f, 0.64f, 0.80f));
  fill(c, rgb(255, 0, 60), rect(0.26f, 0.62f, 0.74f, 0.665f));
  fill(c, rgb(255, 190, 60), rect(0.45f, 0.83f, 0.55f, 0.86f));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora_icon OUTPUT_DIR\n");
    return 2;
  }
  for (int size : {64, 128, 256}) {
    Canvas canvas(size, size);
    drawIcon(canvas);
    std::string path = std::string(argv[1]) + "/velmora-" + std::to_string(size) + ".png";
    // Flat colours: no dither.
    if (!WritePng(path, RgbaPngFile(size, size, canvas.toRGBA8(false)))) {
      std::fprintf(stderr, "velmora_icon: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
