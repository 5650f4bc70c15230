// A floating-point RGBA canvas with the drawing primitives the art is made
// of: anti-aliased shapes, gradients, pixel maps, the tiny pixel font.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};

// 0..255 components, as art is usually written down.
Color rgb(int r, int g, int b, float a = 1.0f);
Color mix(const Color& a, const Color& b, float t);
Color shade(const Color& c, float factor);

struct Point {
  float x, y;
};

class Canvas {
public:
  int w = 0, h = 0;
  std::vector<Color> px;  // straight (not premultiplied) alpha

  Canvas() = default;
  Canvas(int width, int height);

  Color& at(int x, int y) { return px[size_t(y) * w + x]; }
  const Color& at(int x, int y) const { return px[size_t(y) * w + x]; }
  // Source-over with a coverage factor; ignores pixels outside.
  void blend(int x, int y, const Color& c, float coverage = 1.0f);
  // Overwrites, alpha included.
  void set(int x, int y, const Color& c);

  // Shapes are sampled 4 x 4 per pixel inside the box, so edges are smooth.
  void fillShape(float x0, float y0, float x1, float y1, const std::function<bool(float, float)>& inside,
                 const std::function<Color(float, float)>& paint);
  void fillRect(float x0, float y0, float x1, float y1, const Color& c);
  void fillEllipse(float cx, float cy, float rx, float ry, const Color& c);
  void fillPolygon(const std::vector<Point>& pts, const Color& c);
  void fillPolygon(const std::vector<Point>& pts, const std::function<Color(float, float)>& paint);
  void fillRoundRect(float x0, float y0, float x1, float y1, float radius, const Color& c);
  void strokeRect(float x0, float y0, float x1, float y1, float width, const Color& c);
  void line(float x0, float y0, float x1, float y1, float width, const Color& c);

  // Paints every pixel through a function of its centre (gradients, noise).
  void paint(const std::function<Color(int, int, const Color&)>& f);
  // Rows of characters looked up in a palette string "c=RRGGBB" style table;
  // '.' is left untouched. Each map pixel becomes scale x scale pixels.
  void pixelMap(const std::vector<std::string>& rows, const std::vector<std::pair<char, Color>>& palette,
                int x, int y, int scale = 1);
  // Text in the built-in 5 x 7 pixel font, upper case; returns the width.
  int text(const std::string& s, int x, int y, int scale, const Color& c);
  static int textWidth(const std::string& s, int scale);
  // Draws another canvas scaled by (sx, sy) with its top-left at (x, y),
  // bilinear, tinted by a multiplying colour.
  void drawCanvas(const Canvas& src, float x, float y, float sx, float sy, const Color& tint = Color{1, 1, 1, 1});
  // Multiplies every pixel's alpha.
  void scaleAlpha(float f);

  // 8-bit RGBA bytes; a 4 x 4 ordered dither hides banding in soft gradients.
  std::vector<uint8_t> toRGBA8(bool dither = true) const;
};

bool writePNG(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba);
bool writePNG(const std::string& path, const Canvas& c);
