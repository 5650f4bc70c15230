// Cost of the road's frame: a full-screen clear plus 300 scaled 800x1 road
// lines, presented without soft sync. Usage: bench_road_frame [W H [FRAMES]]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "engine/aspect.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/images.h"

namespace {
// Two 800x1 stripes of asphalt with light edges, when the game's data is absent.
std::shared_ptr<TImage> MakeRoad() {
  auto image = TImage::Create(800, 1, 2, 0);
  for (int f = 0; f < 2; ++f) {
    auto map = TPixmap::Create(800, 1, PF_RGB888);
    for (int x = 0; x < 800; ++x) {
      uint8_t* p = map->PixelPtr(x, 0);
      bool edge = x < 40 || x >= 760;
      p[0] = p[1] = p[2] = edge ? (f ? 220 : 200) : (f ? 96 : 90);
    }
    image->SetPixmap(f, map);
  }
  return image;
}
}  // namespace

int main(int argc, char** argv) {
  int w = argc > 2 ? std::atoi(argv[1]) : 800;
  int h = argc > 2 ? std::atoi(argv[2]) : 600;
  int frames = argc > 3 ? std::atoi(argv[3]) : 300;
  if (!OpenGraphics(w, h, 0, 0, 0)) DisplayUnavailable();
  AspectSetBorderColor(64, 64, 64);
  AspectSetMode(800, 600, 3);
  SetClsColor(40, 90, 200);
  FILE* probe = std::fopen("Graphics/road.png", "rb");
  std::shared_ptr<TImage> road;
  if (probe) {
    std::fclose(probe);
    road = LoadImageStrip("Graphics/road.png", 800, 1, 0, 2, 0);
  }
  if (!road) road = MakeRoad();
  SetImageHandle(road, 400, 0);

  auto frame = [&] {
    AspectDrawBorders();
    SetBlend(BLEND_MASK);
    for (int i = 0; i < 300; ++i) {
      SetScale((315.0f - i) / 231.0f, 1);
      DrawImage(road, 400, float(599 - i), i / 8 % 2);
    }
    SetScale(1, 1);
    FlipFrame(0);
  };
  for (int i = 0; i < 20; ++i) frame();  // textures, caches, first swaps
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) frame();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::printf("road frame %dx%d: %.2f ms per frame (%d frames)\n", w, h, ms / frames, frames);
  EndGraphics();
  return 0;
}
