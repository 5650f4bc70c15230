// Text drawn from a TrueType face rendered glyph by glyph into images, and
// the built-in 8 x 16 font that is current until the game picks its own.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/images.h"

constexpr int FONT_BOLD = 1;
constexpr int FONT_ITALIC = 2;
constexpr int FONT_SMOOTH = 4;

// A glyph of a source font: an 8-bit alpha pixel map (or none) and its
// placement relative to the pen, top-left at (x, y) below the ascender line.
class TGlyph {
public:
  virtual ~TGlyph() = default;
  virtual std::shared_ptr<TPixmap> Pixels() = 0;
  virtual float Advance() = 0;
  virtual void GetRect(int& x, int& y, int& w, int& h) = 0;
};

// A source of glyphs; glyph indices run from 0 to CountGlyphs() - 1.
class TFont {
public:
  virtual ~TFont() = default;
  // Pixels of the glyphs' images per unit of the font's size: above 1 the
  // images are finer than the size, for a picture scaled up on screen.
  virtual float Scale() const { return 1; }
  virtual int Style() const = 0;
  virtual int Height() const = 0;
  virtual int CountGlyphs() const = 0;
  virtual int CharToGlyph(int ch) const = 0;
  virtual TGlyph* LoadGlyph(int index) = 0;
};

// _advance is in units of the font's size; the image and its placement
// (_x, _y, _w, _h) in the image's own pixels, the font's Scale() per unit.
class TImageGlyph {
public:
  std::shared_ptr<TImage> _image;
  float _advance = 0;
  int _x = 0;
  int _y = 0;
  int _w = 0;
  int _h = 0;
  int _loaded = 0;
  int _atlasX = -1;  // top-left of the glyph in its font's atlas; -1 while not there
  int _atlasY = -1;
};

class TImageFont {
public:
  std::shared_ptr<TFont> _src_font;  // null for the built-in font
  std::vector<TImageGlyph> _glyphs;
  int _imageFlags = 0;
  float _scale = 1;  // the source font's Scale()
  // The glyphs drawn so far, packed row by row into one image, so a line of
  // text is drawn from one texture: each texture switch costs software GL a
  // whole new pipeline state. A glyph that does not fit keeps its own.
  std::shared_ptr<TImage> _atlas;
  int _atlasPenX = 0;
  int _atlasPenY = 0;
  int _atlasRowHeight = 0;
  // Glyph index of each Latin-1 character once asked for (-2: not yet): the
  // HUD asks for the same few every frame, and the face's lookup is dear.
  mutable std::array<int, 256> _charGlyphs = MakeUnknownChars();
  // The glyphs of the line being drawn, kept to spare an allocation per line.
  std::vector<TImageGlyph*> _lineGlyphs;

  static constexpr std::array<int, 256> MakeUnknownChars() {
    std::array<int, 256> chars{};
    for (int& c : chars) c = -2;
    return chars;
  }

  int Height() const;
  int CountGlyphs() const;
  int CharToGlyph(int ch) const;
  TImageGlyph& LoadGlyph(int index);
  bool PlaceInAtlas(TImageGlyph& glyph);
  void Draw(const std::u16string& text, float x, float y, float ix, float iy, float jx, float jy);
};

// size is in logical units. The glyphs are rendered at scale pixels per
// unit (0: the current graphics' own, so text stays sharp on a picture
// scaled up) and laid out as at size, whatever the scale.
std::shared_ptr<TImageFont> LoadImageFont(const std::string& path, int size, int style, float scale = 0);
std::shared_ptr<TImageFont> BuiltinFont();
void SetImageFont(const std::shared_ptr<TImageFont>& font);
std::shared_ptr<TImageFont> GetImageFont();
void DrawText(const std::string& text, float x, float y);
