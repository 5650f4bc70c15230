// The 2D drawing state: every setter stores into the current TDrawState
// and forwards to its driver; with no graphics open that is the null driver.
#include "engine/drawing.h"

#include <algorithm>
#include <cmath>

#include "engine/system.h"

std::shared_ptr<TDrawState> gCurrentGraphics;
int gDrawPass = 0;
unsigned gSkippedDrawPasses = 0;
bool gDrawShortcuts = true;

namespace {
const TDrawState kDefaults;

TDrawState MakeScratch() {
  TDrawState s;
  s._driver = std::make_shared<TNullDrawDriver>();
  return s;
}
// Where the setters write while no graphics is open; nothing reads it.
TDrawState gScratch = MakeScratch();

const TDrawState& Read() { return gCurrentGraphics ? *gCurrentGraphics : kDefaults; }

void SendTransform(TDrawState& s) {
  // The road sets a scale for each of its lines, nearly always unrotated:
  // spare those calls the trigonometry, with the very values it would give
  // (signed zeros included).
  if (s.tform_rot == 0) {
    s.tform_ix = s.tform_scale_x;
    s.tform_iy = -0.0f * s.tform_scale_y;
    s.tform_jx = 0.0f * s.tform_scale_x;
    s.tform_jy = s.tform_scale_y;
  } else {
    double r = double(s.tform_rot) * M_PI / 180.0;
    double sn = std::sin(r), cs = std::cos(r);
    s.tform_ix = float(cs * s.tform_scale_x);
    s.tform_iy = float(-sn * s.tform_scale_y);
    s.tform_jx = float(sn * s.tform_scale_x);
    s.tform_jy = float(cs * s.tform_scale_y);
  }
  s._driver->SetTransform(s.tform_ix, s.tform_iy, s.tform_jx, s.tform_jy);
}

void SendViewport(const TDrawState& s) {
  int x0 = Int(std::floor(s.viewport_x / s.vres_mousexscale));
  int y0 = Int(std::floor(s.viewport_y / s.vres_mouseyscale));
  int x1 = Int(std::floor((s.viewport_x + s.viewport_w) / s.vres_mousexscale));
  int y1 = Int(std::floor((s.viewport_y + s.viewport_h) / s.vres_mouseyscale));
  s._driver->SetViewport(x0, y0, x1 - x0, y1 - y0);
}
}  // namespace

TDrawState& DrawState() { return gCurrentGraphics ? *gCurrentGraphics : gScratch; }

void SetCurrentDrawState(const std::shared_ptr<TDrawState>& state, int width, int height) {
  gCurrentGraphics = state;
  if (state && !state->_driver) state->_driver = std::make_shared<TNullDrawDriver>();
  TDrawState& s = DrawState();
  gFrameMaker = s._driver.get();
  if (!state) return;
  if (s.g_width != width || s.g_height != height) {
    s.g_width = width;
    s.g_height = height;
    s.vres_width = float(s.g_width);
    s.vres_height = float(s.g_height);
    s.vres_mousexscale = 1;
    s.vres_mouseyscale = 1;
  }
  TDrawDriver& d = *s._driver;
  d.SetResolution(s.vres_width, s.vres_height);
  d.SetBlend(s.blend_mode);
  d.SetColor(s.color_red, s.color_green, s.color_blue);
  d.SetAlpha(s.color_alpha);
  d.SetClsColor(s.clscolor_red, s.clscolor_green, s.clscolor_blue);
  d.SetLineWidth(s.line_width);
  SendTransform(s);
  SendViewport(s);
}

void SetLogicalResolution(float w, float h) {
  TDrawState& s = DrawState();
  if (s.g_width <= 0 || s.g_height <= 0) return;
  s.vres_width = w;
  s.vres_height = h;
  s.vres_mousexscale = w / s.g_width;
  s.vres_mouseyscale = h / s.g_height;
  s._driver->SetResolution(w, h);
}

float LogicalWidth() { return Read().vres_width; }
float LogicalHeight() { return Read().vres_height; }

float PixelsPerUnit() {
  const TDrawState& s = Read();
  // The letter-box keeps both ways at one scale; the smaller is the safe one.
  float scale = std::min(s.vres_mousexscale > 0 ? 1 / s.vres_mousexscale : 1,
                         s.vres_mouseyscale > 0 ? 1 / s.vres_mouseyscale : 1);
  return gCurrentGraphics && scale > 0 ? scale : 1;
}

void SetColor(int r, int g, int b) {
  TDrawState& s = DrawState();
  s.color_red = r;
  s.color_green = g;
  s.color_blue = b;
  s._driver->SetColor(r, g, b);
}

void GetColor(int& r, int& g, int& b) {
  r = Read().color_red;
  g = Read().color_green;
  b = Read().color_blue;
}

void SetAlpha(float alpha) {
  TDrawState& s = DrawState();
  s.color_alpha = alpha;
  s._driver->SetAlpha(alpha);
}

float GetAlpha() { return Read().color_alpha; }

void SetBlend(int mode) {
  TDrawState& s = DrawState();
  s.blend_mode = mode;
  s._driver->SetBlend(mode);
}

int GetBlend() { return Read().blend_mode; }

void SetClsColor(int r, int g, int b) {
  TDrawState& s = DrawState();
  s.clscolor_red = r;
  s.clscolor_green = g;
  s.clscolor_blue = b;
  s._driver->SetClsColor(r, g, b);
}

void GetClsColor(int& r, int& g, int& b) {
  r = Read().clscolor_red;
  g = Read().clscolor_green;
  b = Read().clscolor_blue;
}

void Cls() {
  if (DrawPassSkipped()) return;
  DrawState()._driver->Cls();
}

void SetViewport(int x, int y, int w, int h) {
  TDrawState& s = DrawState();
  s.viewport_x = x;
  s.viewport_y = y;
  s.viewport_w = w;
  s.viewport_h = h;
  SendViewport(s);
}

void GetViewport(int& x, int& y, int& w, int& h) {
  x = Read().viewport_x;
  y = Read().viewport_y;
  w = Read().viewport_w;
  h = Read().viewport_h;
}

void SetOrigin(float x, float y) {
  TDrawState& s = DrawState();
  s.origin_x = x;
  s.origin_y = y;
}

void GetOrigin(float& x, float& y) {
  x = Read().origin_x;
  y = Read().origin_y;
}

void SetHandle(float x, float y) {
  TDrawState& s = DrawState();
  s.handle_x = -x;
  s.handle_y = -y;
}

void GetHandle(float& x, float& y) {
  x = -Read().handle_x;
  y = -Read().handle_y;
}

void SetRotation(float degrees) {
  TDrawState& s = DrawState();
  s.tform_rot = degrees;
  SendTransform(s);
}

float GetRotation() { return Read().tform_rot; }

void SetScale(float sx, float sy) {
  TDrawState& s = DrawState();
  s.tform_scale_x = sx;
  s.tform_scale_y = sy;
  SendTransform(s);
}

void GetScale(float& sx, float& sy) {
  sx = Read().tform_scale_x;
  sy = Read().tform_scale_y;
}

void DrawRect(float x, float y, float w, float h) {
  if (DrawPassSkipped()) return;
  TDrawState& s = DrawState();
  s._driver->DrawRect(s.handle_x, s.handle_y, s.handle_x + w, s.handle_y + h, x + s.origin_x,
                      y + s.origin_y);
}

void DrawImage(const std::shared_ptr<TImage>& image, float x, float y, int frame) {
  if (!image || DrawPassSkipped()) return;
  const auto& f = image->Frame(frame);
  if (!f) return;
  const TDrawState& s = DrawState();
  float x0 = -image->handle_x, y0 = -image->handle_y;
  f->Draw(x0, y0, x0 + image->width, y0 + image->height, x + s.origin_x, y + s.origin_y, 0, 0,
          float(image->width), float(image->height));
}

void DrawImagePart(const std::shared_ptr<TImage>& image, float x, float y, float sx, float sy, float sw, float sh,
                   int frame) {
  if (!image || DrawPassSkipped() || sw <= 0 || sh <= 0) return;
  const auto& f = image->Frame(frame);
  if (!f) return;
  const TDrawState& s = DrawState();
  float x0 = sx - image->handle_x, y0 = sy - image->handle_y;
  f->Draw(x0, y0, x0 + sw, y0 + sh, x + s.origin_x, y + s.origin_y, sx, sy, sw, sh);
}

std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) {
  return DrawState()._driver->GrabPixmap(x, y, w, h);
}
