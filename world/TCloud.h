// The clouds of the sky: a depth-sorted list drifting sideways with the
// bends and rising and falling with the hills.
#pragma once

#include <memory>

class TImage;

class TCloud : public std::enable_shared_from_this<TCloud> {
public:
  float fZ = 0;
  float fX = 0;
  float fScale = 0;
  std::shared_ptr<TImage> fGfx;
  int fHeight = 0;
  float fSpeed = 0;
  float fAlpha = 0;
  TCloud* fPrevious = nullptr;  // back-link, never owning
  std::shared_ptr<TCloud> fNext;

  static std::shared_ptr<TImage> gCloudGfx;
  static std::shared_ptr<TCloud> gFirstCloud;
  static std::shared_ptr<TCloud> gLastCloud;
  static float gCloudDX;
  static float gCloudYOffset;
  // The tick (gTickCount while it ran) the clouds last moved in: drawing
  // carries them forward by gCloudDX only right after a move.
  static int gMoveTick;
  // The last tick's change of gCloudYOffset, carried forward the same way.
  static float gCloudDYOffset;

  virtual ~TCloud() = default;

  static std::shared_ptr<TCloud> Create();
  static int loadGraphics();
  static int updateAll(float speed, float bend, float yOffset);
  static int drawAll();
  static int removeAll();
  virtual int addToListDepthSorted();
  virtual int update();
  virtual int draw();
};
