// The car parts the game draws its cars with (tyres, shadow, exhaust flash)
// and the preview that builds a whole car from them for the title screen.
#include <algorithm>
#include <cmath>

#include "assets.h"

// Tyre seen from behind: light grey so the game's grey tint can make it
// flicker, dark grooves for tread and a highlight down one side.
static Canvas tyre(int w, int h) {
  Canvas c(w, h);
  float r = w * 0.28f;
  c.fillRoundRect(0, 0, w, h, r, rgb(120, 120, 124));
  c.fillRoundRect(1.5f, 1.5f, w - 1.5f, h - 1.5f, r - 1.5f, rgb(228, 228, 232));
  for (int y = 4; y < h - 3; y += 4) c.fillRect(2, y, w - 2, y + 1.5f, rgb(150, 150, 156));
  c.fillRect(3, 3, 5.5f, h - 3, rgb(255, 255, 255, 0.85f));
  c.fillRect(w - 5.5f, 3, w - 3, h - 3, rgb(170, 170, 176, 0.9f));
  return c;
}

static Canvas shadow() {
  Canvas c(200, 56);
  c.paint([](int x, int y, const Color&) {
    float dx = (x + 0.5f - 100) / 100, dy = (y + 0.5f - 28) / 28;
    float d = std::sqrt(dx * dx + dy * dy);
    float a = d >= 1 ? 0 : std::min(1.0f, (1 - d) * 2.2f);
    return Color{0.02f, 0.02f, 0.04f, a};
  });
  return c;
}

// A star-shaped flame: white-yellow heart, orange tongues, red tips. It is
// drawn under the alpha test, so the outline is crisp.
static Canvas exhaustFlash() {
  Canvas c(48, 40);
  const float cx = 24, cy = 20;
  auto star = [&](float rOut, float rIn, int points, float phase) {
    std::vector<Point> p;
    for (int i = 0; i < points * 2; ++i) {
      float ang = phase + float(i) * 3.14159265f / points;
      float r = (i % 2 == 0) ? rOut : rIn;
      p.push_back({cx + std::cos(ang) * r * 1.15f, cy + std::sin(ang) * r * 0.9f});
    }
    return p;
  };
  c.fillPolygon(star(19, 8, 7, 0.2f), rgb(220, 40, 10));
  c.fillPolygon(star(15, 7, 7, 0.45f), rgb(255, 140, 20));
  c.fillPolygon(star(10, 5, 6, 0.1f), rgb(255, 220, 60));
  c.fillEllipse(cx, cy, 5, 4, rgb(255, 255, 220));
  return c;
}

void makeCarImages(ImageSet& out) {
  out.push_back({"wheel_front", tyre(24, 28)});
  out.push_back({"wheel_rear", tyre(32, 36)});
  out.push_back({"car_shadow", shadow()});
  out.push_back({"exhaust_flash", exhaustFlash()});
}

// The same pieces, offsets and shades as the race draws for a car going
// straight at the screen centre, scaled by s.
void drawCarPreview(Canvas& c, const ImageSet& set, float x0, float y0, float s, Color body, float wingWidth) {
  const Canvas& front = findImage(set, "wheel_front");
  const Canvas& rear = findImage(set, "wheel_rear");
  const Canvas& sh = findImage(set, "car_shadow");
  auto dark = Color{std::floor(body.r * 255 / 2) / 255, std::floor(body.g * 255 / 2) / 255,
                    std::floor(body.b * 255 / 2) / 255, 1};
  auto bright = shade(body, 2.0f);
  Color tyreTint = rgb(150, 150, 150);
  auto wheel = [&](const Canvas& img, float x, float y) {
    c.drawCanvas(img, x - (img.w / 2) * s, y - (img.h / 2) * s, s, s, tyreTint);
  };
  auto rect = [&](float x, float y, float w, float h, const Color& col) {
    c.fillRect(x, y, x + w * s, y + h * s, col);
  };
  c.drawCanvas(sh, x0 - 100 * s, y0 + 20 * s - 16 * s - 28 * s, s, s, Color{1, 1, 1, 0.35f});
  wheel(front, x0 - 56 * s, y0 - 30 * s);
  wheel(front, x0 + 56 * s, y0 - 30 * s);
  rect(x0 - 36 * s, y0 - 28 * s, 72, 8, dark);
  rect(x0 - 40 * s, y0 - 5 * s - 15 * s, 80, 30, body);
  rect(x0 - 25 * s, y0 - 2 * s - 10 * s, 50, 20, dark);
  wheel(rear, x0 - 68 * s, y0);
  wheel(rear, x0 + 68 * s, y0);
  const float wingY = -26;
  rect(x0 - 4 * s, y0 - 6 * s + wingY * s, 8, 20, rgb(40, 40, 40));
  rect(x0 - wingWidth / 2 * s, y0 - 3 * s + wingY * s - 3 * s, wingWidth, 6, bright);
}
