// One scrolling layer of distant scenery, drawn as two copies side by side.
#pragma once

#include <memory>
#include <vector>

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
  // The same picture as draw() under alpha blending, cheaper: each strip of
  // columns skips its clear rows at the top, blends only its edge band and
  // draws the rest opaque. Nothing is drawn at or below screen row clipY.
  virtual int drawInParts(float clipY);
  // The screen row from which this layer covers the whole width opaquely:
  // what lies behind it there need not be drawn.
  virtual float opaqueFromY();

  // Per strip of STRIP columns of fGfx: first row that is not wholly clear,
  // first row from which all is opaque (each with a margin for filtering).
  static constexpr int STRIP = 100;
  std::vector<int> fClearRows;
  std::vector<int> fOpaqueRows;
  int fOpaqueFrom = 0;  // row from which every strip is opaque

private:
  void findParts();
  void drawPosition(float& drawX, float& y);
};
