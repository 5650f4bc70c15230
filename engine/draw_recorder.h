// A drawing driver that draws nothing and writes down every call it gets,
// one line each, so tests can check what game code drew without an X server.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/drawing.h"

// Made with std::make_shared: its frames and states hold on to it.
class TRecordingDrawDriver : public TDrawDriver, public std::enable_shared_from_this<TRecordingDrawDriver> {
public:
  // "SetColor 255 0 128", "DrawRect 0 0 30 40 at 143.5 20",
  // "DrawImage 40x20 -20 -10 20 10 at 400 484 from 0 0 40 20", ...
  std::vector<std::string> fCalls;
  // Off: calls are only counted in fPassPixels, not written down.
  bool fRecordCalls = true;
  // Real pixels the drawing of each frame part (gDrawPass) covers, clipped
  // to the viewport: what a rasteriser has to shade, hidden or not.
  double fPassPixels[32] = {};
  // The 4 x 4 pixel blocks each part's quads reach (by their boxes): a
  // software rasteriser shades whole blocks, so a quad one pixel high costs
  // as many blocks as one four pixels high.
  double fPassBlocks[32] = {};

  // Makes a fresh drawing state of that real size on this driver current
  // (a new graphics generation, so images make their frames here).
  std::shared_ptr<TDrawState> MakeCurrent(int width, int height);
  // The recorded lines that start with the given call name.
  std::vector<std::string> Calls(const std::string& name) const;

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

  // Adds the real pixels of a quad given as the drawing calls give it.
  void CountQuad(float x0, float y0, float x1, float y1, float tx, float ty);

private:
  void Record(const std::string& name, std::initializer_list<double> values);
  float fIx = 1, fIy = 0, fJx = 0, fJy = 1;
  float fResW = 0, fResH = 0;
  int fRealW = 0, fRealH = 0;
  int fViewX = 0, fViewY = 0, fViewW = 0, fViewH = 0;
};
