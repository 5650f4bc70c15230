// Engine-private: the OpenGL form of the drawing driver and of image frames. Included only by engine sources; no platform headers here.
#pragma once

#include <memory>
#include <vector>

#include "engine/drawing.h"
#include "engine/images.h"

class TGLDrawDriver : public TDrawDriver {
public:
  // Cached GL state; -1 means unknown so the next call always goes through.
  int fBlend = -1;
  unsigned fBoundTexture = 0;
  // Where the bound texture is plain white (s, t), or -1: rectangles are
  // drawn through it so texturing need not be switched off and on, which
  // costs a whole new pipeline state per switch under software GL.
  float fWhiteS = -1, fWhiteT = -1;
  int fTexturing = -1;
  unsigned char fColor[4] = {255, 255, 255, 255};
  float fIx = 1, fIy = 0, fJx = 0, fJy = 1;
  int fWidth = 0;   // real size of the current surface
  int fHeight = 0;
  float fResW = 0;  // logical size it shows
  float fResH = 0;

  static std::shared_ptr<TGLDrawDriver> Create();
  // Forgets the cached state of a context just made current, of that real size.
  void ResetGLContext(int width, int height);
  void BindTexture(unsigned name, float whiteS = -1, float whiteT = -1);
  void EnableTexturing(int on);

  std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const std::shared_ptr<TPixmap>& pixmap,
                                                     int flags) override;
  void SetBlend(int mode) override;
  void SetAlpha(float alpha) override;
  void SetColor(int r, int g, int b) override;
  void SetClsColor(int r, int g, int b) override;
  void SetViewport(int x, int y, int w, int h) override;
  void SetTransform(float ix, float iy, float jx, float jy) override;
  void SetLineWidth(float width) override;
  void Cls() override;
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
  std::shared_ptr<TPixmap> GrabPixmap(int x, int y, int w, int h) override;
  void SetResolution(float w, float h) override;
};

class TGLImageFrame : public TImageFrame {
public:
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
  float uscale = 1, vscale = 1;
  unsigned name = 0;
  int seq = 0;
  float whiteS = -1, whiteT = -1;  // a white spot in the padding, or -1
  bool filtered = false, mipmapped = false;
  bool sampledNearest = false;  // a filtered frame's texture set to nearest for now

  ~TGLImageFrame() override;
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty,
            float sx, float sy, float sw, float sh) override;
};

// The one driver, installed on first use (which also steps gGraphicsSeq).
TGLDrawDriver& GLDriver();
std::shared_ptr<TGLDrawDriver> GLDriverShared();
// Clamping rules shared by the driver and the tests' expectations.
int ClampColorByte(int v);
float ClampAlpha(float a);
// Texture size for a pixel map: each side rounded up to a power of two.
int NextPow2(int v);
