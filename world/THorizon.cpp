// Horizon layers: eased sideways scrolling with the bends, wrapping every
// screen width, and a vertical shift with the hills.
#include "world/THorizon.h"

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

int THorizon::draw() {
  SetColor(255, 255, 255);
  float drawX = fHorizonDrawX;
  float yOffset = fHorizonDrawYOffset;
  if (gTickFraction != 0 && fMoveTick + 1 == gTickCount) {
    // Where the layer stands at the frame's moment, wrapped as update wraps.
    drawX = static_cast<float>(drawX - static_cast<double>(gTickFraction) * fHorizonDrawDX);
    if (drawX < 0) drawX += 800;
    else if (drawX >= 800) drawX -= 800;
    yOffset = static_cast<float>(yOffset + static_cast<double>(gTickFraction) * fHorizonDrawDYOffset);
  }
  float y = std::floor(fHorizonDrawY + yOffset);
  DrawImage(fGfx, std::floor(drawX), y, 0);
  DrawImage(fGfx, std::floor(drawX - fHorizonDrawOffset), y, 0);
  return 0;
}
