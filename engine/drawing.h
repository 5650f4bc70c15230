// The 2D drawing state, the driver interface it draws through, and its two
// primitives. With no graphics open the calls go to a driver that draws
// nothing, which is how the game runs headless in tests.
#pragma once

#include <memory>

#include "engine/images.h"

class TImageFont;
class TGraphics;
class TDrawDriver;
class TDrawState;

// The drawing state that drawing goes to; null while no graphics is open.
extern std::shared_ptr<TDrawState> gCurrentGraphics;

constexpr int BLEND_MASK = 1;
constexpr int BLEND_SOLID = 2;
constexpr int BLEND_ALPHA = 3;
constexpr int BLEND_LIGHT = 4;
constexpr int BLEND_SHADE = 5;

// The back-end a drawing state draws through. Its first slot,
// CreateFrameFromPixmap, comes from TFrameMaker.
class TDrawDriver : public TFrameMaker {
public:
  virtual void SetBlend(int mode) = 0;
  virtual void SetAlpha(float alpha) = 0;
  virtual void SetColor(int r, int g, int b) = 0;
  virtual void SetClsColor(int r, int g, int b) = 0;
  virtual void SetViewport(int x, int y, int w, int h) = 0;
  virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
  virtual void SetLineWidth(float width) = 0;
  virtual void Cls() = 0;
  virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) = 0;
  virtual void SetResolution(float w, float h) = 0;
};

// Headless drawing: takes every call and draws nothing; makes no frames.
class TNullDrawDriver : public TDrawDriver {
public:
  std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const std::shared_ptr<TPixmap>&, int) override {
    return nullptr;
  }
  void SetBlend(int) override {}
  void SetAlpha(float) override {}
  void SetColor(int, int, int) override {}
  void SetClsColor(int, int, int) override {}
  void SetViewport(int, int, int, int) override {}
  void SetTransform(float, float, float, float) override {}
  void SetLineWidth(float) override {}
  void Cls() override {}
  void DrawRect(float, float, float, float, float, float) override {}
  std::shared_ptr<TPixmap> GrabPixmap(int, int, int, int) override { return nullptr; }
  void SetResolution(float, float) override {}
};

class TDrawState {
public:
  int color_red = 255;
  int color_green = 255;
  int color_blue = 255;
  float color_alpha = 1.0f;
  int clscolor_red = 0;
  int clscolor_green = 0;
  int clscolor_blue = 0;
  float line_width = 1.0f;
  float tform_rot = 0;
  float tform_scale_x = 1;
  float tform_scale_y = 1;
  float tform_ix = 1;
  float tform_iy = 0;
  float tform_jx = 0;
  float tform_jy = 1;
  int viewport_x = 0;
  int viewport_y = 0;
  int viewport_w = 0;
  int viewport_h = 0;
  float origin_x = 0;
  float origin_y = 0;
  float handle_x = 0;
  float handle_y = 0;
  std::shared_ptr<TImageFont> image_font;
  int blend_mode = BLEND_MASK;
  float vres_width = 0;
  float vres_height = 0;
  float vres_mousexscale = 1;
  float vres_mouseyscale = 1;
  int g_width = 0;
  int g_height = 0;
  std::shared_ptr<TGraphics> _graphics;
  std::shared_ptr<TDrawDriver> _driver;
  int _setup = 0;
};

// Makes a state current (null: none) and re-sends all of it to its driver,
// whose surface has that real size.
void SetCurrentDrawState(const std::shared_ptr<TDrawState>& state, int width, int height);
// The state drawing goes to: the current one or, with none, a scratch state
// on the null driver whose values nothing reads (the getters then give the
// defaults).
TDrawState& DrawState();

// The logical resolution every drawing coordinate is given in.
void SetLogicalResolution(float w, float h);
float LogicalWidth();
float LogicalHeight();
// Real pixels per logical unit of the current graphics (1 with none).
float PixelsPerUnit();

void SetColor(int r, int g, int b);
void GetColor(int& r, int& g, int& b);
void SetAlpha(float alpha);
float GetAlpha();
void SetBlend(int mode);
int GetBlend();
void SetClsColor(int r, int g, int b);
void GetClsColor(int& r, int& g, int& b);
void Cls();
void SetViewport(int x, int y, int w, int h);
void GetViewport(int& x, int& y, int& w, int& h);
void SetOrigin(float x, float y);
void GetOrigin(float& x, float& y);
void SetHandle(float x, float y);
void GetHandle(float& x, float& y);
void SetRotation(float degrees);
float GetRotation();
void SetScale(float sx, float sy);
void GetScale(float& sx, float& sy);

void DrawRect(float x, float y, float w, float h);
void DrawImage(const std::shared_ptr<TImage>& image, float x, float y, int frame = 0);
// The part (sx, sy, sw, sh) of an image, in its own pixels, drawn where it
// lies when the whole image is drawn at (x, y): a picture split into parts
// drawn each its own way lands exactly where the whole would.
void DrawImagePart(const std::shared_ptr<TImage>& image, float x, float y, float sx, float sy, float sw, float sh,
                   int frame = 0);

// The part of a frame the drawing now belongs to (the game numbers its
// parts from 0, up to 31), so a benchmark can count each part's pixels and
// time. Cls, DrawRect and DrawImage of a part whose bit is set in
// gSkippedDrawPasses draw nothing: its cost is the frame's without it.
extern int gDrawPass;
extern unsigned gSkippedDrawPasses;
inline void SetDrawPass(int pass) { gDrawPass = pass; }
inline bool DrawPassSkipped() { return (gSkippedDrawPasses >> (gDrawPass & 31)) & 1u; }

// Off: drivers draw each image exactly the way asked, without the short
// cuts that give the same picture more cheaply (to compare them against).
extern bool gDrawShortcuts;

// Reads back real pixels of the back buffer (RGBA, top row first); null headless.
std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h);
