// Horizon layers: eased sideways scrolling with the bends, wrapping every
// screen width, and a vertical shift with the hills.
#include "world/THorizon.h"

#include <cmath>

#include "engine/drawing.h"
#include "engine/images.h"

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
  fHorizonDrawYOffset = yOffset * fYOffsetFactor;
  return 0;
}

int THorizon::draw() {
  SetColor(255, 255, 255);
  float y = std::floor(fHorizonDrawY + fHorizonDrawYOffset);
  DrawImage(fGfx, std::floor(fHorizonDrawX), y, 0);
  DrawImage(fGfx, std::floor(fHorizonDrawX - fHorizonDrawOffset), y, 0);
  return 0;
}
