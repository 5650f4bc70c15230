// Horizon layers: eased sideways scrolling with the bends, wrapping every
// screen width, and a vertical shift with the hills.
#include "world/THorizon.h"

#include <algorithm>
#include <cmath>

#include "engine/drawing.h"
#include "engine/images.h"
#include "game/MainLoop.h"

std::shared_ptr<TImage> THorizon::gHorizon1Gfx;
std::shared_ptr<TImage> THorizon::gHorizon2Gfx;
std::shared_ptr<TImage> THorizon::gHorizon3Gfx;

int THorizon::loadGraphics() {
  gHorizon1Gfx = LoadImage("Graphics/horizon1.png", IMAGE_FILTERED);
  gHorizon2Gfx = LoadImage("Graphics/horizon2.png", IMAGE_FILTERED);
  gHorizon3Gfx = LoadImage("Graphics/horizon3.png", IMAGE_FILTERED);
  return 0;
}

std::shared_ptr<THorizon> THorizon::Create(std::shared_ptr<TImage> image, float speed) {
  auto h = std::make_shared<THorizon>();
  h->fGfx = std::move(image);
  h->fSpeed = speed;
  h->fHorizonDrawOffset = ImageWidth(h->fGfx);
  h->init();
  return h;
}

int THorizon::init() {
  fYOffsetFactor = fSpeed / 2500;
  fHorizonDrawX = 0;
  fHorizonDrawY = 196;
  update(0, 0, 0);
  return 0;
}

int THorizon::update(float bend, float yOffset, float speed) {
  // Ease toward the bend's drift so the layers lag behind the clouds.
  fHorizonDrawDX = (9 * fHorizonDrawDX + 2 * bend * speed * fSpeed) / 10;
  fHorizonDrawX -= fHorizonDrawDX;
  if (fHorizonDrawX < 0) fHorizonDrawX += 800;
  else if (fHorizonDrawX >= 800) fHorizonDrawX -= 800;
  const float yOffsetBefore = fHorizonDrawYOffset;
  fHorizonDrawYOffset = yOffset * fYOffsetFactor;
  fHorizonDrawDYOffset = fHorizonDrawYOffset - yOffsetBefore;
  fMoveTick = gTickCount;
  return 0;
}

// Where draw() puts the layer at this frame's moment: the left copy's x
// (not yet floored) and its top row.
void THorizon::drawPosition(float& drawX, float& y) {
  drawX = fHorizonDrawX;
  float yOffset = fHorizonDrawYOffset;
  if (gTickFraction != 0 && fMoveTick + 1 == gTickCount) {
    // Where the layer stands at the frame's moment, wrapped as update wraps.
    drawX = static_cast<float>(drawX - static_cast<double>(gTickFraction) * fHorizonDrawDX);
    if (drawX < 0) drawX += 800;
    else if (drawX >= 800) drawX -= 800;
    yOffset = static_cast<float>(yOffset + static_cast<double>(gTickFraction) * fHorizonDrawDYOffset);
  }
  y = std::floor(fHorizonDrawY + yOffset);
}

int THorizon::draw() {
  SetColor(255, 255, 255);
  float drawX, y;
  drawPosition(drawX, y);
  DrawImage(fGfx, std::floor(drawX), y, 0);
  DrawImage(fGfx, std::floor(drawX - fHorizonDrawOffset), y, 0);
  return 0;
}

// Filtering (the picture is scaled to the window) mixes a texel with its
// neighbours, so a row counts as clear or opaque only with two rows and
// columns round it alike.
void THorizon::findParts() {
  fClearRows.clear();
  fOpaqueRows.clear();
  fOpaqueFrom = 0;
  if (!fGfx || fGfx->pixmaps.empty() || !fGfx->pixmaps[0]) return;
  const TPixmap& map = *fGfx->pixmaps[0];
  constexpr int MARGIN = 2;
  for (int x0 = 0; x0 < map.width; x0 += STRIP) {
    const int left = std::max(x0 - MARGIN, 0), right = std::min(x0 + STRIP + MARGIN, map.width);
    int clear = 0, opaque = map.height;
    bool seen = false;
    for (int y = 0; y < map.height && !seen; ++y) {
      for (int x = left; x < right && !seen; ++x) seen = (map.ReadPixel(x, y) >> 24) != 0;
      if (!seen) clear = y + 1;
    }
    for (int y = map.height - 1; y >= 0; --y) {
      bool solid = true;
      for (int x = left; x < right && solid; ++x) solid = (map.ReadPixel(x, y) >> 24) == 255;
      if (!solid) break;
      opaque = y;
    }
    clear = std::max(clear - MARGIN, 0);
    opaque = std::min(opaque + MARGIN, map.height);
    fClearRows.push_back(clear);
    fOpaqueRows.push_back(std::max(opaque, clear));
    fOpaqueFrom = std::max(fOpaqueFrom, fOpaqueRows.back());
  }
}

float THorizon::opaqueFromY() {
  if (fClearRows.empty()) findParts();
  if (fClearRows.empty()) return 1e9f;
  float drawX, y;
  drawPosition(drawX, y);
  return y + static_cast<float>(fOpaqueFrom);
}

int THorizon::drawInParts(float clipY) {
  if (fClearRows.empty()) findParts();
  if (fClearRows.empty()) return draw();
  SetColor(255, 255, 255);
  float drawX, y;
  drawPosition(drawX, y);
  const float lefts[2] = {std::floor(drawX), std::floor(drawX - fHorizonDrawOffset)};
  const int width = ImageWidth(fGfx), height = ImageHeight(fGfx);
  // Rows of the image above the clip line.
  const float rows = std::min(static_cast<float>(height), clipY - y);
  for (int pass = 0; pass < 2; ++pass) {
    SetBlend(pass == 0 ? BLEND_ALPHA : BLEND_SOLID);
    for (float left : lefts) {
      for (size_t k = 0; k < fClearRows.size(); ++k) {
        const float sx = static_cast<float>(k * STRIP);
        const float sw = std::min(static_cast<float>(STRIP), static_cast<float>(width) - sx);
        const float top = static_cast<float>(pass == 0 ? fClearRows[k] : fOpaqueRows[k]);
        const float bottom = std::min(static_cast<float>(pass == 0 ? fOpaqueRows[k] : height), rows);
        if (bottom > top) DrawImagePart(fGfx, left, y, sx, top, sw, bottom - top);
      }
    }
  }
  SetBlend(BLEND_ALPHA);
  return 0;
}
