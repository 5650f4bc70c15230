// One frame of the game: letter-box, sky, the road projection interleaved
// with everything standing on the road, and the screens drawn over it.
#include "game/TGameMode.h"

#include <algorithm>
#include <cmath>

#include "cars/TCar.h"
#include "engine/aspect.h"
#include "engine/clock.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/system.h"
#include "game/MainLoop.h"
#include "game/TConstants.h"
#include "track/TSegment.h"
#include "world/TCloud.h"
#include "world/TEntity.h"
#include "world/THorizon.h"

// The lists may hand out their ends as owning or as plain pointers.
template <class T> static T* rawPointer(T* p) { return p; }
template <class T> static T* rawPointer(const std::shared_ptr<T>& p) { return p.get(); }

int TGameMode::updateTextureOffset(float speed) {
  gTextureOffset += speed;
  if (gTextureOffset > 4) gTextureOffset -= 4;
  return 0;
}

// Screen row and road centre of every line, hidden ones included, as the
// line pass found them: where an entity carried forward is drawn.
static float gLineY[TGameMode::LINE_COUNT];
static float gLineX[TGameMode::LINE_COUNT];
// Whether each line is in a tunnel as the ticks place the road (0 where a
// crest hides it), and whether this frame's road is drawn elsewhere.
static int gTickTunnel[TGameMode::LINE_COUNT];
static bool gFrameCarried = false;

// The frame shows the world gTickFraction of a tick after the last tick:
// the road ahead by that share of the last tick's advance. The lead never
// lets the road slide back behind the previous frame (a crash stops the
// world within one tick); it is 0 whenever the fraction is.
int TGameMode::updateDrawLead() {
  const bool moved = gState == STATE_ACTION && gRoadMoveTick + 1 == gTickCount;
  const float f = moved ? gTickFraction : 0.0f;
  double lead = static_cast<double>(f) * gLastMoveZ;
  if (gDrawnDistance - gWorldDistance > lead) lead = gDrawnDistance - gWorldDistance;
  gDrawLead = static_cast<float>(lead);
  gDrawnDistance = gWorldDistance + gDrawLead;
  gDrawPlayerX = f == 0 ? gPlayerX : static_cast<float>(gPlayerX + static_cast<double>(f) * gLastMoveX);
  gDrawHorizonYLead = static_cast<float>(static_cast<double>(f) * gLastMoveHorizonY);
  return 0;
}

// Every entity comes nearer with the road; a car also by f of its own
// speed's share of its last move.
float TGameMode::drawDepth(const TEntity& entity) {
  if (gDrawLead == 0 && gTickFraction == 0) return entity.fZ;
  double z = static_cast<double>(entity.fZ) - gDrawLead;
  if (gRoadMoveTick + 1 == gTickCount && entity.fActive && const_cast<TEntity&>(entity).isCar())
    z += static_cast<double>(gTickFraction) * ((entity.fZ - entity.fOldZ) + gLastMoveZ);
  return static_cast<float>(z);
}

// Screen line of the farthest road row in sight (the road covers all below).
static int roadTopY() {
  int top = SCREEN_HEIGHT;
  for (const TRoadLine& row : TGameMode::gRoadLines)
    if (row.visible && row.y < top) top = row.y;
  return top;
}

int TGameMode::drawHorizons() {
  // Split into parts only as blended: that is how the race draws them.
  if (gPlainDraw || GetBlend() != BLEND_ALPHA) {
    for (auto* horizon : {&gHorizon1, &gHorizon2, &gHorizon3}) {
      if (*horizon) (*horizon)->draw();
    }
    return 0;
  }
  // Far to near, each clipped above where a nearer one is wholly opaque.
  THorizon* layers[3] = {gHorizon1.get(), gHorizon2.get(), gHorizon3.get()};
  for (int i = 0; i < 3; ++i) {
    if (!layers[i]) continue;
    float clipY = 1e9f;
    for (int k = i + 1; k < 3; ++k)
      if (layers[k]) clipY = std::min(clipY, layers[k]->opaqueFromY());
    layers[i]->drawInParts(clipY);
  }
  return 0;
}

int TGameMode::draw() {
  // A race standing still is drawn a few times a second, so a paused game
  // costs next to nothing.
  if (gPauseActive) {
    if (MilliSecsDiff(MilliSecs(), gPausedFrameMS) < PAUSED_FRAME_MS) return 0;
    gPausedFrameMS = MilliSecs();
  }
  drawFrame();
  FlipFrame(-1);
  return 0;
}

int TGameMode::drawFrame() {
  // The plain way draws each image just as asked.
  gDrawShortcuts = !gPlainDraw;
  SetDrawPass(PASS_CLEAR);
  // The borders' clear ends with the picture cleared in the same colour.
  AspectDrawBorders();
  if (gPlainDraw) Cls();
  SetDrawPass(PASS_HUD);
  if (gState == STATE_TITLE) drawTitle();
  if (gState == STATE_START || gState == STATE_ACTION || gState == STATE_GAME_OVER) {
    buildRoadLines();
    // The road rows paint every pixel below the top one, so the sky is
    // clipped to above it: software rendering pays for each hidden pixel.
    int x, y, w, h;
    GetViewport(x, y, w, h);
    AspectSetViewport(Int(gAspectOffsetX), Int(gAspectOffsetY), SCREEN_WIDTH, roadTopY() + 2);
    SetDrawPass(PASS_HORIZONS);
    drawHorizons();
    SetDrawPass(PASS_CLOUDS);
    TCloud::drawAll();
    SetViewport(x, y, w, h);
    SetDrawPass(PASS_TUNNEL);
    drawTunnelMouth();
    drawRoadAndEntities();
    SetDrawPass(PASS_HUD);
  }
  // The pause dims the scene but leaves the HUD bright above it.
  if (gPauseActive) drawPause();
  if (gState == STATE_START || gState == STATE_ACTION) drawHUD();
  if (gState == STATE_GAME_OVER) drawGameOver();
  if (!gWindowed) {
    // Covers the column left of the picture that scaling can leave unpainted.
    SetColor(0, 0, 0);
    DrawRect(-1, 0, 1, SCREEN_HEIGHT);
  }
  return 0;
}

// fmod(v, 4) without libm's general loop (a tenth of a headless frame):
// v / 4 is exact, and so is v less the multiple of 4 toward zero from it,
// so the value is fmod's (a zero may come out +0 where fmod gives -0).
static double remainderOf4(double v) { return v - 4.0 * std::trunc(v / 4.0); }

// One walk up the screen along the road: the screen row and centre of
// the current line, the highest row so far, and the segment under it.
struct RoadWalk {
  float y = 600, topY = 601;
  float x, xStep;
  float bend = 0, hill = 0;
  TSegment* seg;

  RoadWalk(float playerX, TSegment* first)
      : x(static_cast<float>(400.0 - static_cast<double>(playerX) * TGameMode::gScaleMap[1])),
        xStep(static_cast<float>((400.0 - x) / 300.0)),
        seg(first) {}

  // The segment a line at depth z lies on, the road carried lead nearer.
  void enter(float z, float lead) {
    if (!seg) return;
    TSegment* next = rawPointer(seg->fNext);
    if (next && z > next->fZ - lead) seg = next;
  }

  // On to the next line up: hills lift it, bends shift it.
  void step(float z, double depthFactor) {
    if (y < topY) topY = y;
    double fDY = seg ? seg->fDY : 0.0;
    double fDX = seg ? seg->fDX : 0.0;
    hill = static_cast<float>(hill + fDY * z * (z / 5.0) * depthFactor);
    y = static_cast<float>(y - (1.0 + hill));
    bend = static_cast<float>(bend + fDX * z * (z / 10.0) * (depthFactor * 1.2));
    x = static_cast<float>(x + static_cast<double>(bend));
    x = static_cast<float>(x + static_cast<double>(xStep));
  }
};

// The line pass, near to far: where each road line lands on screen, which
// lines a crest hides, and the line every object stands on.
int TGameMode::buildRoadLines() {
  updateDrawLead();
  // Two walks in step: the drawn road (carried forward by gDrawLead and
  // gDrawPlayerX) and the ticks' own, which places the entities for the
  // logic and whose bend and hill they take. They are the same road
  // whenever nothing is carried.
  const float lead = gDrawLead;
  const bool carried = lead != 0 || gDrawPlayerX != gPlayerX;
  gFrameCarried = carried;
  RoadWalk drawn(gDrawPlayerX, rawPointer(TSegment::gFirstSegment));
  RoadWalk ticksOwn(gPlayerX, drawn.seg);
  // Nothing carried: the ticks' walk would be the drawn one step for step.
  RoadWalk& ticks = carried ? ticksOwn : drawn;
  int prevRowY = 601;  // the screen row of the line below
  TEntity* ent = rawPointer(TEntity::gFirstEntity);
  for (int i = 0; i < LINE_COUNT; ++i) {
    TRoadLine& row = gRoadLines[i];
    row = TRoadLine{};
    float z = gZMap[i];
    row.z = z;
    drawn.enter(z, lead);
    if (carried) ticks.enter(z, 0);
    const float y = drawn.y, x = drawn.x;
    const int rowY = Int(y);
    gLineY[i] = y;
    gLineX[i] = x;
    while (ent && ent->fZ < z) {
      ent->fScreenY = ticks.y;
      ent->fRoadX = ticks.x;
      ent->fScale = gScaleMap[i];
      if (ticks.seg) {
        ent->setSegmentDX(ticks.seg->fDX, ticks.seg->fDXFraction);
        ent->setSegmentDY(ticks.seg->fDY);
      }
      ent = rawPointer(ent->fNext);
    }
    if (y < drawn.topY) {
      row.visible = 1;
      row.y = rowY;
      row.x = x;
      row.scale = gScaleMap[i];
      row.slope = drawn.hill;
      row.height = rowY < prevRowY - 1 ? prevRowY - rowY : 1;
      double p = remainderOf4(static_cast<double>(z) + gTextureOffset + lead);
      row.grassGreen = p > 2.0 ? 110 : 100;
      row.roadFrame = p > 2.0 ? 0 : 1;
      row.tunnel = drawn.seg ? drawn.seg->fTunnel : 0;
      if (row.tunnel) row.grassGreen = 0;
    }
    gTickTunnel[i] = ticks.y < ticks.topY && ticks.seg ? ticks.seg->fTunnel : 0;
    prevRowY = rowY;
    const double depthFactor = static_cast<double>(gScaleMap[0]) - gScaleMap[i];
    drawn.step(z, depthFactor);
    if (carried) ticks.step(z, depthFactor);
  }
  return 0;
}

// Hides the far end of the road while a tunnel lies ahead.
int TGameMode::drawTunnelMouth() {
  if (!TSegment::gLastSegment || !TSegment::gLastSegment->fTunnel) return 0;
  float farScale = gScaleMap[LINE_COUNT - 1];
  SetScale(1, 1);
  SetColor(0, 0, 0);
  DrawRect(0, static_cast<float>(300.0 + gHorizonYOffset + gDrawHorizonYLead - 300.0 * farScale - 5.0), SCREEN_WIDTH,
           static_cast<float>(300.0 * farScale + 10.0));
  return 0;
}

// Draws an entity where it stands at this frame's moment: on the line its
// carried-forward depth falls in, a car also sideways by f of its last
// move. The ticks' own placement is put back afterwards for the logic.
static void drawCarriedForward(TEntity& ent) {
  const float z = TGameMode::drawDepth(ent);
  const bool car = TGameMode::gRoadMoveTick + 1 == gTickCount && ent.isCar();
  const float x = car ? static_cast<float>(ent.fX + static_cast<double>(gTickFraction) * (ent.fX - ent.fOldX)) : ent.fX;
  if (!gFrameCarried && z == ent.fZ && x == ent.fX) {
    ent.drawShadow();
    ent.draw();
    return;
  }
  const float screenY = ent.fScreenY, roadX = ent.fRoadX, scale = ent.fScale, tickX = ent.fX;
  TCar* asCar = ent.isCar() ? static_cast<TCar*>(&ent) : nullptr;
  const float rearL = asCar ? asCar->fDrawRearLWheelX : 0, rearR = asCar ? asCar->fDrawRearRWheelX : 0;
  const float* zMap = TGameMode::gZMap;
  const int line = static_cast<int>(std::upper_bound(zMap, zMap + TGameMode::LINE_COUNT, z) - zMap);
  if (line < TGameMode::LINE_COUNT) {
    ent.fScreenY = gLineY[line];
    ent.fRoadX = gLineX[line];
    ent.fScale = TGameMode::gScaleMap[line];
  }
  ent.fX = x;
  ent.drawShadow();
  ent.draw();
  ent.fScreenY = screenY;
  ent.fRoadX = roadX;
  ent.fScale = scale;
  ent.fX = tickX;
  if (asCar) {
    asCar->fDrawRearLWheelX = rearL;
    asCar->fDrawRearRWheelX = rearR;
  }
}

// What the logic reads back from a frame (whether a car is in a tunnel,
// where a drifting car's rear wheels throw skid clouds) comes from the
// ticks' own placement, walked as a frame at f = 0 walks it, so the ticks
// run alike whatever moment the frame showed.
static void placeForTicks() {
  TEntity* ent = rawPointer(TEntity::gLastEntity);
  for (int j = TGameMode::LINE_COUNT - 1; j >= 0; --j) {
    while (ent && ent->fZ > TGameMode::gZMap[j]) {
      ent->setInTunnel(gTickTunnel[j]);
      if (ent->isCar()) static_cast<TCar*>(ent)->placeRearWheels();
      ent = ent->fPrevious;
    }
  }
}

// The draw pass, far to near: each object after every road line farther
// than it, so nearer road covers it.
int TGameMode::drawRoadAndEntities() {
  if (gPlainDraw) return drawRoadAndEntitiesPlain();
  // Software rendering shades a one-pixel-high quad at several times the
  // cost per pixel of a tall one. Lines that touch on screen and share a
  // grass colour, with nothing drawn between them, get one grass rectangle;
  // their road images follow it. The lines of a run never overlap, so this
  // is the same picture. The road image is opaque, so the grass is drawn
  // only beside the narrowest stretch of road in the run (a unit into it,
  // so that no pixel at an edge is left to rounding).
  int runTop = 0, runBottom = -1, runGreen = -1;
  int runFirst = 0, runLast = 1;  // line indices, far to near; empty while runLast > runFirst
  float runLeft = 0, runRight = SCREEN_WIDTH;  // road that every line of the run covers
  const float halfRoad = gRoadGfx ? ImageWidth(gRoadGfx) * 0.5f : 0;
  auto flush = [&] {
    if (runLast > runFirst) return;
    SetDrawPass(PASS_GRASS);
    SetScale(1, 1);
    SetColor(0, runGreen, 0);
    const float top = static_cast<float>(runTop), height = static_cast<float>(runBottom - runTop);
    const float left = std::floor(runLeft) + 1, right = std::ceil(runRight) - 1;
    if (right - left < 2) {
      DrawRect(0, top, SCREEN_WIDTH, height);
    } else {
      if (left > 0) DrawRect(0, top, std::min(left, static_cast<float>(SCREEN_WIDTH)), height);
      if (right < SCREEN_WIDTH) DrawRect(std::max(right, 0.0f), top, SCREEN_WIDTH - std::max(right, 0.0f), height);
    }
    SetDrawPass(PASS_ROAD);
    int tint = -1;  // the colour set for the run's road so far: 1 tunnel, 0 daylight
    for (int j = runFirst; j >= runLast; --j) {
      const TRoadLine& row = gRoadLines[j];
      if (!row.visible) continue;
      // Software GL samples a quad that comes straight after another road
      // line's quad in the same draw a texel off now and then when the
      // picture is scaled; after any other quad, as the plain way draws,
      // it does not. An empty quad before each line keeps that.
      // (A quad of no size: whatever the scale, all its corners are one point.)
      if (j != runFirst) DrawRect(0, static_cast<float>(row.y), 0, 0);
      SetScale(row.scale, 1);
      if (row.tunnel != tint) {
        tint = row.tunnel;
        if (tint) {
          SetColor(70, 80, 100);
        } else {
          SetColor(255, 255, 255);
        }
      }
      // A row at a time as the plain way: scaled, one tall quad can pick
      // the neighbouring texel where the plain rows do not.
      for (int k = 0; k < row.height; ++k) DrawImage(gRoadGfx, row.x, static_cast<float>(row.y + k), row.roadFrame);
    }
    runLast = runFirst + 1;
  };
  // Each object's depth at this moment, found once rather than at every line.
  TEntity* ent = rawPointer(TEntity::gLastEntity);
  float entZ = ent ? drawDepth(*ent) : 0;
  for (int j = LINE_COUNT - 1; j >= 0; --j) {
    const TRoadLine& row = gRoadLines[j];
    while (ent && entZ > row.z) {
      flush();
      ent->setSlope(row.slope);
      SetDrawPass(PASS_ENTITIES);
      drawCarriedForward(*ent);
      ent = ent->fPrevious;
      if (ent) entZ = drawDepth(*ent);
    }
    if (!row.visible) continue;
    const bool joins = runLast <= runFirst && row.grassGreen == runGreen && row.y == runBottom;
    if (!joins) {
      flush();
      runFirst = j;
      runTop = row.y;
      runGreen = row.grassGreen;
      runLeft = -1e9f;
      runRight = 1e9f;
    }
    if (halfRoad > 0) {
      runLeft = std::max(runLeft, row.x - halfRoad * row.scale);
      runRight = std::min(runRight, row.x + halfRoad * row.scale);
    } else {
      runRight = runLeft;
    }
    runLast = j;
    runBottom = row.y + row.height;
  }
  flush();
  placeForTicks();
  return 0;
}

// The draw pass as it was first written: a grass rectangle and a road
// image per pixel row for every line.
int TGameMode::drawRoadAndEntitiesPlain() {
  TEntity* ent = rawPointer(TEntity::gLastEntity);
  for (int j = LINE_COUNT - 1; j >= 0; --j) {
    const TRoadLine& row = gRoadLines[j];
    while (ent && drawDepth(*ent) > row.z) {
      ent->setSlope(row.slope);
      SetDrawPass(PASS_ENTITIES);
      drawCarriedForward(*ent);
      ent = ent->fPrevious;
    }
    if (!row.visible) continue;
    SetDrawPass(PASS_GRASS);
    SetScale(1, 1);
    SetColor(0, row.grassGreen, 0);
    DrawRect(0, static_cast<float>(row.y), SCREEN_WIDTH, static_cast<float>(row.height));
    SetScale(row.scale, 1);
    if (row.tunnel) {
      SetColor(70, 80, 100);
    } else {
      SetColor(255, 255, 255);
    }
    SetDrawPass(PASS_ROAD);
    for (int k = 1; k <= row.height; ++k) {
      DrawImage(gRoadGfx, row.x, static_cast<float>(row.y + k - 1), row.roadFrame);
    }
  }
  placeForTicks();
  return 0;
}
