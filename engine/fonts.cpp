// TrueType faces through FreeType, image fonts whose glyphs become images on
// first use, the built-in 8 x 16 font, and DrawText.
#include "engine/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/drawing.h"

extern const unsigned char kBuiltinFont8x16[1536];

namespace {
class TFreeTypeGlyph : public TGlyph {
public:
  std::shared_ptr<TPixmap> _pixmap;
  float _advance = 0;
  int _x = 0, _y = 0, _w = 0, _h = 0;
  bool _loaded = false;

  std::shared_ptr<TPixmap> Pixels() override { return _pixmap; }
  float Advance() override { return _advance; }
  void GetRect(int& x, int& y, int& w, int& h) override {
    x = _x;
    y = _y;
    w = _w;
    h = _h;
  }
};

FT_Library gFreeType = nullptr;
bool gFreeTypeTried = false;
// What LoadGlyph hands out for an index the font does not have.
TImageGlyph gBlankGlyph;
std::shared_ptr<TImageFont> gBuiltinFont;

FT_Library FreeType() {
  if (!gFreeTypeTried) {
    gFreeTypeTried = true;
    if (FT_Init_FreeType(&gFreeType)) gFreeType = nullptr;
  }
  return gFreeType;
}

// Sets the face's pixel size, or the next smaller one it can give; the size
// set, 0 for none.
int SetPixelSize(FT_Face face, int size, int floor) {
  for (; size > floor; --size)
    if (!FT_Set_Pixel_Sizes(face, 0, FT_UInt(size))) return size;
  return 0;
}

class TFreeTypeFont : public TFont {
public:
  FT_Face _ft_face = nullptr;
  // The same face at the finer size the images come from; null when they
  // come from _ft_face itself.
  FT_Face _pixel_face = nullptr;
  float _scale = 1;
  int _style = 0, _height = 0, _ascend = 0, _descend = 0;
  int _pixel_ascend = 0;
  std::vector<TFreeTypeGlyph> _glyphs;

  ~TFreeTypeFont() override {
    if (_pixel_face) FT_Done_Face(_pixel_face);
    if (_ft_face) FT_Done_Face(_ft_face);
  }

  static std::shared_ptr<TFreeTypeFont> Load(const std::string& path, int size, int style, float scale) {
    FT_Library lib = FreeType();
    FT_Face face = nullptr;
    if (!lib || FT_New_Face(lib, path.c_str(), 0, &face)) return nullptr;
    // A face that cannot give this size exactly may give a smaller one.
    size = SetPixelSize(face, size, 0);
    if (!size) {
      FT_Done_Face(face);
      return nullptr;
    }
    auto font = std::make_shared<TFreeTypeFont>();
    font->_ft_face = face;
    font->_style = style;
    font->_height = int(face->size->metrics.height >> 6);
    font->_ascend = font->_pixel_ascend = int(face->size->metrics.ascender >> 6);
    font->_descend = int(face->size->metrics.descender >> 6);
    font->_glyphs.resize(face->num_glyphs > 1 ? size_t(face->num_glyphs - 1) : 0);
    // Metrics stay those of the asked size, so text is laid out alike at
    // every scale; only the images get finer. A face with no larger size
    // (bitmap strikes) keeps its own images.
    int fine = int(size * scale + 0.5f);
    FT_Face pixels = nullptr;
    if (fine > size && !FT_New_Face(lib, path.c_str(), 0, &pixels)) {
      int got = SetPixelSize(pixels, fine, size);
      if (got) {
        font->_pixel_face = pixels;
        font->_scale = float(got) / float(size);
        font->_pixel_ascend = int(pixels->size->metrics.ascender >> 6);
      } else {
        FT_Done_Face(pixels);
      }
    }
    return font;
  }

  float Scale() const override { return _scale; }
  int Style() const override { return _style; }
  int Height() const override { return _height; }
  int CountGlyphs() const override { return int(_glyphs.size()); }
  // FreeType's index 0 is the missing glyph; it becomes -1 and is skipped.
  int CharToGlyph(int ch) const override { return int(FT_Get_Char_Index(_ft_face, FT_ULong(ch))) - 1; }

  TGlyph* LoadGlyph(int index) override {
    if (index < 0 || index >= int(_glyphs.size())) return nullptr;
    TFreeTypeGlyph& g = _glyphs[index];
    if (!g._loaded) {
      g._loaded = true;
      Render(index, g);
    }
    return &g;
  }

private:
  void Render(int index, TFreeTypeGlyph& g) {
    if (_pixel_face) {
      if (FT_Load_Glyph(_ft_face, FT_UInt(index + 1), FT_LOAD_DEFAULT)) return;
      g._advance = float(_ft_face->glyph->advance.x >> 6);
    }
    FT_Face face = _pixel_face ? _pixel_face : _ft_face;
    if (FT_Load_Glyph(face, FT_UInt(index + 1), FT_LOAD_RENDER)) return;
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    if (!_pixel_face) g._advance = float(slot->advance.x >> 6);
    g._x = slot->bitmap_left;
    g._y = _pixel_ascend - slot->bitmap_top;
    g._w = int(bm.width);
    g._h = int(bm.rows);
    if (g._w == 0 || g._h == 0) return;
    bool grey = bm.pixel_mode == FT_PIXEL_MODE_GRAY, mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!grey && !mono) return;
    auto map = TPixmap::Create(g._w, g._h, PF_A8);
    if (!map) return;
    for (int y = 0; y < g._h; ++y) {
      const unsigned char* row = bm.buffer + ptrdiff_t(y) * bm.pitch;
      uint8_t* out = map->PixelPtr(0, y);
      for (int x = 0; x < g._w; ++x)
        out[x] = grey ? row[x] : ((row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0);
    }
    if (_style & FONT_SMOOTH) {
      // A clear rim so filtering and mipmaps never clip the glyph's edge.
      auto framed = TPixmap::Create(g._w + 2, g._h + 2, PF_A8);
      if (!framed) return;
      framed->Paste(*map, 1, 1);
      map = framed;
      g._x -= 1;
      g._y -= 1;
      g._w += 2;
      g._h += 2;
    }
    g._pixmap = map;
  }
};

std::shared_ptr<TImageFont> MakeBuiltinFont() {
  auto font = std::make_shared<TImageFont>();
  auto sheet = TPixmap::Create(768, 16, PF_RGBA8888);
  for (int r = 0; r < 16; ++r)
    for (int k = 0; k < 96; ++k)
      for (int b = 0; b < 8; ++b) {
        uint8_t* p = sheet->PixelPtr(k * 8 + b, r);
        bool on = kBuiltinFont8x16[r * 96 + k] & (1 << b);
        p[0] = p[1] = p[2] = 255;
        p[3] = on ? 255 : 0;
      }
  font->_glyphs.resize(96);
  for (int k = 0; k < 96; ++k) {
    TImageGlyph& g = font->_glyphs[k];
    g._image = TImage::Create(8, 16, 1, 0);
    g._image->SetPixmap(0, sheet->Window(k * 8, 0, 8, 16)->Copy());
    g._advance = 8;
    g._w = 8;
    g._h = 16;
    g._loaded = 1;
  }
  return font;
}

// UTF-8 to UTF-16 code units; a broken sequence becomes U+FFFD.
std::u16string Utf16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = len > 0 && i + len <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      unsigned char cc = s[i + k];
      ok = (cc & 0xC0) == 0x80;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
      out.push_back(u'\uFFFD');
      i += 1;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += len;
  }
  return out;
}
}  // namespace

int TImageFont::Height() const { return _src_font ? _src_font->Height() : 16; }
int TImageFont::CountGlyphs() const { return _src_font ? _src_font->CountGlyphs() : 96; }

int TImageFont::CharToGlyph(int ch) const {
  if (_src_font) {
    if (ch < 0 || ch >= int(_charGlyphs.size())) return _src_font->CharToGlyph(ch);
    int& index = _charGlyphs[size_t(ch)];
    if (index == -2) index = _src_font->CharToGlyph(ch);
    return index;
  }
  return ch >= 32 && ch <= 127 ? ch - 32 : -1;
}

TImageGlyph& TImageFont::LoadGlyph(int index) {
  if (index < 0 || index >= int(_glyphs.size())) return gBlankGlyph = TImageGlyph{};
  TImageGlyph& g = _glyphs[index];
  if (g._loaded || !_src_font) return g;
  g._loaded = 1;
  TGlyph* src = _src_font->LoadGlyph(index);
  if (!src) return g;
  g._advance = src->Advance();
  src->GetRect(g._x, g._y, g._w, g._h);
  if (auto pixels = src->Pixels()) {
    g._image = TImage::Create(pixels->width, pixels->height, 1, _imageFlags);
    g._image->SetPixmap(0, pixels);
  }
  return g;
}

bool TImageFont::PlaceInAtlas(TImageGlyph& glyph) {
  if (!glyph._image || glyph._image->pixmaps.empty() || !glyph._image->pixmaps[0]) return false;
  const TPixmap& image = *glyph._image->pixmaps[0];
  // Each glyph gets a one-pixel transparent border, so filtering never
  // reaches a neighbour.
  // Finer images get room for as many glyphs as at their own size.
  int side = Height() <= 24 ? 256 : 512;
  for (float room = _scale; room > 1.001f && side < 2048; room /= 2) side *= 2;
  int cellW = image.width + 2, cellH = image.height + 2;
  if (cellW > side || cellH > side) return false;
  if (_atlasPenX + cellW > side) {
    _atlasPenX = 0;
    _atlasPenY += _atlasRowHeight;
    _atlasRowHeight = 0;
  }
  if (_atlasPenY + cellH > side) return false;
  if (!_atlas) {
    auto map = TPixmap::Create(side, side, PF_RGBA8888);
    if (!map) return false;
    _atlas = TImage::Create(side, side, 1, _imageFlags);
    _atlas->SetPixmap(0, map);
  }
  glyph._atlasX = _atlasPenX + 1;
  glyph._atlasY = _atlasPenY + 1;
  _atlas->pixmaps[0]->Paste(image, glyph._atlasX, glyph._atlasY);
  _atlasPenX += cellW;
  _atlasRowHeight = std::max(_atlasRowHeight, cellH);
  return true;
}

void TImageFont::Draw(const std::u16string& text, float x, float y, float ix, float iy, float jx,
                      float jy) {
  // Every new glyph of the text goes into the atlas first, so its texture
  // is remade at most once per line; the glyphs are looked up only here.
  std::vector<TImageGlyph*>& glyphs = _lineGlyphs;
  glyphs.clear();
  bool grown = false;
  for (char16_t ch : text) {
    int index = CharToGlyph(ch);
    if (index < 0) continue;
    TImageGlyph& g = LoadGlyph(index);
    if (g._image && g._atlasX < 0 && PlaceInAtlas(g)) grown = true;
    glyphs.push_back(&g);
  }
  if (grown) _atlas->SetPixmap(0, _atlas->pixmaps[0]);
  TImageFrame* atlas = _atlas ? _atlas->Frame(0).get() : nullptr;
  // Finer images are drawn down to the size the text is laid out at.
  float unit = _scale > 0 ? 1 / _scale : 1;
  for (const TImageGlyph* g : glyphs) {
    if (g->_image) {
      float w = float(g->_image->width), h = float(g->_image->height);
      float gx = g->_x * unit, gy = g->_y * unit;
      float px = x + gx * ix + gy * iy, py = y + gx * jx + gy * jy;
      if (atlas && g->_atlasX >= 0)
        atlas->Draw(0, 0, w * unit, h * unit, px, py, float(g->_atlasX), float(g->_atlasY), w, h);
      else if (const auto& frame = g->_image->Frame(0))
        frame->Draw(0, 0, w * unit, h * unit, px, py, 0, 0, w, h);
    }
    x += ix * g->_advance;
    y += jx * g->_advance;
  }
}

std::shared_ptr<TImageFont> LoadImageFont(const std::string& path, int size, int style, float scale) {
  if (scale <= 0) scale = PixelsPerUnit();
  auto src = TFreeTypeFont::Load(path, size, style, scale);
  if (!src) {
    ReportUnloadable("font", path);
    return nullptr;
  }
  auto font = std::make_shared<TImageFont>();
  font->_src_font = src;
  font->_glyphs.resize(size_t(src->CountGlyphs()));
  font->_imageFlags = (style & FONT_SMOOTH) ? (IMAGE_FILTERED | IMAGE_MIPMAPPED) : 0;
  font->_scale = src->Scale();
  return font;
}

std::shared_ptr<TImageFont> BuiltinFont() {
  if (!gBuiltinFont) gBuiltinFont = MakeBuiltinFont();
  return gBuiltinFont;
}

void SetImageFont(const std::shared_ptr<TImageFont>& font) {
  DrawState().image_font = font ? font : BuiltinFont();
}

std::shared_ptr<TImageFont> GetImageFont() {
  if (gCurrentGraphics && gCurrentGraphics->image_font) return gCurrentGraphics->image_font;
  return BuiltinFont();
}

void DrawText(const std::string& text, float x, float y) {
  if (DrawPassSkipped()) return;
  const TDrawState& s = DrawState();
  TImageFont* font = s.image_font ? s.image_font.get() : BuiltinFont().get();  // the built-in one lives on
  float ix = s.tform_ix, iy = s.tform_iy, jx = s.tform_jx, jy = s.tform_jy;
  font->Draw(Utf16(text), x + s.origin_x + s.handle_x * ix + s.handle_y * iy,
             y + s.origin_y + s.handle_x * jx + s.handle_y * jy, ix, iy, jx, jy);
}
