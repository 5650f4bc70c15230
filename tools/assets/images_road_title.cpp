// The road line image and the title screen's pieces: cups, the four cars to
// choose from and the selection frame.
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "rng.h"

// Two 800 x 1 frames that alternate along the road: red kerbs and darker
// asphalt in one, white kerbs, lighter asphalt and the centre dash in the other.
static Canvas road() {
  Canvas c(800, 2);
  Rng rng(11);
  std::vector<float> grain(800);
  for (auto& g : grain) g = float(rng.range(-4, 4));
  for (int frame = 0; frame < 2; ++frame)
    for (int x = 0; x < 800; ++x) {
      float g = (frame == 0 ? 104 : 110) + grain[x];
      // Tyre tracks: slightly darker bands where the cars run.
      for (float lane : {200.f, 600.f})
        for (float off : {-52.f, 52.f}) {
          float d = std::fabs(x + 0.5f - lane - off);
          if (d < 16) g -= 5 * (1 - d / 16);
        }
      Color col = rgb(int(g), int(g), int(g + 3));
      bool kerb = x < 40 || x >= 760;
      bool edgeLine = (x >= 46 && x < 54) || (x >= 746 && x < 754);
      bool centre = frame == 1 && x >= 394 && x < 406;
      if (kerb) col = frame == 0 ? rgb(214, 24, 24) : rgb(240, 240, 240);
      if ((x >= 38 && x < 40) || (x >= 760 && x < 762)) col = rgb(60, 60, 64);
      if (edgeLine || centre) col = rgb(236, 236, 230);
      c.set(x, frame, col);
    }
  return c;
}

static Canvas trophies() {
  static const std::vector<std::string> cup = {
      "...oooooooooooo...", "...ohwmmmmmmmso...", "oooohhmmmmmmmsoooo", "o..ohwmmmmmmmso..o",
      "o..ohhmmmmmmmso..o", "o..ohhmmmmmmmso..o", ".o.ohhmmmmmmmso.o.", "..oohhmmmmmmmsoo..",
      "....ohmmmmmmso....", ".....ohmmmmso.....", "......ohmmso......", ".......ohso.......",
      "........oo........", ".......ohso.......", ".......ohso.......", "........oo........",
      "......ohmmso......", ".....ohmmmmso.....", "....oooooooooo....", "....ohmmmmmmso....",
      "....ohmmmmmmso....", "....osssssssso....", "....oooooooooo....", ".................."};
  struct Metal {
    Color hi, mid, sh, line;
  };
  const Metal metals[3] = {
      {rgb(255, 196, 130), rgb(205, 127, 50), rgb(140, 80, 30), rgb(70, 36, 10)},
      {rgb(255, 255, 255), rgb(200, 204, 216), rgb(130, 134, 150), rgb(50, 52, 64)},
      {rgb(255, 250, 170), rgb(255, 200, 30), rgb(190, 130, 0), rgb(90, 56, 0)}};
  Canvas c(54, 24);
  for (int i = 0; i < 3; ++i) {
    const Metal& m = metals[i];
    c.pixelMap(cup, {{'o', m.line}, {'h', m.hi}, {'m', m.mid}, {'s', m.sh}, {'w', rgb(255, 255, 255)}}, 18 * i, 0);
  }
  return c;
}

static Canvas selectCars(const ImageSet& set) {
  const Color bodies[4] = {rgb(0, 255, 0), rgb(255, 230, 20), rgb(255, 0, 30), rgb(10, 10, 10)};
  Canvas c(400, 41);
  for (int i = 0; i < 4; ++i) {
    Canvas car(100, 41);
    drawCarPreview(car, set, 50, 27.5f, 0.56f, bodies[i], 96);
    // A thin rim keeps the black car readable on the black title screen.
    Canvas rim(100, 41);
    Color rimColor = i == 3 ? rgb(120, 120, 136) : rgb(0, 0, 0);
    for (int y = 0; y < 41; ++y)
      for (int x = 0; x < 100; ++x) {
        float a = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int xx = x + dx, yy = y + dy;
            if (xx >= 0 && yy >= 0 && xx < 100 && yy < 41) a = std::max(a, car.at(xx, yy).a);
          }
        if (a > 0.5f && car.at(x, y).a < 0.5f) rim.set(x, y, Color{rimColor.r, rimColor.g, rimColor.b, 1});
      }
    c.drawCanvas(rim, 100 * i, 0, 1, 1);
    c.drawCanvas(car, 100 * i, 0, 1, 1);
  }
  return c;
}

static Canvas selectFrame() {
  Canvas c(110, 51);
  c.strokeRect(0, 0, 110, 51, 3, rgb(255, 255, 0));
  c.strokeRect(3, 3, 107, 48, 1, rgb(255, 140, 0));
  // Bright corner brackets, the arcade way of saying "this one".
  for (auto [x, y, sx, sy] : {std::tuple{0, 0, 1, 1}, {110, 0, -1, 1}, {0, 51, 1, -1}, {110, 51, -1, -1}}) {
    float x0 = x, y0 = y, x1 = x + sx * 14.0f, y1 = y + sy * 5.0f;
    c.fillRect(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1), rgb(255, 255, 255));
    x1 = x + sx * 5.0f, y1 = y + sy * 14.0f;
    c.fillRect(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1), rgb(255, 255, 255));
  }
  return c;
}

void makeRoadAndTitleImages(ImageSet& out) {
  out.push_back({"road", road()});
  out.push_back({"trophies", trophies()});
  out.push_back({"select_car", selectCars(out)});
  out.push_back({"select_car_rect", selectFrame()});
}
