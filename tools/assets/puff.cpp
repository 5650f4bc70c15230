// Sphere-shaded clumps for the soft effects and the clouds.
#include "puff.h"

#include <algorithm>
#include <cmath>

#include "rng.h"

void drawPuff(Canvas& c, const std::vector<Ball>& balls, const PuffStyle& st) {
  const float lx = -0.45f, ly = -0.65f, lz = 0.61f;
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      if (py > st.floorY + st.edgeSoftness) continue;
      float best = -1, light = 0, rim = -1e9f;
      for (auto& b : balls) {
        float dx = px - b.x, dy = py - b.y, d = std::sqrt(dx * dx + dy * dy);
        rim = std::max(rim, b.r - d);
        if (d >= b.r) continue;
        float z = std::sqrt(b.r * b.r - d * d);
        // The surface nearest the viewer wins: the sphere whose top is highest.
        float top = z + b.r * 0.3f;
        if (top > best) best = top, light = (dx * lx + dy * ly + z * lz) / b.r;
      }
      float cover = st.edgeSoftness > 0 ? std::clamp(rim / st.edgeSoftness + 0.5f, 0.0f, 1.0f) : (rim > 0 ? 1.0f : 0.0f);
      if (py > st.floorY) cover *= std::clamp((st.floorY + st.edgeSoftness - py) / std::max(st.edgeSoftness, 1.0f), 0.0f, 1.0f);
      if (cover <= 0) continue;
      if (best < 0) light = -0.2f;
      // Light lower on the clump towards its flat bottom.
      float t = std::clamp((light + 0.25f) / 1.1f, 0.0f, 0.999f);
      int band = int(t * st.bands.size());
      Color col = st.bands[band];
      col.a = st.alpha * cover;
      c.blend(x, y, col);
    }
}

std::vector<Ball> randomBalls(int count, float w, float h, float rMin, float rMax, unsigned seed) {
  Rng rng(seed);
  std::vector<Ball> v;
  for (int i = 0; i < count; ++i) {
    float r = float(rng.range(rMin, rMax));
    // Clumps cluster towards the middle so the outline stays compact.
    float x = float(w / 2 + rng.range(-1, 1) * (w / 2 - r - 2) * 0.85);
    float y = float(h / 2 + rng.range(-1, 1) * (h / 2 - r - 2) * 0.8);
    v.push_back({x, y, r});
  }
  return v;
}
