// The OpenGL 1.x fixed-function back-end: cached state, quads, textures
// made from pixel maps, and the read-back used by tests and screenshots.
#include "engine/gl_driver.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/drawing.h"
#include "engine/system.h"

namespace {
// Texture names of frames released under a live generation, deleted by the
// next texture creation under that same generation. Never freed, so frames
// destroyed during static destruction still find it.
struct PendingTextures {
  std::vector<GLuint> names;
  int seq = 0;
};
PendingTextures* gPending = new PendingTextures;
std::shared_ptr<TGLDrawDriver> gGLDriver;

PendingTextures& Pending() { return *gPending; }

void FlushPendingTextures(TGLDrawDriver& d) {
  PendingTextures& p = Pending();
  if (p.seq == gGraphicsSeq && !p.names.empty()) {
    for (GLuint n : p.names)
      if (n == d.fBoundTexture) d.BindTexture(0);
    glDeleteTextures(GLsizei(p.names.size()), p.names.data());
  }
  p.names.clear();
  p.seq = gGraphicsSeq;
}

bool IsWhole(float v) { return v == std::floor(v); }

void Vertex(const TGLDrawDriver& d, float x, float y, float tx, float ty) {
  glVertex2f(x * d.fIx + y * d.fIy + tx, x * d.fJx + y * d.fJy + ty);
}

// Largest power-of-two texture size OpenGL accepts for this map; false
// when it accepts none, down to 1 x 1.
bool FitTextureSize(int& tw, int& th) {
  for (;;) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint got = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
    if (got != 0) return true;
    if (tw == 1 && th == 1) return false;
    if (tw > 1) tw /= 2;
    if (th > 1) th /= 2;
  }
}

// Texture-sized RGBA map with the last column, row and corner repeated
// once past the image, so filtering at the edge does not pull in black.
std::shared_ptr<TPixmap> PadToTexture(TPixmap& src, int tw, int th) {
  int uw = src.width, uh = src.height;
  if (uw == tw && uh == th) return src.format == PF_RGBA8888 ? nullptr : src.Convert(PF_RGBA8888);
  auto tex = TPixmap::Create(tw, th, PF_RGBA8888);
  if (!tex) return nullptr;
  tex->Paste(src, 0, 0);
  if (uw < tw) tex->Paste(*src.Window(uw - 1, 0, 1, uh), uw, 0);
  if (uh < th) tex->Paste(*src.Window(0, uh - 1, uw, 1), 0, uh);
  if (uw < tw && uh < th) tex->Paste(*src.Window(uw - 1, uh - 1, 1, 1), uw, uh);
  return tex;
}

// Paints the last two columns (or rows) of the padding white when they lie
// beyond the repeated edge, and gives the texture coordinate between them:
// filtered or not, a sample there is exactly white.
void MarkWhiteSpot(TPixmap& tex, int uw, int uh, float& s, float& t) {
  int tw = tex.width, th = tex.height;
  bool columns = tw - uw >= 3, rows = !columns && th - uh >= 3;
  if (!columns && !rows) return;
  int x0 = columns ? tw - 2 : 0, y0 = columns ? 0 : th - 2;
  for (int y = y0; y < th; ++y)
    std::memset(tex.pixels + std::size_t(y) * tex.pitch + std::size_t(x0) * 4, 255,
                std::size_t(tw - x0) * 4);
  s = columns ? float(tw - 1) / float(tw) : 0.5f;
  t = columns ? 0.5f : float(th - 1) / float(th);
}

void Upload(const TPixmap& map, int level) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, map.pitch / 4);
  glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, map.width, map.height, GL_RGBA, GL_UNSIGNED_BYTE,
                  map.pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}
}  // namespace

int NextPow2(int v) {
  int p = 1;
  while (p < v && p < (1 << 30)) p <<= 1;
  return p;
}

int ClampColorByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

float ClampAlpha(float a) {
  if (!(a >= 0)) return 0;  // NaN too
  return a > 1 ? 1 : a;
}

std::shared_ptr<TGLDrawDriver> GLDriverShared() {
  if (!gGLDriver) {
    BumpGraphicsSeq();
    gGLDriver = TGLDrawDriver::Create();
  }
  return gGLDriver;
}

TGLDrawDriver& GLDriver() { return *GLDriverShared(); }

std::shared_ptr<TGLDrawDriver> TGLDrawDriver::Create() { return std::make_shared<TGLDrawDriver>(); }

void TGLDrawDriver::ResetGLContext(int width, int height) {
  fBlend = -1;
  fBoundTexture = 0;
  fWhiteS = fWhiteT = -1;
  glBindTexture(GL_TEXTURE_2D, 0);
  glDisable(GL_TEXTURE_2D);
  fTexturing = 0;
  fWidth = width;
  fHeight = height;
  fResW = float(width);
  fResH = float(height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glViewport(0, 0, width, height);
}

void TGLDrawDriver::BindTexture(unsigned name, float whiteS, float whiteT) {
  if (name == fBoundTexture) return;
  glBindTexture(GL_TEXTURE_2D, name);
  fBoundTexture = name;
  fWhiteS = whiteS;
  fWhiteT = whiteT;
}

void TGLDrawDriver::EnableTexturing(int on) {
  if (on == fTexturing) return;
  if (on)
    glEnable(GL_TEXTURE_2D);
  else
    glDisable(GL_TEXTURE_2D);
  fTexturing = on;
}

void TGLDrawDriver::SetBlend(int mode) {
  if (mode < BLEND_MASK || mode > BLEND_SHADE) mode = BLEND_SOLID;
  if (mode == fBlend) return;
  fBlend = mode;
  if (mode == BLEND_MASK) {
    glDisable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, 0.5f);
    return;
  }
  glDisable(GL_ALPHA_TEST);
  if (mode == BLEND_SOLID) {
    glDisable(GL_BLEND);
    return;
  }
  glEnable(GL_BLEND);
  if (mode == BLEND_ALPHA) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (mode == BLEND_LIGHT) glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  if (mode == BLEND_SHADE) glBlendFunc(GL_DST_COLOR, GL_ZERO);
}

// The colour goes with each quad's vertices, not into the current state:
// a change of current state between quads splits them into draws of their
// own, and software GL pays a whole draw's set-up for each.
void TGLDrawDriver::SetAlpha(float alpha) { fColor[3] = (unsigned char)Int(ClampAlpha(alpha) * 255); }

void TGLDrawDriver::SetColor(int r, int g, int b) {
  fColor[0] = (unsigned char)ClampColorByte(r);
  fColor[1] = (unsigned char)ClampColorByte(g);
  fColor[2] = (unsigned char)ClampColorByte(b);
}

void TGLDrawDriver::SetClsColor(int r, int g, int b) {
  glClearColor(ClampColorByte(r) / 255.0f, ClampColorByte(g) / 255.0f, ClampColorByte(b) / 255.0f,
               1.0f);
}

void TGLDrawDriver::SetViewport(int x, int y, int w, int h) {
  if (x == 0 && y == 0 && w == fWidth && h == fHeight) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, fHeight - (y + h), std::max(w, 0), std::max(h, 0));
}

void TGLDrawDriver::SetTransform(float ix, float iy, float jx, float jy) {
  fIx = ix;
  fIy = iy;
  fJx = jx;
  fJy = jy;
}

void TGLDrawDriver::SetLineWidth(float width) { glLineWidth(width); }

void TGLDrawDriver::Cls() { glClear(GL_COLOR_BUFFER_BIT); }

void TGLDrawDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  bool throughWhite = fTexturing == 1 && fWhiteS >= 0;
  if (!throughWhite) EnableTexturing(0);
  glBegin(GL_QUADS);
  glColor4ubv(fColor);
  if (throughWhite) glTexCoord2f(fWhiteS, fWhiteT);
  Vertex(*this, x0, y0, tx, ty);
  Vertex(*this, x1, y0, tx, ty);
  Vertex(*this, x1, y1, tx, ty);
  Vertex(*this, x0, y1, tx, ty);
  glEnd();
}

std::shared_ptr<TPixmap> TGLDrawDriver::GrabPixmap(int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return nullptr;
  auto map = TPixmap::Create(w, h, PF_RGBA8888);
  if (!map) return nullptr;
  std::vector<uint8_t> rows(size_t(w) * h * 4);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glReadPixels(x, fHeight - (y + h), w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  // OpenGL reads bottom row first; pixel maps are top row first.
  for (int r = 0; r < h; ++r)
    std::memcpy(map->PixelPtr(0, r), rows.data() + size_t(h - 1 - r) * w * 4, size_t(w) * 4);
  return map;
}

void TGLDrawDriver::SetResolution(float w, float h) {
  fResW = w;
  fResH = h;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, w, h, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
}

std::shared_ptr<TImageFrame> TGLDrawDriver::CreateFrameFromPixmap(
    const std::shared_ptr<TPixmap>& pixmap, int flags) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return nullptr;
  FlushPendingTextures(*this);
  int tw = NextPow2(pixmap->width), th = NextPow2(pixmap->height);
  // No frame then: the image is simply not drawn, as with any frame that
  // could not be made.
  if (!FitTextureSize(tw, th)) return nullptr;
  int uw = std::min(pixmap->width, tw), uh = std::min(pixmap->height, th);
  std::shared_ptr<TPixmap> src = pixmap;
  if (uw < pixmap->width || uh < pixmap->height) src = pixmap->ResizePixmap(uw, uh);
  if (!src) return nullptr;
  auto padded = PadToTexture(*src, tw, th);
  std::shared_ptr<TPixmap> tex = padded ? padded : src;

  auto frame = std::make_shared<TGLImageFrame>();
  bool mipmapped = flags & IMAGE_MIPMAPPED;
  if (padded && !mipmapped) MarkWhiteSpot(*padded, uw, uh, frame->whiteS, frame->whiteT);
  glGenTextures(1, &frame->name);
  BindTexture(frame->name, frame->whiteS, frame->whiteT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  bool filtered = flags & IMAGE_FILTERED;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  filtered ? (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                           : (mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST));
  if (!mipmapped) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  for (int level = 0, w = tw, h = th;; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    if (!mipmapped || (w == 1 && h == 1)) break;
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
  }
  Upload(*tex, 0);
  if (mipmapped) {
    std::shared_ptr<TPixmap> level = tex;
    for (int i = 1; level->width > 1 || level->height > 1; ++i) {
      level = level->ResizePixmap(std::max(level->width / 2, 1), std::max(level->height / 2, 1));
      if (!level) break;
      Upload(*level, i);
    }
  }
  frame->filtered = filtered;
  frame->mipmapped = mipmapped;
  frame->uscale = 1.0f / tw;
  frame->vscale = 1.0f / th;
  frame->u1 = uw * frame->uscale;
  frame->v1 = uh * frame->vscale;
  frame->seq = gGraphicsSeq;
  return frame;
}

TGLImageFrame::~TGLImageFrame() {
  // A texture of a dead context is simply forgotten; its context took it along.
  if (!name || seq != gGraphicsSeq) return;
  PendingTextures& p = Pending();
  if (p.seq != seq) p.names.clear();
  p.seq = seq;
  p.names.push_back(name);
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx,
                         float sy, float sw, float sh) {
  TGLDrawDriver& d = GLDriver();
  d.EnableTexturing(1);
  d.BindTexture(name, whiteS, whiteT);
  if (filtered && !mipmapped) {
    // Drawn texel for pixel at whole-pixel places, every pixel samples a
    // texel at its centre, where filtering gives that texel alone: nearest
    // sampling is the same picture, and software GL shades it for less.
    const bool exact = gDrawShortcuts && d.fResW == float(d.fWidth) && d.fResH == float(d.fHeight) && d.fIx == 1 &&
                       d.fIy == 0 && d.fJx == 0 && d.fJy == 1 && x1 - x0 == sw && y1 - y0 == sh &&
                       IsWhole(x0 + tx) && IsWhole(y0 + ty) && IsWhole(sx) && IsWhole(sy);
    if (exact != sampledNearest) {
      sampledNearest = exact;
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, exact ? GL_NEAREST : GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, exact ? GL_NEAREST : GL_LINEAR);
    }
  }
  float s0 = sx * uscale, t0 = sy * vscale, s1 = (sx + sw) * uscale, t1 = (sy + sh) * vscale;
  glBegin(GL_QUADS);
  glColor4ubv(d.fColor);
  glTexCoord2f(s0, t0);
  Vertex(d, x0, y0, tx, ty);
  glTexCoord2f(s1, t0);
  Vertex(d, x1, y0, tx, ty);
  glTexCoord2f(s1, t1);
  Vertex(d, x1, y1, tx, ty);
  glTexCoord2f(s0, t1);
  Vertex(d, x0, y1, tx, ty);
  glEnd();
}
