// The letter-box module: maps the fixed logical picture onto the real
// surface at its aspect ratio and paints the bands around it.
#include "engine/aspect.h"

#include <algorithm>
#include <cmath>

#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/system.h"

float gAspectOffsetX = 0;
float gAspectOffsetY = 0;
float gAspectWidth = 0;
float gAspectHeight = 0;
int gAspectFlags = 0;
int gAspectBorderRed = 0;
int gAspectBorderGreen = 0;
int gAspectBorderBlue = 0;

namespace {
// Clears the current viewport in the border colour, keeping the clear colour.
void ClsInBorderColor() {
  int r, g, b;
  GetClsColor(r, g, b);
  SetClsColor(gAspectBorderRed, gAspectBorderGreen, gAspectBorderBlue);
  Cls();
  SetClsColor(r, g, b);
}
}  // namespace

void AspectSetMode(float w, float h, int flags) {
  // Borders alone are asked for as 3; a bare 1 means "keep what is set".
  if (flags != ASPECT_BORDERS) gAspectFlags = flags;
  if (gAspectFlags == 0) {
    gAspectOffsetX = gAspectOffsetY = 0;
    gAspectWidth = w;
    gAspectHeight = h;
    SetLogicalResolution(w, h);
    SetViewport(0, 0, Int(std::ceil(w)), Int(std::ceil(h)));
    SetOrigin(0, 0);
    return;
  }
  long double rw = GraphicsWidth(), rh = GraphicsHeight();
  gAspectWidth = w;
  gAspectHeight = h;
  long double sx = rw / w, sy = rh / h;
  long double scale = sx >= sy ? sy : sx;
  bool integer = gAspectFlags & ASPECT_INTEGER_SCALE;
  if (integer) scale = std::max<long double>(std::floor(scale), 1);
  float vw = float(rw / scale), vh = float(rh / scale);
  gAspectOffsetX = (vw - w) * 0.5f;
  gAspectOffsetY = (vh - h) * 0.5f;
  if (integer) {
    gAspectOffsetX = std::floor(gAspectOffsetX);
    gAspectOffsetY = std::floor(gAspectOffsetY);
  }
  SetLogicalResolution(vw, vh);
  if (gAspectFlags & ASPECT_BORDERS) {
    ClsInBorderColor();
    SetViewport(Int(gAspectOffsetX), Int(gAspectOffsetY), Int(w), Int(h));
  } else {
    SetViewport(0, 0, Int(std::ceil(LogicalWidth())), Int(std::ceil(LogicalHeight())));
  }
  SetOrigin(gAspectOffsetX, gAspectOffsetY);
}

void AspectRefresh(int flags) { AspectSetMode(gAspectWidth, gAspectHeight, flags); }

void AspectSetBorderColor(int r, int g, int b) {
  gAspectBorderRed = r;
  gAspectBorderGreen = g;
  gAspectBorderBlue = b;
}

void AspectDrawBorders() {
  if (gAspectFlags & ASPECT_BORDERS) {
    SetViewport(0, 0, Int(std::ceil(LogicalWidth())) + 1, Int(std::ceil(LogicalHeight())) + 1);
    ClsInBorderColor();
    SetViewport(Int(gAspectOffsetX), Int(gAspectOffsetY), Int(gAspectWidth), Int(gAspectHeight));
  }
  Cls();
}

void AspectSetOrigin(float x, float y) { SetOrigin(x + gAspectOffsetX, y + gAspectOffsetY); }

void AspectGetOrigin(float& x, float& y) {
  GetOrigin(x, y);
  x -= gAspectOffsetX;
  y -= gAspectOffsetY;
}

void AspectSetViewport(int x, int y, int w, int h) {
  float left = std::max(float(x), gAspectOffsetX);
  float top = std::max(float(y), gAspectOffsetY);
  float right = std::min(float(x + w), gAspectOffsetX + gAspectWidth);
  float bottom = std::min(float(y + h), gAspectOffsetY + gAspectHeight);
  int l = Int(left), t = Int(top);
  SetViewport(l, t, Int(right - l), Int(bottom - t));
}

void AspectGetViewport(int& x, int& y, int& w, int& h) {
  GetViewport(x, y, w, h);
  x = Int(x - gAspectOffsetX);
  y = Int(y - gAspectOffsetY);
}

float AspectMouseX() { return LogicalMouseX() - gAspectOffsetX; }
float AspectMouseY() { return LogicalMouseY() - gAspectOffsetY; }
void AspectMoveMouse(float x, float y) { MoveLogicalMouse(x + gAspectOffsetX, y + gAspectOffsetY); }
float AspectWidth() { return gAspectWidth; }
float AspectHeight() { return gAspectHeight; }
