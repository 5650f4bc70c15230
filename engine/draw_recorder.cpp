// The recording drawing driver: each call becomes one line of text.
#include "engine/draw_recorder.h"

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

void TRecordingDrawDriver::Record(const std::string& name, std::initializer_list<double> values) {
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
  Record("SetViewport", {double(x), double(y), double(w), double(h)});
}
void TRecordingDrawDriver::SetTransform(float ix, float iy, float jx, float jy) {
  Record("SetTransform", {ix, iy, jx, jy});
}
void TRecordingDrawDriver::SetLineWidth(float width) { Record("SetLineWidth", {width}); }
void TRecordingDrawDriver::Cls() { Record("Cls", {}); }

void TRecordingDrawDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  Record("DrawRect", {x0, y0, x1, y1});
  fCalls.back() += " at " + Number(tx) + " " + Number(ty);
}

std::shared_ptr<TPixmap> TRecordingDrawDriver::GrabPixmap(int x, int y, int w, int h) {
  Record("GrabPixmap", {double(x), double(y), double(w), double(h)});
  return nullptr;
}

void TRecordingDrawDriver::SetResolution(float w, float h) { Record("SetResolution", {w, h}); }
