// Everything that stands at or over the road: banners on posts, the start
// gantry with its lamps, billboards, the corner sign and the bushes.
#include <cmath>

#include "assets.h"
#include "rng.h"

// 256 rows keep each banner in a 1024 x 256 texture.
static const int BANNER_W = 1000, BANNER_H = 256;

// A grey steel post with a lit left face and a shaded right face.
static void post(Canvas& c, float x0, float x1, float y0, float y1) {
  c.fillRect(x0, y0, x1, y1, rgb(60, 62, 70));
  c.fillRect(x0 + 2, y0, x1 - 2, y1, rgb(150, 152, 162));
  c.fillRect(x0 + 3, y0, x0 + (x1 - x0) * 0.35f, y1, rgb(200, 202, 212));
  c.fillRect(x1 - (x1 - x0) * 0.3f, y0, x1 - 2, y1, rgb(110, 112, 122));
  for (float y = y0 + 30; y < y1 - 10; y += 60) c.fillRect(x0 + 1, y, x1 - 1, y + 4, rgb(80, 82, 92));
}

// Big pixel-font lettering with a hard drop shadow, centred on (cx, top).
static void title(Canvas& c, const std::string& s, float cx, int top, int scale, Color face, Color shadow) {
  int w = Canvas::textWidth(s, scale);
  int x = int(cx) - w / 2;
  int d = std::max(2, scale / 3);
  c.text(s, x + d, top + d, scale, shadow);
  c.text(s, x, top, scale, face);
}

static Canvas bannerFrame() {
  Canvas c(BANNER_W, BANNER_H);
  post(c, 28, 62, 40, BANNER_H);
  post(c, BANNER_W - 62, BANNER_W - 28, 40, BANNER_H);
  return c;
}

static Canvas sponsorBanner(Color board, Color stripe, Color letters, Color shadow, const std::string& name) {
  Canvas c = bannerFrame();
  c.fillRect(16, 24, BANNER_W - 16, 146, rgb(20, 20, 24));
  c.fillRect(22, 30, BANNER_W - 22, 140, board);
  c.fillRect(22, 30, BANNER_W - 22, 44, stripe);
  c.fillRect(22, 126, BANNER_W - 22, 140, stripe);
  title(c, name, BANNER_W / 2.0f, 53, 9, letters, shadow);
  return c;
}

static Canvas startBanner(int lit) {
  Canvas c = bannerFrame();
  c.fillRect(16, 20, BANNER_W - 16, 160, rgb(10, 10, 10));
  const int sq = 20;
  for (int y = 26; y < 154; y += sq)
    for (int x = 22; x < BANNER_W - 22; x += sq)
      if (((x - 22) / sq + (y - 26) / sq) % 2 == 0)
        c.fillRect(x, y, std::min(x + sq, BANNER_W - 22), std::min(y + sq, 154), rgb(245, 245, 245));
  // The lamp panel in the middle, big enough to read from far away.
  c.fillRoundRect(300, 14, 700, 166, 24, rgb(24, 24, 28));
  c.fillRoundRect(306, 20, 694, 160, 20, rgb(64, 66, 74));
  for (int i = 0; i < 3; ++i) {
    float cx = 380 + 120.0f * i, cy = 90;
    c.fillEllipse(cx, cy, 54, 54, rgb(16, 16, 18));
    c.fillEllipse(cx, cy, 48, 48, rgb(110, 112, 120));
    c.fillEllipse(cx, cy, 42, 42, rgb(20, 20, 22));
    bool on = (lit == 3) || (i < lit);
    Color hot = lit == 3 ? rgb(60, 255, 90) : rgb(255, 40, 30);
    Color off = i == 2 ? rgb(20, 70, 30) : rgb(80, 16, 16);
    if (on) {
      c.fillEllipse(cx, cy, 38, 38, shade(hot, 0.75f));
      c.fillEllipse(cx, cy, 30, 30, hot);
      c.fillEllipse(cx - 8, cy - 10, 14, 12, mix(hot, rgb(255, 255, 255), 0.7f));
    } else {
      c.fillEllipse(cx, cy, 38, 38, off);
      c.fillEllipse(cx - 10, cy - 12, 10, 8, shade(off, 1.6f));
    }
  }
  return c;
}

static void billboardPosts(Canvas& c, float x0, float x1) {
  post(c, x0 - 10, x0 + 10, 140, c.h);
  post(c, x1 - 10, x1 + 10, 140, c.h);
}

static Canvas signBlue() {
  Canvas c(300, 230);
  billboardPosts(c, 70, 230);
  c.fillRect(0, 0, 300, 150, rgb(250, 250, 250));
  c.fillRect(5, 5, 295, 145, rgb(20, 70, 200));
  // Banded sky-to-sea gradient with a white wave, 1980s print style.
  for (int b = 0; b < 6; ++b) c.fillRect(5, 80 + b * 11, 295, 91 + b * 11, mix(rgb(30, 110, 230), rgb(10, 40, 140), b / 5.0f));
  std::vector<Point> wave;
  for (int x = 5; x <= 295; x += 5) wave.push_back({float(x), 86 + 7 * std::sin(x * 0.06f)});
  for (int x = 295; x >= 5; x -= 5) wave.push_back({float(x), 96 + 7 * std::sin(x * 0.06f)});
  c.fillPolygon(wave, rgb(240, 250, 255));
  title(c, "AQUAVEL", 150, 22, 6, rgb(255, 255, 255), rgb(10, 30, 90));
  title(c, "COOL AS THE SEA", 150, 114, 2, rgb(255, 230, 40), rgb(10, 30, 90));
  return c;
}

static Canvas signTresk() {
  Canvas c(300, 230);
  billboardPosts(c, 70, 230);
  c.fillRect(0, 0, 300, 150, rgb(20, 20, 20));
  c.fillRect(5, 5, 295, 145, rgb(230, 30, 30));
  c.fillRect(5, 100, 295, 145, rgb(250, 250, 250));
  // A lightning bolt as the fuel brand's mark.
  c.fillPolygon({{30, 14}, {62, 14}, {48, 44}, {70, 44}, {28, 96}, {40, 56}, {20, 56}}, rgb(255, 220, 0));
  title(c, "VOLTRA", 182, 34, 6, rgb(255, 255, 255), rgb(110, 0, 0));
  title(c, "RACING FUEL", 150, 112, 3, rgb(200, 20, 20), rgb(180, 180, 180));
  return c;
}

static Canvas cornerSign() {
  Canvas c(170, 160);
  for (float x : {40.f, 130.f}) {
    c.fillRect(x - 6, 90, x + 6, 160, rgb(250, 250, 250));
    for (float y = 96; y < 160; y += 16) c.fillRect(x - 6, y, x + 6, y + 8, rgb(220, 20, 20));
  }
  c.fillRect(0, 0, 170, 100, rgb(16, 16, 16));
  c.fillRect(5, 5, 165, 95, rgb(255, 210, 0));
  for (int i = 0; i < 3; ++i) {
    float x = 22 + i * 46.0f;
    c.fillPolygon({{x, 14}, {x + 22, 14}, {x + 50, 50}, {x + 22, 86}, {x, 86}, {x + 28, 50}}, rgb(16, 16, 16));
  }
  return c;
}

// A bush of overlapping round clumps, shaded from the top-left sun.
static Canvas bush(int w, int h, uint64_t seed, bool flowers) {
  Canvas c(w, h);
  Rng rng(seed);
  struct Clump {
    float x, y, r;
  };
  std::vector<Clump> clumps;
  for (int i = 0; i < 11; ++i) {
    float r = float(rng.range(h * 0.22, h * 0.36));
    float x = float(rng.range(r + 2, w - r - 2));
    float y = float(rng.range(h * 0.35, h - r));
    clumps.push_back({x, y, r});
  }
  // Base clumps so the bush sits on the ground instead of floating.
  for (float fx : {0.3f, 0.5f, 0.7f}) {
    float r = h * 0.3f;
    clumps.push_back({w * fx, h - r + 3, r});
  }
  for (auto& k : clumps) c.fillEllipse(k.x, k.y, k.r + 2.5f, k.r + 2.5f, rgb(8, 36, 10));
  for (auto& k : clumps) {
    c.fillEllipse(k.x, k.y, k.r, k.r, rgb(24, 84, 22));
    c.fillEllipse(k.x - k.r * 0.15f, k.y - k.r * 0.2f, k.r * 0.8f, k.r * 0.75f, rgb(44, 128, 34));
    c.fillEllipse(k.x - k.r * 0.3f, k.y - k.r * 0.38f, k.r * 0.45f, k.r * 0.38f, rgb(104, 178, 60));
  }
  // Leaf speckles break up the flat shading.
  for (int i = 0; i < w * h / 40; ++i) {
    int x = rng.irange(0, w - 1), y = rng.irange(0, h - 1);
    if (c.at(x, y).a < 0.9f) continue;
    Color col = rng.uniform() < 0.5 ? rgb(16, 64, 18) : rgb(90, 160, 50);
    c.fillRect(x, y, x + 2, y + 2, col);
  }
  if (flowers)
    for (int i = 0; i < 26; ++i) {
      int x = rng.irange(6, w - 7), y = rng.irange(6, h - 7);
      if (c.at(x, y).a < 0.99f) continue;
      c.fillEllipse(x, y, 3.2f, 3.2f, rng.uniform() < 0.5 ? rgb(255, 90, 160) : rgb(255, 240, 90));
      c.fillRect(x - 1, y - 1, x + 1, y + 1, rgb(255, 255, 255));
    }
  return c;
}

void makeRoadsideImages(ImageSet& out) {
  out.push_back({"banner_yellow", sponsorBanner(rgb(255, 206, 0), rgb(210, 30, 20), rgb(20, 20, 20), rgb(190, 120, 0), "VELMORA GP")});
  out.push_back({"banner_start", startBanner(0)});
  out.push_back({"banner_start_1", startBanner(1)});
  out.push_back({"banner_start_2", startBanner(2)});
  out.push_back({"banner_start_3", startBanner(3)});
  out.push_back({"banner_commodore", sponsorBanner(rgb(24, 64, 200), rgb(250, 250, 250), rgb(255, 255, 255), rgb(8, 20, 90), "KORVEX COMPUTERS")});
  out.push_back({"banner_tires", sponsorBanner(rgb(18, 18, 20), rgb(255, 200, 0), rgb(255, 200, 0), rgb(120, 40, 0), "TORQUA TYRES")});
  out.push_back({"sign_blue", signBlue()});
  out.push_back({"sign_tresk", signTresk()});
  out.push_back({"cornersign", cornerSign()});
  out.push_back({"bush_1", bush(220, 130, 21, true)});
  out.push_back({"bush_2", bush(180, 110, 22, false)});
}
