// How a car looks and sounds: assembled each frame from coloured blocks,
// tinted wheel images, a shadow and the exhaust flash; an engine note of
// five gears with a pitch shift for opponents coming and going.
#include <algorithm>
#include <cmath>

#include "cars/TCar.h"
#include "engine/drawing.h"
#include "engine/sound.h"
#include "engine/system.h"
#include "game/MainLoop.h"

float TCar::rearShift(float x0, float steer) const {
  // A car left of the screen centre shows its right side, and the other way round.
  float persp = (400 - x0) / 400 * 20;
  return persp + steer * 2 + fDriftFraction * 5;
}

int TCar::placeRearWheels() {
  const float shift = rearShift(fRoadX + fScale * fX, fSteer);
  fDrawRearLWheelX = 68 + shift;
  fDrawRearRWheelX = 68 - shift;
  return 0;
}

int TCar::draw() {
  float s = fScale;
  float x0 = fRoadX + s * fX;
  float y0 = fScreenY - 20 * s;
  if (fJumping) y0 -= fJumpY * s;
  // A car left of the screen centre shows its right side, and the other way round.
  float persp = (400 - x0) / 400 * 20;
  // The steering at the frame's moment: f of the last tick's change on.
  float steer = fSteer;
  if (gTickFraction != 0 && fMoveTick + 1 == gTickCount)
    steer = static_cast<float>(steer + static_cast<double>(gTickFraction) * (fSteer - fOldSteer));
  float frontShift = persp + steer * 4 + fDriftFraction * 5;
  const float rear = rearShift(x0, steer);
  float frontWheelY =
      MAX_FRONT_WHEEL_OFFSET_Y - (1 - s) * (MAX_FRONT_WHEEL_OFFSET_Y - MIN_FRONT_WHEEL_OFFSET_Y);
  float leftBump = fLeftWheelBump ? fSideBumpTime * 2 : 0;
  float rightBump = fRightWheelBump ? fSideBumpTime * 2 : 0;
  // Only a climb is limited; a falling road lowers the front wheels freely.
  float slopeLift = std::min(fSlope * SLOPE_TO_FRONT_WHEEL_DY_FACTOR,
                             static_cast<float>(MAX_FRONT_WHEEL_DY_FACTOR));
  float rot = -steer * fSpeed * 1.5f * (1 + fDriftFraction / 2);
  float wingWidth = 80 * fWingWidthModifier;
  float wingY = -26 * fWingYOffsetModifier;

  SetScale(s, s);
  drawWheel(gWheelFrontGfx, x0 - (56 - frontShift) * s, y0 - (frontWheelY + leftBump + slopeLift) * s,
            gWheelFrontWidth, gWheelFrontHeight);
  drawWheel(gWheelFrontGfx, x0 + (56 + frontShift) * s, y0 - (frontWheelY + rightBump + slopeLift) * s,
            gWheelFrontWidth, gWheelFrontHeight);

  SetColor(fColorR / 2, fColorG / 2, fColorB / 2);
  DrawRect(x0 - (36 - frontShift) * s, y0 - 28 * s, 72, 8);

  SetRotation(rot);
  SetHandle(40, 15);
  if (fGolden) {
    // The golden car flashes between gold and white; the shades follow.
    fColorR = 255;
    fColorG = fGoldenColorTimer > 7 ? 200 : 255;
    fColorB = fGoldenColorTimer > 7 ? 0 : 255;
  }
  SetColor(fColorR, fColorG, fColorB);
  DrawRect(x0, y0 - 5 * s, 80, 30);
  SetHandle(0, 0);
  SetRotation(0);

  SetRotation(rot);
  SetHandle(25, 10);
  SetColor(fColorR / 2, fColorG / 2, fColorB / 2);
  DrawRect(x0 - rear * s, y0 - 2 * s, 50, 20);
  SetHandle(0, 0);
  SetRotation(0);

  fDrawRearLWheelX = 68 + rear;
  fDrawRearRWheelX = 68 - rear;
  drawWheel(gWheelRearGfx, x0 - fDrawRearLWheelX * s, y0 - leftBump * s, gWheelRearWidth,
            gWheelRearHeight);
  drawWheel(gWheelRearGfx, x0 + fDrawRearRWheelX * s, y0 - rightBump * s, gWheelRearWidth,
            gWheelRearHeight);

  SetColor(40, 40, 40);
  DrawRect(x0 - (4 + rear) * s, y0 - 6 * s + wingY * s, 8, 20);

  SetRotation(rot);
  SetHandle(wingWidth / 2, 3);
  SetColor(2 * fColorR, 2 * fColorG, 2 * fColorB);
  DrawRect(x0 - rear * s, y0 - 3 * s + wingY * s, wingWidth, 6);
  SetHandle(0, 0);
  SetRotation(0);

  // The flash stays on the road line, even in a jump.
  if (fExhaustFlashScale > 0) {
    SetScale(fExhaustFlashScale * s, fExhaustFlashScale * s);
    SetColor(255, 255, 255);
    DrawImage(gExhaustFlashGfx, x0, fScreenY - 25 * s, 0);
  }
  return 0;
}

int TCar::drawWheel(const std::shared_ptr<TImage>& image, float x, float y, int width,
                    int height) {
  float s = fScale;
  int c = Int(fWheelColor);
  SetColor(c, c, c);
  // Centred on (x, y) whatever the image's own handle.
  DrawImage(image, x - (width / 2) * s, y - (height / 2) * s, 0);
  return 0;
}

int TCar::updateWheelColor() {
  // The tint cycles faster with speed, so the wheels seem to turn.
  fWheelColor -= std::min(fSpeed, 0.15f) * 50;
  if (fWheelColor < 0) fWheelColor = 150;
  return 0;
}

int TCar::drawShadow() {
  float s = fScale;
  SetScale(s, s);
  SetBlend(BLEND_ALPHA);
  SetAlpha(0.2f);
  DrawImage(gCarShadowGfx, fRoadX + s * fX, fScreenY - 16 * s, 0);
  SetBlend(BLEND_MASK);
  SetAlpha(1);
  return 0;
}

int TCar::updateEngineSound() {
  float gearSpan = fTopSpeed / GEARS;
  int gear = std::min(Int(fSpeed / fTopSpeed * GEARS), GEARS - 1);
  float frac = (fSpeed - gear * gearSpan) / gearSpan;
  float rate = 0.8f * (gear + 1) + 2.8f * frac;
  if (fJumping) rate *= 1.5f;

  if (fHuman) {
    if (fChnEngine1) fChnEngine1->SetRate(rate);
    if (fChnEngine2) fChnEngine2->SetRate(rate);
    return 0;
  }

  rate *= fSoundRateModifier;
  // Higher while coming closer, six times more than lower while going away.
  float d = std::fabs(PLAYER_Z - fZ);
  if (d < fDistanceToPlayer) {
    rate += (fDistanceToPlayer - d) * 6;
  } else {
    rate -= d - fDistanceToPlayer;
  }
  if (fChnEngine1) fChnEngine1->SetRate(rate);
  fDistanceToPlayer = d;

  // Audible within the distance at which a car is retired behind the player.
  float range = std::fabs(gRearRemovalZ - PLAYER_Z);
  float volume = range > 0 ? 1 - d / range : 0;
  if (volume < 0) volume = 0;
  if (fChnEngine1) fChnEngine1->SetVolume(volume * 0.2f);
  return 0;
}
