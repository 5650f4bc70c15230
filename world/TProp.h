// Road objects that are not cars: banners, signs, bushes, tunnel frames,
// explosions, skid clouds, smoke and oil.
#pragma once

#include <memory>

#include "world/TEntity.h"

class TImage;
class TSound;

class TProp : public TEntity {
public:
  static constexpr int PROP_BANNER_YELLOW = 0;
  static constexpr int PROP_BANNER_START = 1;
  static constexpr int PROP_CORNER_SIGN = 2;
  static constexpr int PROP_BUSH_1 = 3;
  static constexpr int PROP_BANNER_COMMODORE = 4;
  static constexpr int PROP_BANNER_TIRES = 5;
  static constexpr int PROP_SIGN_TEST = 6;
  static constexpr int PROP_SIGN_TRESK = 7;
  static constexpr int PROP_EXPLOSION = 8;
  static constexpr int PROP_SKID_CLOUD = 9;
  static constexpr int PROP_OIL = 10;
  static constexpr int PROP_SMOKE = 12;
  static constexpr int PROP_TUNNEL_START = 13;
  static constexpr int PROP_TUNNEL_MID = 14;
  static constexpr int PROP_TUNNEL_END = 15;

  static constexpr float EXPLOSION_GROW_SPEED = 0.022f;
  static constexpr float SKID_CLOUD_GROW_SPEED = 0.22f;
  static constexpr int SMOKE_TIME = 500;
  static constexpr int TUNNEL_OPENING_HEIGHT = 300;

  int fType = 0;
  std::shared_ptr<TImage> fGfx;
  int fHittable = 0;
  float fSize = 0;
  float fTargetSize = 0;
  float fTimer = 0;
  int fChainCount = 0;
  float fChainDZ = 0;
  int fPartOfTunnel = 0;

  static std::shared_ptr<TImage> gBannerYellowGfx;
  static std::shared_ptr<TImage> gBannerStartGfx;
  static std::shared_ptr<TImage> gBannerStart1Gfx;
  static std::shared_ptr<TImage> gBannerStart2Gfx;
  static std::shared_ptr<TImage> gBannerStart3Gfx;
  static std::shared_ptr<TImage> gCornerSignGfx;
  static std::shared_ptr<TImage> gBush1Gfx;
  static std::shared_ptr<TImage> gBush2Gfx;
  static std::shared_ptr<TImage> gBannerCommodoreGfx;
  static std::shared_ptr<TImage> gBannerTiresGfx;
  static std::shared_ptr<TImage> gSignBlueGfx;
  static std::shared_ptr<TImage> gSignTreskGfx;
  static std::shared_ptr<TImage> gExplosionGfx;
  static std::shared_ptr<TImage> gSkidCloudGfx;
  static std::shared_ptr<TImage> gSkidCloud2Gfx;
  static std::shared_ptr<TImage> gOilGfx;
  static std::shared_ptr<TImage> gSmoke1Gfx;
  static std::shared_ptr<TImage> gSmoke2Gfx;
  static std::shared_ptr<TSound> gExplosionSound;
  static std::shared_ptr<TProp> gStartBanner;
  static int gInTunnel;

  int update(float dz) override;
  int deactivate() override;
  int draw() override;
  int isOil() override;
  int isTunnelStart() override;
  float receiveHit(float speed, float z, float length) override;
  int hittable() override;

  static std::shared_ptr<TProp> Create(float z, float x, int type);
  static int loadGraphics();
  static int loadSounds();
  virtual int setChain(int count, float dz);

private:
  int drawTunnelFrame();
  int playExplosionSound();
};
