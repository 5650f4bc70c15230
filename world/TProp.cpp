// Props: what each type looks like, how the effects grow and vanish, and the
// tunnel drawn as frames around the road opening.
#include "world/TProp.h"

#include <algorithm>

#include "engine/drawing.h"
#include "engine/images.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/TConstants.h"

std::shared_ptr<TImage> TProp::gBannerYellowGfx;
std::shared_ptr<TImage> TProp::gBannerStartGfx;
std::shared_ptr<TImage> TProp::gBannerStart1Gfx;
std::shared_ptr<TImage> TProp::gBannerStart2Gfx;
std::shared_ptr<TImage> TProp::gBannerStart3Gfx;
std::shared_ptr<TImage> TProp::gCornerSignGfx;
std::shared_ptr<TImage> TProp::gBush1Gfx;
std::shared_ptr<TImage> TProp::gBush2Gfx;
std::shared_ptr<TImage> TProp::gBannerCommodoreGfx;
std::shared_ptr<TImage> TProp::gBannerTiresGfx;
std::shared_ptr<TImage> TProp::gSignBlueGfx;
std::shared_ptr<TImage> TProp::gSignTreskGfx;
std::shared_ptr<TImage> TProp::gExplosionGfx;
std::shared_ptr<TImage> TProp::gSkidCloudGfx;
std::shared_ptr<TImage> TProp::gSkidCloud2Gfx;
std::shared_ptr<TImage> TProp::gOilGfx;
std::shared_ptr<TImage> TProp::gSmoke1Gfx;
std::shared_ptr<TImage> TProp::gSmoke2Gfx;
std::shared_ptr<TSound> TProp::gExplosionSound;
std::shared_ptr<TProp> TProp::gStartBanner;
int TProp::gInTunnel = 0;

int TProp::update(float dz) {
  TEntity::update(dz);
  switch (fType) {
    case PROP_EXPLOSION:
      fSize += EXPLOSION_GROW_SPEED;
      if (fSize >= fTargetSize) {
        fSize = fTargetSize;
        fActive = 0;
        if (fChainCount > 0) {
          std::shared_ptr<TProp> p = Create(fZ + fChainDZ, fX, PROP_EXPLOSION);
          p->setChain(fChainCount - 1, fChainDZ);
        }
      }
      break;
    case PROP_SKID_CLOUD:
      fSize += SKID_CLOUD_GROW_SPEED;
      if (fSize >= fTargetSize) {
        fSize = fTargetSize;
        fActive = 0;
      }
      break;
    case PROP_SMOKE:
      fTimer -= 1;
      if (fTimer <= 0) fActive = 0;
      break;
    default:
      break;
  }
  return 0;
}

int TProp::deactivate() {
  if (fType == PROP_TUNNEL_START) gInTunnel = 1;
  else if (fType == PROP_TUNNEL_END) gInTunnel = 0;
  fActive = 0;
  return 0;
}

int TProp::drawTunnelFrame() {
  float h = TUNNEL_OPENING_HEIGHT * fScale;
  float band;
  if (fType == PROP_TUNNEL_START) {
    band = h / 2;
    SetColor(255, 255, 255);
  } else {
    SetColor(0, 0, 0);
    // Inside, the ceilings ahead reach the top of the screen and hide the sky.
    band = gInTunnel ? fScreenY - h : h / 1.5f;
  }
  SetScale(1, 1);
  float halfRoad = ROAD_WIDTH * fScale / 2;
  DrawRect(0, fScreenY - h, fRoadX - halfRoad, h + 1);
  float x0 = fRoadX + halfRoad;
  DrawRect(x0, fScreenY - h, SCREEN_WIDTH - x0, h + 1);
  DrawRect(0, fScreenY - (h + band), SCREEN_WIDTH, band);
  return 0;
}

int TProp::draw() {
  if (fPartOfTunnel) return drawTunnelFrame();
  if (fType == PROP_OIL) {
    // A flat patch looks longer on a slope, the more so the farther it lies.
    float stretch = gFarZ != 0 ? fSegmentDY * 3500 * fZ / gFarZ : 0;
    SetScale(fScale, fScale * (1 + stretch));
  } else {
    SetScale(fScale * fSize, fScale * fSize);
  }
  SetColor(255, 255, 255);
  DrawImage(fGfx, fRoadX + fScale * fX, fScreenY, 0);
  return 0;
}

int TProp::isOil() { return fType == PROP_OIL ? 1 : 0; }

int TProp::isTunnelStart() { return fType == PROP_TUNNEL_START ? 1 : 0; }

float TProp::receiveHit(float, float, float) { return 0.0f; }

int TProp::hittable() { return fHittable; }

int TProp::playExplosionSound() {
  // Full effect volume at the nearest road line, silent at the farthest;
  // explosions chained beyond the far line stay silent rather than going
  // negative.
  float volume = SOUND_VOLUME;
  if (gFarZ > gNearZ) {
    volume = (1 - (fZ - gNearZ) / (gFarZ - gNearZ)) * SOUND_VOLUME;
    volume = std::clamp(volume, 0.0f, SOUND_VOLUME);
  }
  // Each explosion plays a little faster or slower than the next.
  float rate = static_cast<float>(RndFloat(0.955, 1.045));
  PlaySoundAtVolume(gExplosionSound, volume)->SetRate(rate);
  return 0;
}

std::shared_ptr<TProp> TProp::Create(float z, float x, int type) {
  auto p = std::make_shared<TProp>();
  New(p);
  p->init(z, x, 1);
  p->fType = type;
  p->fSize = 1.0f;
  p->fChainCount = 0;
  p->fTimer = -1.0f;
  p->fPartOfTunnel = 0;
  switch (type) {
    case PROP_BANNER_YELLOW: p->fGfx = gBannerYellowGfx; break;
    case PROP_CORNER_SIGN: p->fGfx = gCornerSignGfx; break;
    case PROP_BANNER_COMMODORE: p->fGfx = gBannerCommodoreGfx; break;
    case PROP_BANNER_TIRES: p->fGfx = gBannerTiresGfx; break;
    case PROP_BANNER_START:
      p->fGfx = gBannerStartGfx;
      gStartBanner = p;
      break;
    case PROP_BUSH_1:
      p->fGfx = RndInt(1, 10) > 6 ? gBush1Gfx : gBush2Gfx;
      break;
    case PROP_SIGN_TEST:
      p->fGfx = gSignBlueGfx;
      p->fHittable = 1;
      break;
    case PROP_SIGN_TRESK:
      p->fGfx = gSignTreskGfx;
      p->fHittable = 1;
      break;
    case PROP_EXPLOSION:
      p->fGfx = gExplosionGfx;
      p->fSize = 0;
      p->fTargetSize = static_cast<float>(RndFloat(0.3, 1.0));
      p->playExplosionSound();
      break;
    case PROP_SKID_CLOUD:
      p->fGfx = RndInt(1, 2) == 1 ? gSkidCloudGfx : gSkidCloud2Gfx;
      p->fSize = static_cast<float>(RndFloat(0, 0.5));
      p->fTargetSize = static_cast<float>(RndFloat(0, 1));
      break;
    case PROP_OIL:
      p->fGfx = gOilGfx;
      p->fHittable = 1;
      break;
    case PROP_SMOKE:
      p->fGfx = RndInt(1, 2) == 1 ? gSmoke1Gfx : gSmoke2Gfx;
      p->fTimer = SMOKE_TIME;
      break;
    case PROP_TUNNEL_START:
      p->fPartOfTunnel = 1;
      p->fHittable = 1;
      p->fWidth = 4800;
      break;
    case PROP_TUNNEL_MID:
    case PROP_TUNNEL_END:
      p->fPartOfTunnel = 1;
      break;
    default:
      break;
  }
  if (p->fGfx) p->fWidth = static_cast<float>(ImageWidth(p->fGfx));
  return p;
}

int TProp::loadGraphics() {
  struct Entry {
    std::shared_ptr<TImage>* image;
    const char* path;
  };
  const Entry entries[] = {
      {&gBannerYellowGfx, "Graphics/banner_yellow.png"},
      {&gBannerStartGfx, "Graphics/banner_start.png"},
      {&gBannerStart1Gfx, "Graphics/banner_start_1.png"},
      {&gBannerStart2Gfx, "Graphics/banner_start_2.png"},
      {&gBannerStart3Gfx, "Graphics/banner_start_3.png"},
      {&gCornerSignGfx, "Graphics/cornersign.png"},
      {&gBush1Gfx, "Graphics/bush_1.png"},
      {&gBush2Gfx, "Graphics/bush_2.png"},
      {&gBannerCommodoreGfx, "Graphics/banner_commodore.png"},
      {&gBannerTiresGfx, "Graphics/banner_tires.png"},
      {&gSignBlueGfx, "Graphics/sign_blue.png"},
      {&gSignTreskGfx, "Graphics/sign_tresk.png"},
      {&gExplosionGfx, "Graphics/explosion.png"},
      {&gSkidCloudGfx, "Graphics/skid_cloud.png"},
      {&gSkidCloud2Gfx, "Graphics/skid_cloud_2.png"},
      {&gOilGfx, "Graphics/oil.png"},
      {&gSmoke1Gfx, "Graphics/smoke_1.png"},
      {&gSmoke2Gfx, "Graphics/smoke_2.png"},
  };
  for (const Entry& e : entries) *e.image = LoadImage(e.path, -1);
  // Every prop stands on its road line, centred on its lateral position.
  for (const Entry& e : entries) {
    SetImageHandle(*e.image, ImageWidth(*e.image) / 2, ImageHeight(*e.image));
  }
  return 0;
}

int TProp::loadSounds() {
  gExplosionSound = LoadSound("Sounds/explosion.wav", 0);
  return 0;
}

int TProp::setChain(int count, float dz) {
  fChainCount = count;
  fChainDZ = dz;
  return 0;
}
