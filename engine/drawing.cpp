// The 2D drawing state: every setter stores into the current TDrawState
// and forwards to the driver; with no graphics open they all do nothing.
#include "engine/drawing.h"

#include <cmath>

#include "engine/gl_driver.h"
#include "engine/system.h"

std::shared_ptr<TDrawState> gCurrentGraphics;

namespace {
const TDrawState kDefaults;

TDrawState* Current() { return gCurrentGraphics.get(); }
const TDrawState& Read() { return gCurrentGraphics ? *gCurrentGraphics : kDefaults; }

void SendTransform(TDrawState& s) {
  double r = double(s.tform_rot) * M_PI / 180.0;
  double sn = std::sin(r), cs = std::cos(r);
  s.tform_ix = float(cs * s.tform_scale_x);
  s.tform_iy = float(-sn * s.tform_scale_y);
  s.tform_jx = float(sn * s.tform_scale_x);
  s.tform_jy = float(cs * s.tform_scale_y);
  GLDriver().SetTransform(s.tform_ix, s.tform_iy, s.tform_jx, s.tform_jy);
}

void SendViewport(const TDrawState& s) {
  int x0 = Int(std::floor(s.viewport_x / s.vres_mousexscale));
  int y0 = Int(std::floor(s.viewport_y / s.vres_mouseyscale));
  int x1 = Int(std::floor((s.viewport_x + s.viewport_w) / s.vres_mousexscale));
  int y1 = Int(std::floor((s.viewport_y + s.viewport_h) / s.vres_mouseyscale));
  GLDriver().SetViewport(x0, y0, x1 - x0, y1 - y0);
}
}  // namespace

void SetCurrentDrawState(const std::shared_ptr<TDrawState>& state, int width, int height) {
  gCurrentGraphics = state;
  gFrameMaker = state ? &GLDriver() : nullptr;
  if (!state) return;
  TDrawState& s = *state;
  TGLDrawDriver& d = GLDriver();
  d.ResetGLContext(width, height);
  if (s.g_width != width || s.g_height != height) {
    s.g_width = width;
    s.g_height = height;
    s.vres_width = float(s.g_width);
    s.vres_height = float(s.g_height);
    s.vres_mousexscale = 1;
    s.vres_mouseyscale = 1;
  }
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
  TDrawState* s = Current();
  if (!s || s->g_width <= 0 || s->g_height <= 0) return;
  s->vres_width = w;
  s->vres_height = h;
  s->vres_mousexscale = w / s->g_width;
  s->vres_mouseyscale = h / s->g_height;
  GLDriver().SetResolution(w, h);
}

float LogicalWidth() { return Read().vres_width; }
float LogicalHeight() { return Read().vres_height; }

void SetColor(int r, int g, int b) {
  if (TDrawState* s = Current()) {
    s->color_red = r;
    s->color_green = g;
    s->color_blue = b;
    GLDriver().SetColor(r, g, b);
  }
}

void GetColor(int& r, int& g, int& b) {
  r = Read().color_red;
  g = Read().color_green;
  b = Read().color_blue;
}

void SetAlpha(float alpha) {
  if (TDrawState* s = Current()) {
    s->color_alpha = alpha;
    GLDriver().SetAlpha(alpha);
  }
}

float GetAlpha() { return Read().color_alpha; }

void SetBlend(int mode) {
  if (TDrawState* s = Current()) {
    s->blend_mode = mode;
    GLDriver().SetBlend(mode);
  }
}

int GetBlend() { return Read().blend_mode; }

void SetClsColor(int r, int g, int b) {
  if (TDrawState* s = Current()) {
    s->clscolor_red = r;
    s->clscolor_green = g;
    s->clscolor_blue = b;
    GLDriver().SetClsColor(r, g, b);
  }
}

void GetClsColor(int& r, int& g, int& b) {
  r = Read().clscolor_red;
  g = Read().clscolor_green;
  b = Read().clscolor_blue;
}

void Cls() {
  if (Current()) GLDriver().Cls();
}

void SetViewport(int x, int y, int w, int h) {
  if (TDrawState* s = Current()) {
    s->viewport_x = x;
    s->viewport_y = y;
    s->viewport_w = w;
    s->viewport_h = h;
    SendViewport(*s);
  }
}

void GetViewport(int& x, int& y, int& w, int& h) {
  x = Read().viewport_x;
  y = Read().viewport_y;
  w = Read().viewport_w;
  h = Read().viewport_h;
}

void SetOrigin(float x, float y) {
  if (TDrawState* s = Current()) {
    s->origin_x = x;
    s->origin_y = y;
  }
}

void GetOrigin(float& x, float& y) {
  x = Read().origin_x;
  y = Read().origin_y;
}

void SetHandle(float x, float y) {
  if (TDrawState* s = Current()) {
    s->handle_x = -x;
    s->handle_y = -y;
  }
}

void GetHandle(float& x, float& y) {
  x = -Read().handle_x;
  y = -Read().handle_y;
}

void SetRotation(float degrees) {
  if (TDrawState* s = Current()) {
    s->tform_rot = degrees;
    SendTransform(*s);
  }
}

float GetRotation() { return Read().tform_rot; }

void SetScale(float sx, float sy) {
  if (TDrawState* s = Current()) {
    s->tform_scale_x = sx;
    s->tform_scale_y = sy;
    SendTransform(*s);
  }
}

void GetScale(float& sx, float& sy) {
  sx = Read().tform_scale_x;
  sy = Read().tform_scale_y;
}

void DrawRect(float x, float y, float w, float h) {
  TDrawState* s = Current();
  if (!s) return;
  GLDriver().DrawRect(s->handle_x, s->handle_y, s->handle_x + w, s->handle_y + h,
                      x + s->origin_x, y + s->origin_y);
}

void DrawImage(const std::shared_ptr<TImage>& image, float x, float y, int frame) {
  TDrawState* s = Current();
  if (!s || !image) return;
  auto f = image->Frame(frame);
  if (!f) return;
  float x0 = -image->handle_x, y0 = -image->handle_y;
  f->Draw(x0, y0, x0 + image->width, y0 + image->height, x + s->origin_x, y + s->origin_y, 0, 0,
          float(image->width), float(image->height));
}

std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) {
  if (!Current()) return nullptr;
  return GLDriver().GrabPixmap(x, y, w, h);
}
