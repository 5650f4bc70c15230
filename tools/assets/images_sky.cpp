// The sky: the drifting cloud and three scenery layers that tile sideways
// every 800 pixels (far mountains, middle hills, near tree line and fields).
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "puff.h"
#include "rng.h"

static const int LAYER_W = 800;
static const double TAU = 6.283185307179586;

// A skyline height in pixels that repeats every 800 columns: a few whole
// sine periods plus fractal periodic noise.
static double ridge(double x, uint64_t seed, double base, double amp, std::initializer_list<int> waves) {
  double h = base;
  Rng rng(seed);
  for (int k : waves) h += amp / k * std::sin(TAU * k * x / LAYER_W + rng.range(0, TAU));
  for (int oct = 0, cells = 16; oct < 4; ++oct, cells *= 2)
    h += amp * 0.35 / (1 << oct) * periodicNoise(x * cells / LAYER_W, cells, seed + oct);
  return h;
}

static Canvas cloud() {
  Canvas c(512, 200);
  std::vector<Ball> balls = {{96, 140, 52}, {170, 110, 70}, {250, 96, 84}, {330, 112, 72}, {405, 138, 54},
                             {210, 150, 50}, {300, 150, 52}, {140, 160, 36}, {380, 162, 34}};
  PuffStyle st;
  st.bands = {rgb(196, 206, 228), rgb(222, 230, 244), rgb(242, 246, 252), rgb(255, 255, 255)};
  st.edgeSoftness = 7;
  st.floorY = 188;
  drawPuff(c, balls, st);
  return c;
}

// Far mountains: pale blue-violet peaks, lit on their left faces, snow on
// the highest tops and a banded haze that thickens towards their foot.
static Canvas horizonFar() {
  const int H = 240;
  Canvas c(LAYER_W, H);
  struct Peak {
    double x, top, halfWidth;
  };
  Rng rng(61);
  std::vector<Peak> peaks;
  for (int i = 0; i < 9; ++i)
    peaks.push_back({i * LAYER_W / 9.0 + rng.range(-25, 25), rng.range(8, 52), rng.range(90, 150)});
  // Height of one peak's flank at x, wrapped so the range repeats every 800.
  auto flank = [&](const Peak& p, double x, double& dx) {
    dx = std::remainder(x - p.x, double(LAYER_W));
    double jag = 3.0 * periodicNoise(x / 6.0, LAYER_W / 6 + 1, 62) + 2.0 * periodicNoise(x / 2.5, 320, 63);
    return p.top + std::fabs(dx) / p.halfWidth * 100.0 + jag;
  };
  for (int x = 0; x < LAYER_W; ++x) {
    double top = 1e9, dxBest = 0, peakTop = 0;
    for (auto& p : peaks) {
      double dx, t = flank(p, x + 0.5, dx);
      if (t < top) top = t, dxBest = dx, peakTop = p.top;
    }
    for (int y = 0; y < H; ++y) {
      double cover = std::clamp(y + 1 - top, 0.0, 1.0);
      if (cover <= 0) continue;
      bool lit = dxBest < 0;
      Color rock = lit ? rgb(164, 156, 220) : rgb(122, 116, 188);
      if (peakTop < 40 && y < peakTop + 22 - std::fabs(dxBest) * 0.15) rock = lit ? rgb(250, 250, 255) : rgb(208, 208, 236);
      float haze = float(std::clamp((y - 84) / 50.0, 0.0, 1.0));
      haze = std::floor(haze * 5) / 5;
      Color col = mix(rock, rgb(200, 208, 240), haze);
      col.a = float(cover);
      c.set(x, y, col);
    }
  }
  return c;
}

// Middle hills: rounded blue-green downs with darker folds.
static Canvas horizonMiddle() {
  const int H = 256;
  Canvas c(LAYER_W, H);
  for (int x = 0; x < LAYER_W; ++x) {
    double top = ridge(x + 0.5, 71, 70, 22, {2, 3, 4});
    double fold = ridge(x + 0.5, 72, 86, 14, {3, 5});
    for (int y = 0; y < H; ++y) {
      double cover = std::clamp(y + 1 - top, 0.0, 1.0);
      if (cover <= 0) continue;
      Color col = rgb(70, 148, 132);
      if (y > fold) col = rgb(48, 118, 104);
      if (y > fold + 24) col = rgb(36, 96, 84);
      // Field strips lower down, dithered by the PNG conversion.
      if (y > 130) col = mix(rgb(36, 96, 84), rgb(24, 80, 50), float(std::floor((y - 130) / 30.0) / 5.0));
      col.a = float(cover);
      c.set(x, y, col);
    }
  }
  return c;
}

// Near layer: a row of rounded trees, palms here and there and a few white
// coastal houses, over fields that fade into the grass colour.
static Canvas horizonNear() {
  const int H = 544;
  Canvas c(LAYER_W, H);
  Rng rng(81);
  // The land first, opaque from the tree line down: bands of fields that
  // widen towards the viewer, split by hedgerows, fading into the grass
  // green. It shows when a downhill lifts the layer high above the road.
  struct Band {
    int top, bottom;
    std::vector<std::pair<int, Color>> fields;  // start column, colour
  };
  const Color fieldColors[] = {rgb(34, 104, 34), rgb(52, 122, 40), rgb(26, 88, 30), rgb(96, 128, 44),
                               rgb(40, 112, 52), rgb(120, 132, 56)};
  std::vector<Band> bands;
  for (int y = 100, k = 0; y < H; ++k) {
    int hgt = 4 + k * 3;
    Band b{y, std::min(H, y + hgt), {}};
    int n = rng.irange(3, 6);
    for (int i = 0; i < n; ++i) b.fields.push_back({int(i * LAYER_W / n + rng.irange(-30, 30)), fieldColors[rng.irange(0, 5)]});
    bands.push_back(b);
    y += hgt;
  }
  for (int x = 0; x < LAYER_W; ++x) {
    double ground = ridge(x + 0.5, 82, 98, 3, {4, 7});
    for (int y = 0; y < H; ++y) {
      double cover = std::clamp(y + 1 - ground, 0.0, 1.0);
      if (cover <= 0) continue;
      Color col = rgb(22, 70, 26);
      for (auto& b : bands) {
        if (y < b.top || y >= b.bottom) continue;
        // The field whose start column lies last before x, wrapping round.
        col = b.fields.back().second;
        for (auto& [start, fc] : b.fields)
          if (x >= start) col = fc;
        if (y == b.top || (y == b.top + 1 && b.bottom - b.top > 12)) col = rgb(14, 52, 18);
      }
      float t = float(std::clamp((y - 120) / 380.0, 0.0, 1.0));
      col = mix(col, rgb(0, 100, 0), std::floor(t * 5) / 5 * 0.8f);
      col.a = float(cover);
      c.set(x, y, col);
    }
  }
  // Hedgerow bushes along the field edges.
  for (auto& b : bands) {
    if (b.top > 380) break;
    float r = 1.5f + (b.top - 100) * 0.02f;
    for (float x = float(rng.range(0, 20)); x < LAYER_W; x += float(rng.range(14, 40)) + r * 4) {
      c.fillEllipse(x, b.top - r * 0.3f, r, r * 0.8f, rgb(16, 60, 20));
      if (x < r * 2) c.fillEllipse(x + LAYER_W, b.top - r * 0.3f, r, r * 0.8f, rgb(16, 60, 20));
      if (x > LAYER_W - r * 2) c.fillEllipse(x - LAYER_W, b.top - r * 0.3f, r, r * 0.8f, rgb(16, 60, 20));
    }
  }
  // Everything placed on the ground is drawn at x and x - 800 / x + 800 so
  // that it wraps across the seam.
  auto wrapDraw = [&](auto fn) {
    for (int shift : {-LAYER_W, 0, LAYER_W}) fn(float(shift));
  };
  // Houses.
  for (int i = 0; i < 4; ++i) {
    float x = float(120 + i * 200 + rng.range(-40, 40)), w = float(rng.range(26, 40)), h = float(rng.range(16, 24));
    wrapDraw([&](float s) {
      c.fillRect(s + x, 100 - h, s + x + w, 102, rgb(236, 232, 220));
      c.fillRect(s + x + w * 0.6f, 100 - h, s + x + w, 102, rgb(196, 190, 180));
      c.fillPolygon({{s + x - 3, 100 - h}, {s + x + w / 2, 100 - h - 10}, {s + x + w + 3, 100 - h}}, rgb(196, 70, 40));
      for (float wx = x + 5; wx < x + w - 6; wx += 9) c.fillRect(s + wx, 100 - h + 5, s + wx + 4, 100 - h + 10, rgb(40, 60, 90));
    });
  }
  // Trees: overlapping crowns with a light upper-left band.
  for (int i = 0; i < 70; ++i) {
    float x = float(i * LAYER_W / 70.0 + rng.range(-4, 4));
    float r = float(rng.range(7, 14));
    if (std::fmod(x, 200.0f) > 100 && std::fmod(x, 200.0f) < 160 && rng.uniform() < 0.7) continue;  // gaps for houses
    float y = 100 - r * 0.6f;
    wrapDraw([&](float s) {
      c.fillEllipse(s + x, y, r + 1.5f, r + 1.5f, rgb(8, 40, 14));
      c.fillEllipse(s + x, y, r, r, rgb(20, 80, 30));
      c.fillEllipse(s + x - r * 0.3f, y - r * 0.35f, r * 0.55f, r * 0.45f, rgb(54, 124, 44));
    });
  }
  // Palms: a thin curved trunk and a star of fronds.
  for (int i = 0; i < 6; ++i) {
    float x = float(60 + i * 133 + rng.range(-20, 20)), hgt = float(rng.range(40, 56)), lean = float(rng.range(-8, 8));
    wrapDraw([&](float s) {
      c.line(s + x, 100, s + x + lean, 100 - hgt, 3, rgb(70, 50, 30));
      float tx = s + x + lean, ty = 100 - hgt;
      for (int f = 0; f < 7; ++f) {
        float ang = float(-3.1416 + f * 3.1416 / 6);
        float ex = tx + std::cos(ang) * 20, ey = ty + std::sin(ang) * 9 + (f == 0 || f == 6 ? 8 : 2);
        c.line(tx, ty, ex, ey, 3.5f, rgb(24, 96, 36));
      }
      c.fillEllipse(tx, ty, 3, 3, rgb(60, 40, 20));
    });
  }
  return c;
}

void makeSkyImages(ImageSet& out) {
  out.push_back({"cloud1", cloud()});
  out.push_back({"horizon1", horizonFar()});
  out.push_back({"horizon2", horizonMiddle()});
  out.push_back({"horizon3", horizonNear()});
}
