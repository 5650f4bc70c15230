// Clouds: random placement by depth, sideways drift that wraps around a band
// three screens wide, and drawing from far to near.
#include "world/TCloud.h"

#include "engine/drawing.h"
#include "engine/images.h"
#include "engine/random.h"
#include "engine/system.h"
#include "game/MainLoop.h"
#include "game/TConstants.h"
#include "world/TEntity.h"

std::shared_ptr<TImage> TCloud::gCloudGfx;
std::shared_ptr<TCloud> TCloud::gFirstCloud;
std::shared_ptr<TCloud> TCloud::gLastCloud;
float TCloud::gCloudDX = 0;
float TCloud::gCloudYOffset = 0;
int TCloud::gMoveTick = -1;
float TCloud::gCloudDYOffset = 0;

std::shared_ptr<TCloud> TCloud::Create() {
  const float nearZ = TEntity::gNearZ;
  const float farZ = TEntity::gFarZ;
  auto c = std::make_shared<TCloud>();
  c->fX = static_cast<float>(RndFloat(-800, 1600));
  c->fZ = static_cast<float>(RndFloat(0.6 * farZ, 0.9 * farZ));
  c->fGfx = gCloudGfx;
  // Relative distance between the nearest and the farthest road line.
  float t = farZ > nearZ ? (c->fZ - nearZ) / (farZ - nearZ) : 0;
  c->fHeight = Int((1 - t) * 600 * 0.5);
  c->fScale = 1 - t;
  c->fSpeed = 5000 + (farZ - c->fZ) * 60;
  c->fAlpha = 1;
  if (c->fZ > 0.7f * farZ) {
    c->fAlpha = 1 - (c->fZ - 0.7f * farZ) / (0.3f * farZ);
    if (c->fAlpha < 0.5f) c->fAlpha = 0.5f;
  }
  c->addToListDepthSorted();
  return c;
}

int TCloud::loadGraphics() {
  gCloudGfx = LoadImage("Graphics/cloud1.png", -1);
  SetImageHandle(gCloudGfx, ImageWidth(gCloudGfx) / 2, ImageHeight(gCloudGfx));
  return 0;
}

int TCloud::updateAll(float speed, float bend, float yOffset) {
  gCloudDX = speed * bend;
  gCloudYOffset = yOffset;
  for (TCloud* c = gFirstCloud.get(); c; c = c->fNext.get()) c->update();
  gMoveTick = gTickCount;
  return 0;
}

int TCloud::drawAll() {
  for (TCloud* c = gLastCloud.get(); c; c = c->fPrevious) c->draw();
  return 0;
}

int TCloud::removeAll() {
  gLastCloud.reset();
  // Unlink one by one so a long list is never released recursively.
  std::shared_ptr<TCloud> c = std::move(gFirstCloud);
  while (c) {
    std::shared_ptr<TCloud> next = std::move(c->fNext);
    c->fPrevious = nullptr;
    c = std::move(next);
  }
  return 0;
}

int TCloud::addToListDepthSorted() {
  std::shared_ptr<TCloud> self = weak_from_this().lock();
  if (!self) return 0;
  TCloud* e = gLastCloud.get();
  while (e && e->fZ > fZ) e = e->fPrevious;
  fPrevious = e;
  fNext = e ? e->fNext : gFirstCloud;
  if (fNext) fNext->fPrevious = this;
  else gLastCloud = self;
  if (e) e->fNext = self;
  else gFirstCloud = self;
  return 0;
}

int TCloud::update() {
  fX -= gCloudDX * fSpeed;
  if (fX < -800) fX = 1600;
  if (fX > 1600) fX = -800;
  return 0;
}

int TCloud::draw() {
  SetBlend(BLEND_ALPHA);
  SetScale(fScale, fScale);
  SetColor(255, 255, 255);
  SetAlpha(fAlpha);
  float x = fX;
  float yOffset = gCloudYOffset;
  if (gTickFraction != 0 && gMoveTick + 1 == gTickCount) {
    x = static_cast<float>(x - static_cast<double>(gTickFraction) * gCloudDX * fSpeed);
    yOffset = static_cast<float>(yOffset + static_cast<double>(gTickFraction) * gCloudDYOffset);
  }
  DrawImage(fGfx, x, (HORIZON_Y - fHeight) + yOffset, 0);
  SetAlpha(1);
  SetBlend(BLEND_MASK);
  return 0;
}
