// The recording drawing driver: each call becomes one line of text.
#include "engine/draw_recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
std::string Number(double v) {
  char buf[32];
  // -0 (a sine of 0 negated) reads as 0.
  std::snprintf(buf, sizeof buf, "%g", v == 0 ? 0.0 : v);
  return buf;
}

// A frame that records its drawing with the size of the map it was made from.
class TRecordedFrame : public TImageFrame {
public:
  std::weak_ptr<TRecordingDrawDriver> fDriver;
  int fWidth = 0, fHeight = 0;

  void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
            float sh) override {
    auto driver = fDriver.lock();
    if (!driver) return;
    driver->CountQuad(x0, y0, x1, y1, tx, ty);
    if (!driver->fRecordCalls) return;
    std::string line = "DrawImage " + std::to_string(fWidth) + "x" + std::to_string(fHeight);
    for (double v : {x0, y0, x1, y1}) line += " " + Number(v);
    line += " at " + Number(tx) + " " + Number(ty) + " from";
    for (double v : {sx, sy, sw, sh}) line += " " + Number(v);
    driver->fCalls.push_back(line);
  }
};
}  // namespace

std::shared_ptr<TDrawState> TRecordingDrawDriver::MakeCurrent(int width, int height) {
  BumpGraphicsSeq();
  auto state = std::make_shared<TDrawState>();
  state->_driver = shared_from_this();
  state->viewport_w = width;
  state->viewport_h = height;
  fRealW = width;
  fRealH = height;
  SetCurrentDrawState(state, width, height);
  fCalls.clear();
  return state;
}

std::vector<std::string> TRecordingDrawDriver::Calls(const std::string& name) const {
  std::vector<std::string> out;
  for (const std::string& line : fCalls)
    if (line.compare(0, name.size() + 1, name + " ") == 0 || line == name) out.push_back(line);
  return out;
}

void TRecordingDrawDriver::CountQuad(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (fResW <= 0 || fResH <= 0) return;
  const double sx = fRealW / double(fResW), sy = fRealH / double(fResH);
  double xs[4], ys[4];
  const float cx[4] = {x0, x1, x1, x0}, cy[4] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    xs[i] = (cx[i] * fIx + cy[i] * fIy + tx) * sx;
    ys[i] = (cx[i] * fJx + cy[i] * fJy + ty) * sy;
  }
  double left = *std::min_element(xs, xs + 4), right = *std::max_element(xs, xs + 4);
  double top = *std::min_element(ys, ys + 4), bottom = *std::max_element(ys, ys + 4);
  double box = (right - left) * (bottom - top);
  if (box <= 0) return;
  double cl = std::max(left, double(fViewX)), cr = std::min(right, double(fViewX + fViewW));
  double ct = std::max(top, double(fViewY)), cb = std::min(bottom, double(fViewY + fViewH));
  if (cr <= cl || cb <= ct) return;
  // A turned quad: its own area, in the share of its box that is in view.
  double area = std::fabs((xs[1] - xs[0]) * (ys[3] - ys[0]) - (ys[1] - ys[0]) * (xs[3] - xs[0]));
  fPassPixels[gDrawPass & 31] += area * (cr - cl) * (cb - ct) / box;
  // Pixels whose centres lie in the box, and the blocks they fall in.
  const double firstCol = std::ceil(cl - 0.5), lastCol = std::ceil(cr - 0.5) - 1;
  const double firstRow = std::ceil(ct - 0.5), lastRow = std::ceil(cb - 0.5) - 1;
  if (lastCol < firstCol || lastRow < firstRow) return;
  fPassBlocks[gDrawPass & 31] += (std::floor(lastCol / 4) - std::floor(firstCol / 4) + 1) *
                                 (std::floor(lastRow / 4) - std::floor(firstRow / 4) + 1);
}

void TRecordingDrawDriver::Record(const std::string& name, std::initializer_list<double> values) {
  if (!fRecordCalls) return;
  std::string line = name;
  for (double v : values) line += " " + Number(v);
  fCalls.push_back(line);
}

std::shared_ptr<TImageFrame> TRecordingDrawDriver::CreateFrameFromPixmap(
    const std::shared_ptr<TPixmap>& pixmap, int) {
  if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return nullptr;
  auto frame = std::make_shared<TRecordedFrame>();
  frame->fDriver = weak_from_this();
  frame->fWidth = pixmap->width;
  frame->fHeight = pixmap->height;
  return frame;
}

void TRecordingDrawDriver::SetBlend(int mode) { Record("SetBlend", {double(mode)}); }
void TRecordingDrawDriver::SetAlpha(float alpha) { Record("SetAlpha", {alpha}); }
void TRecordingDrawDriver::SetColor(int r, int g, int b) { Record("SetColor", {double(r), double(g), double(b)}); }
void TRecordingDrawDriver::SetClsColor(int r, int g, int b) {
  Record("SetClsColor", {double(r), double(g), double(b)});
}
void TRecordingDrawDriver::SetViewport(int x, int y, int w, int h) {
  fViewX = std::max(x, 0);
  fViewY = std::max(y, 0);
  fViewW = std::min(x + w, fRealW) - fViewX;
  fViewH = std::min(y + h, fRealH) - fViewY;
  Record("SetViewport", {double(x), double(y), double(w), double(h)});
}
void TRecordingDrawDriver::SetTransform(float ix, float iy, float jx, float jy) {
  fIx = ix;
  fIy = iy;
  fJx = jx;
  fJy = jy;
  Record("SetTransform", {ix, iy, jx, jy});
}
void TRecordingDrawDriver::SetLineWidth(float width) { Record("SetLineWidth", {width}); }
void TRecordingDrawDriver::Cls() {
  if (fViewW > 0 && fViewH > 0) fPassPixels[gDrawPass & 31] += double(fViewW) * fViewH;
  Record("Cls", {});
}

void TRecordingDrawDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  CountQuad(x0, y0, x1, y1, tx, ty);
  if (!fRecordCalls) return;
  Record("DrawRect", {x0, y0, x1, y1});
  fCalls.back() += " at " + Number(tx) + " " + Number(ty);
}

std::shared_ptr<TPixmap> TRecordingDrawDriver::GrabPixmap(int x, int y, int w, int h) {
  Record("GrabPixmap", {double(x), double(y), double(w), double(h)});
  return nullptr;
}

void TRecordingDrawDriver::SetResolution(float w, float h) {
  fResW = w;
  fResH = h;
  Record("SetResolution", {w, h});
}
