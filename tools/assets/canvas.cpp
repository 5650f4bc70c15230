// Canvas primitives: sampled shapes, blending, pixel maps, the pixel font,
// scaled blits and the conversion to dithered 8-bit RGBA.
#include "canvas.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>

Color rgb(int r, int g, int b, float a) { return Color{r / 255.0f, g / 255.0f, b / 255.0f, a}; }

Color mix(const Color& a, const Color& b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return Color{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Color shade(const Color& c, float f) {
  return Color{std::clamp(c.r * f, 0.0f, 1.0f), std::clamp(c.g * f, 0.0f, 1.0f), std::clamp(c.b * f, 0.0f, 1.0f), c.a};
}

Canvas::Canvas(int width, int height) : w(width), h(height), px(size_t(width) * height, Color{0, 0, 0, 0}) {}

void Canvas::blend(int x, int y, const Color& c, float coverage) {
  if (x < 0 || y < 0 || x >= w || y >= h || coverage <= 0) return;
  Color& d = at(x, y);
  float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
  float oa = a + d.a * (1 - a);
  if (oa <= 0) return;
  float k = d.a * (1 - a);
  d.r = (c.r * a + d.r * k) / oa;
  d.g = (c.g * a + d.g * k) / oa;
  d.b = (c.b * a + d.b * k) / oa;
  d.a = oa;
}

void Canvas::set(int x, int y, const Color& c) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  at(x, y) = c;
}

void Canvas::fillShape(float x0, float y0, float x1, float y1, const std::function<bool(float, float)>& inside,
                       const std::function<Color(float, float)>& paintAt) {
  int ix0 = std::max(0, int(std::floor(x0))), iy0 = std::max(0, int(std::floor(y0)));
  int ix1 = std::min(w - 1, int(std::ceil(x1))), iy1 = std::min(h - 1, int(std::ceil(y1)));
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) {
      int n = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
          if (inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4)) ++n;
      if (n) blend(x, y, paintAt(x + 0.5f, y + 0.5f), n / 16.0f);
    }
}

void Canvas::fillRect(float x0, float y0, float x1, float y1, const Color& c) {
  fillShape(x0, y0, x1, y1, [&](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; },
            [&](float, float) { return c; });
}

void Canvas::fillEllipse(float cx, float cy, float rx, float ry, const Color& c) {
  fillShape(cx - rx, cy - ry, cx + rx, cy + ry,
            [&](float x, float y) {
              float dx = (x - cx) / rx, dy = (y - cy) / ry;
              return dx * dx + dy * dy <= 1;
            },
            [&](float, float) { return c; });
}

static bool insidePolygon(const std::vector<Point>& p, float x, float y) {
  bool in = false;
  for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x) in = !in;
  }
  return in;
}

void Canvas::fillPolygon(const std::vector<Point>& pts, const std::function<Color(float, float)>& paintAt) {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  for (auto& p : pts) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  fillShape(x0, y0, x1, y1, [&](float x, float y) { return insidePolygon(pts, x, y); }, paintAt);
}

void Canvas::fillPolygon(const std::vector<Point>& pts, const Color& c) {
  fillPolygon(pts, [&](float, float) { return c; });
}

void Canvas::fillRoundRect(float x0, float y0, float x1, float y1, float r, const Color& c) {
  fillShape(x0, y0, x1, y1,
            [&](float x, float y) {
              if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
              float cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
              return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
            },
            [&](float, float) { return c; });
}

void Canvas::strokeRect(float x0, float y0, float x1, float y1, float t, const Color& c) {
  fillRect(x0, y0, x1, y0 + t, c);
  fillRect(x0, y1 - t, x1, y1, c);
  fillRect(x0, y0 + t, x0 + t, y1 - t, c);
  fillRect(x1 - t, y0 + t, x1, y1 - t, c);
}

void Canvas::line(float x0, float y0, float x1, float y1, float width, const Color& c) {
  float dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
  if (len <= 0) return;
  float nx = -dy / len * width / 2, ny = dx / len * width / 2;
  fillPolygon({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, c);
}

void Canvas::paint(const std::function<Color(int, int, const Color&)>& f) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) at(x, y) = f(x, y, at(x, y));
}

void Canvas::pixelMap(const std::vector<std::string>& rows, const std::vector<std::pair<char, Color>>& palette,
                      int x, int y, int scale) {
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t k = 0; k < rows[r].size(); ++k) {
      char ch = rows[r][k];
      for (auto& [key, col] : palette)
        if (key == ch)
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx) blend(x + int(k) * scale + sx, y + int(r) * scale + sy, col);
    }
}

// 5 x 7 glyphs, one string of 35 cells per character, row by row.
static const std::map<char, const char*>& glyphs() {
  static const std::map<char, const char*> g = {
      {'A', ".###.#...##...#######...##...##...#"}, {'B', "####.#...##...#####.#...##...#####."},
      {'C', ".###.#...##....#....#....#...#.###."}, {'D', "####.#...##...##...##...##...#####."},
      {'E', "######....#....####.#....#....#####"}, {'F', "######....#....####.#....#....#...."},
      {'G', ".###.#...##....#.####...##...#.####"}, {'H', "#...##...##...#######...##...##...#"},
      {'I', ".###...#....#....#....#....#...###."}, {'J', "..###...#....#....#....#.#..#..##.."},
      {'K', "#...##..#.#.#..##...#.#..#..#.#...#"}, {'L', "#....#....#....#....#....#....#####"},
      {'M', "#...###.###.#.##...##...##...##...#"}, {'N', "#...###..##.#.##..###...##...##...#"},
      {'O', ".###.#...##...##...##...##...#.###."}, {'P', "####.#...##...#####.#....#....#...."},
      {'Q', ".###.#...##...##...##.#.##..#..##.#"}, {'R', "####.#...##...#####.#.#..#..#.#...#"},
      {'S', ".#####....#.....###.....#....#####."}, {'T', "#####..#....#....#....#....#....#.."},
      {'U', "#...##...##...##...##...##...#.###."}, {'V', "#...##...##...##...##...#.#.#...#.."},
      {'W', "#...##...##...##.#.##.#.##.#.#.#.#."}, {'X', "#...##...#.#.#...#...#.#.#...##...#"},
      {'Y', "#...##...#.#.#...#....#....#....#.."}, {'Z', "#####....#...#...#...#...#....#####"},
      {'0', ".###.#...##..###.#.###..##...#.###."}, {'1', "..#...##....#....#....#....#...###."},
      {'2', ".###.#...#....#...#...#...#...#####"}, {'3', "#####...#...#.....#.....##...#.###."},
      {'4', "...#...##..#.#.#..#.#####...#....#."}, {'5', "######....####.....#....##...#.###."},
      {'6', "..##..#...#....####.#...##...#.###."}, {'7', "#####....#...#...#...#....#....#..."},
      {'8', ".###.#...##...#.###.#...##...#.###."}, {'9', ".###.#...##...#.####....#...#..##.."},
      {'_', "..............................#####"}, {'.', "..............................##..."},
      {'-', "...............###................."}, {'!', "..#....#....#....#....#.........#.."},
      {' ', "..................................."}, {'&', ".##..#..#.#.#...#...#.#.##..#..##.#"},
  };
  return g;
}

int Canvas::textWidth(const std::string& s, int scale) { return s.empty() ? 0 : int(s.size()) * 6 * scale - scale; }

int Canvas::text(const std::string& s, int x, int y, int scale, const Color& c) {
  int pen = x;
  for (char ch : s) {
    char u = char(std::toupper(static_cast<unsigned char>(ch)));
    auto it = glyphs().find(u);
    if (it != glyphs().end()) {
      const char* cells = it->second;
      for (int r = 0; r < 7; ++r)
        for (int k = 0; k < 5; ++k)
          if (cells[r * 5 + k] == '#')
            for (int sy = 0; sy < scale; ++sy)
              for (int sx = 0; sx < scale; ++sx) blend(pen + k * scale + sx, y + r * scale + sy, c);
    }
    pen += 6 * scale;
  }
  return pen - x - scale;
}

static Color sample(const Canvas& s, float x, float y) {
  // Premultiplied bilinear lookup, clamped to the canvas.
  x -= 0.5f, y -= 0.5f;
  int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = x - x0, fy = y - y0;
  Color acc{0, 0, 0, 0};
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i) {
      int xx = std::clamp(x0 + i, 0, s.w - 1), yy = std::clamp(y0 + j, 0, s.h - 1);
      float wgt = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
      const Color& c = s.at(xx, yy);
      acc.r += c.r * c.a * wgt, acc.g += c.g * c.a * wgt, acc.b += c.b * c.a * wgt, acc.a += c.a * wgt;
    }
  if (acc.a > 0) acc.r /= acc.a, acc.g /= acc.a, acc.b /= acc.a;
  return acc;
}

void Canvas::drawCanvas(const Canvas& src, float x, float y, float sx, float sy, const Color& tint) {
  int ix0 = int(std::floor(x)), iy0 = int(std::floor(y));
  int ix1 = int(std::ceil(x + src.w * sx)), iy1 = int(std::ceil(y + src.h * sy));
  for (int py = iy0; py < iy1; ++py)
    for (int px_ = ix0; px_ < ix1; ++px_) {
      // Average 2 x 2 samples so a shrunken source keeps its detail smooth.
      Color acc{0, 0, 0, 0};
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
          float u = (px_ + (i + 0.5f) / 2 - x) / sx, v = (py + (j + 0.5f) / 2 - y) / sy;
          if (u < 0 || v < 0 || u >= src.w || v >= src.h) continue;
          Color c = sample(src, u, v);
          acc.r += c.r * c.a, acc.g += c.g * c.a, acc.b += c.b * c.a, acc.a += c.a;
        }
      if (acc.a <= 0) continue;
      Color c{acc.r / acc.a * tint.r, acc.g / acc.a * tint.g, acc.b / acc.a * tint.b, acc.a / 4 * tint.a};
      blend(px_, py, c);
    }
}

void Canvas::scaleAlpha(float f) {
  for (auto& c : px) c.a *= f;
}

std::vector<uint8_t> Canvas::toRGBA8(bool dither) const {
  static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  // Transparent pixels take their neighbours' colour so filtered edges do
  // not pick up a dark fringe; their alpha stays exactly 0.
  std::vector<Color> c = px;
  std::vector<uint8_t> known(c.size());
  for (size_t i = 0; i < c.size(); ++i) known[i] = c[i].a > 0.002f;
  for (int pass = 0; pass < 3; ++pass) {
    std::vector<uint8_t> next = known;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        size_t i = size_t(y) * w + x;
        if (known[i]) continue;
        float r = 0, g = 0, b = 0;
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int xx = x + dx, yy = y + dy;
            if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
            size_t j = size_t(yy) * w + xx;
            if (known[j]) r += c[j].r, g += c[j].g, b += c[j].b, ++n;
          }
        if (n) c[i] = Color{r / n, g / n, b / n, 0}, next[i] = 1;
      }
    known.swap(next);
  }
  std::vector<uint8_t> out(size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Color& p = c[size_t(y) * w + x];
      float d = dither ? (bayer[y & 3][x & 3] + 0.5f) / 16.0f : 0.5f;
      auto q = [&](float v) { return uint8_t(std::clamp(int(std::floor(std::clamp(v, 0.0f, 1.0f) * 255.0f + d)), 0, 255)); };
      uint8_t* o = &out[(size_t(y) * w + x) * 4];
      o[0] = q(p.r), o[1] = q(p.g), o[2] = q(p.b);
      o[3] = p.a <= 0.002f ? 0 : uint8_t(std::clamp(int(std::lround(p.a * 255.0f)), 1, 255));
    }
  return out;
}
