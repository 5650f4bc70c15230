// One scrolling layer of distant scenery, drawn as two copies side by side.
#pragma once

#include <memory>

class TImage;

class THorizon {
public:
  std::shared_ptr<TImage> fGfx;
  int fHorizonDrawOffset = 0;
  float fHorizonDrawX = 0;
  int fHorizonDrawY = 0;
  float fHorizonDrawDX = 0;
  float fHorizonDrawYOffset = 0;
  // The last update's change of height and the tick it ran in (gTickCount
  // then): drawing carries the layer forward only right after a move.
  float fHorizonDrawDYOffset = 0;
  int fMoveTick = -1;
  float fSpeed = 0;
  float fYOffsetFactor = 0;

  static std::shared_ptr<TImage> gHorizon1Gfx;
  static std::shared_ptr<TImage> gHorizon2Gfx;
  static std::shared_ptr<TImage> gHorizon3Gfx;

  virtual ~THorizon() = default;

  static int loadGraphics();
  static std::shared_ptr<THorizon> Create(std::shared_ptr<TImage> image, float speed);
  virtual int init();
  virtual int update(float bend, float yOffset, float speed);
  virtual int draw();
};
