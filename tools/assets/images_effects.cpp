// Short-lived effects: the fireball, dust from skidding tyres, smoke from a
// damaged car and the oil patch a wreck leaves behind.
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "puff.h"
#include "rng.h"

// A ragged fireball in hard colour bands, white-hot in the middle and
// red-brown at the rim, with an alpha that softens only the outermost edge.
static Canvas explosion() {
  const int S = 256;
  Canvas c(S, S);
  Rng rng(31);
  double phase[5], amp[5];
  for (int k = 0; k < 5; ++k) phase[k] = rng.range(0, 6.2832), amp[k] = rng.range(0.03, 0.08);
  const Color bands[] = {rgb(255, 255, 220), rgb(255, 236, 110), rgb(255, 190, 40), rgb(250, 120, 20),
                         rgb(210, 60, 16), rgb(140, 36, 14)};
  c.paint([&](int x, int y, const Color&) {
    float dx = x + 0.5f - S / 2.0f, dy = y + 0.5f - S / 2.0f;
    float ang = std::atan2(dy, dx);
    double wob = 1.0;
    for (int k = 0; k < 5; ++k) wob += amp[k] * std::sin((k + 3) * ang + phase[k]);
    float r = float(S * 0.46 * wob);
    float d = std::sqrt(dx * dx + dy * dy) / r;
    if (d >= 1.08f) return Color{0, 0, 0, 0};
    // Inner flames wobble at a faster rate so the bands are not rings.
    float inner = d + 0.06f * std::sin(9 * ang + 1.3f) * d;
    int band = std::clamp(int(inner * 6.2f), 0, 5);
    Color col = bands[band];
    col.a = std::clamp((1.08f - d) / 0.14f, 0.0f, 1.0f);
    return col;
  });
  return c;
}

static Canvas puffImage(int w, int h, unsigned seed, std::vector<Color> bands, float alpha) {
  Canvas c(w, h);
  PuffStyle st;
  st.bands = std::move(bands);
  st.alpha = alpha;
  st.edgeSoftness = 4;
  drawPuff(c, randomBalls(7, w, h, h * 0.22f, h * 0.36f, seed), st);
  return c;
}

static Canvas oil() {
  Canvas c(220, 60);
  Rng rng(41);
  std::vector<Point> outline;
  for (int i = 0; i < 40; ++i) {
    float ang = i * 6.2832f / 40;
    float r = float(1 + rng.range(-0.12, 0.12) + 0.08 * std::sin(3 * ang + 0.5));
    outline.push_back({110 + std::cos(ang) * 104 * r, 30 + std::sin(ang) * 26 * r});
  }
  c.fillPolygon(outline, [](float x, float y) {
    float t = std::clamp((y - 6) / 48, 0.0f, 1.0f);
    (void)x;
    return mix(rgb(46, 34, 26), rgb(18, 12, 10), t);
  });
  // Gloss: a rainbow-tinted sheen and two hard highlights.
  c.fillEllipse(95, 24, 50, 8, rgb(70, 60, 90, 0.9f));
  c.fillEllipse(90, 22, 30, 4, rgb(150, 160, 190));
  c.fillEllipse(150, 34, 14, 3, rgb(120, 130, 150));
  return c;
}

void makeEffectImages(ImageSet& out) {
  out.push_back({"explosion", explosion()});
  std::vector<Color> dust = {rgb(170, 170, 176), rgb(204, 204, 210), rgb(228, 228, 232), rgb(248, 248, 250)};
  std::vector<Color> smoke = {rgb(88, 88, 94), rgb(118, 118, 124), rgb(148, 148, 154), rgb(178, 178, 184)};
  out.push_back({"skid_cloud", puffImage(128, 96, 51, dust, 0.8f)});
  out.push_back({"skid_cloud_2", puffImage(112, 88, 52, dust, 0.8f)});
  out.push_back({"smoke_1", puffImage(112, 112, 53, smoke, 0.8f)});
  out.push_back({"smoke_2", puffImage(96, 96, 54, smoke, 0.8f)});
  out.push_back({"oil", oil()});
}
