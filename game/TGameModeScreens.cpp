// What the player reads: the title screen, the head-up display, the
// game-over screen and the pause.
#include "game/TGameMode.h"

#include "cars/TCar.h"
#include "engine/drawing.h"
#include "engine/fonts.h"
#include "engine/images.h"
#include "engine/system.h"
#include "game/TScore.h"

// The layout assumes fixed-width digits: 14 px in the small font, 42 in the large.
static constexpr int SMALL_CHAR_WIDTH = 14;
static constexpr int LARGE_CHAR_WIDTH = 42;

int TGameMode::centredTextX(int centreX, const std::string& text, int charWidth) {
  return centreX - static_cast<int>(text.size()) * charWidth / 2;
}

std::string TGameMode::speedText() {
  if (!gPlayerCar) return "0";
  return std::to_string(Int(gPlayerCar->fSpeed / 0.325f * 350.0f));
}

int TGameMode::drawTitle() {
  SetScale(1, 1);
  SetAlpha(1);
  SetBlend(BLEND_ALPHA);
  SetColor(255, 255, 255);
  SetImageFont(gLargeFont);
  DrawText("VELMORA", 155, 40);
  SetImageFont(gSmallFont);
  DrawText("a velmora team production", 225, 130);
  DrawText("music: the velmora synths", 225, 170);
  DrawText("6 laps = bronze", 80, 235);
  DrawText("7 laps = silver", 80, 275);
  DrawText("8 laps = gold", 80, 315);
  for (int frame = 0; frame < 3; ++frame) DrawImage(gTrophyGfx, 310, static_cast<float>(235 + 40 * frame), frame);
  SetColor(155, 155, 255);
  DrawText("controls: arrow keys", 400, 235);
  DrawText("w = full screen / windowed", 400, 275);
  DrawText("m = music on / off", 400, 315);
  SetColor(255, 255, 0);
  DrawText("press left-right to select car", 190, 365);
  DrawText("press space or up-arrow to start", 170, 490);
  SetColor(255, 255, 255);
  for (int c = 0; c < 4; ++c) {
    DrawImage(gSelectCarGfx, static_cast<float>(160 + 125 * c), 420, c);
    if (c == gPlayerCarColor) DrawImage(gSelectCarRectGfx, static_cast<float>(155 + 125 * c), 415, 0);
  }
  DrawText("velmora games 2026", 270, 550);
  return 0;
}

int TGameMode::drawHUD() {
  SetScale(1, 1);
  SetColor(255, 255, 255);
  SetImageFont(gSmallFont);
  SetBlend(BLEND_ALPHA);
  DrawText("SCORE", 515, 20);
  std::string score = std::to_string(TScore::gScore);
  DrawText(score, static_cast<float>(centredTextX(550, score, SMALL_CHAR_WIDTH)), 50);
  DrawText("HI-SCORE", 174, 20);
  std::string hiScore = std::to_string(TScore::gHiScore);
  DrawText(hiScore, static_cast<float>(centredTextX(230, hiScore, SMALL_CHAR_WIDTH)), 50);
  if (gTrophy >= TROPHY_BRONZE && gTrophy <= TROPHY_GOLD) DrawImage(gTrophyGfx, 72, 85, gTrophy);
  SetColor(120, 230, 255);
  DrawText("LAPS", 52, 20);
  std::string laps = std::to_string(gLaps);
  DrawText(laps, static_cast<float>(centredTextX(80, laps, SMALL_CHAR_WIDTH)), 50);
  DrawText("SPEED", 675, 20);
  std::string speed = speedText();
  DrawText(speed, static_cast<float>(690 - static_cast<int>(speed.size()) * SMALL_CHAR_WIDTH), 50);
  DrawText(" km/h", 710, 50);
  SetColor(255, 255, 0);
  DrawText("TIME", 372, 20);
  std::string time = std::to_string(gCheckpointTime);
  if (gCheckpointTime > 10) {
    DrawText(time, static_cast<float>(centredTextX(400, time, SMALL_CHAR_WIDTH)), 50);
  } else {
    // The last ten seconds in big digits.
    SetImageFont(gLargeFont);
    DrawText(time, static_cast<float>(centredTextX(400, time, LARGE_CHAR_WIDTH)), 40);
  }
  return 0;
}

int TGameMode::drawGameOver() {
  SetScale(1, 1);
  SetAlpha(gGameOverFade);
  SetBlend(BLEND_ALPHA);
  SetColor(0, 0, 0);
  DrawRect(0, 0, 800, 600);
  SetAlpha(1);
  drawHUD();
  SetAlpha(gGameOverFade);
  SetImageFont(gLargeFont);
  SetColor(255, 255, 255);
  if (gTrophy == TROPHY_GOLD) {
    DrawText("GAME COMPLETED", 55, 180);
  } else {
    DrawText("GAME OVER", 185, 180);
  }
  SetImageFont(gSmallFont);
  if (gTrophy >= TROPHY_BRONZE && gTrophy <= TROPHY_GOLD) {
    static const char* const cupNames[] = {"bronze", "silver", "gold"};
    DrawImage(gTrophyGfx, static_cast<float>(400 - ImageWidth(gTrophyGfx) / 2), 300, gTrophy);
    DrawText(std::string("congratulations, you won the ") + cupNames[gTrophy] + " cup!", 130, 360);
  }
  SetAlpha(1);
  return 0;
}

// Over the race standing still: the scene dimmed, and how to go on.
int TGameMode::drawPause() {
  SetScale(1, 1);
  SetBlend(BLEND_ALPHA);
  SetColor(0, 0, 0);
  SetAlpha(0.4f);
  DrawRect(0, 0, 800, 600);
  // A darker band keeps the words clear of the road and the banners.
  SetAlpha(0.45f);
  DrawRect(0, 225, 800, 145);
  SetAlpha(1);
  SetImageFont(gLargeFont);
  SetColor(255, 255, 255);
  DrawText("PAUSED", static_cast<float>(centredTextX(400, "PAUSED", LARGE_CHAR_WIDTH)), 240);
  SetImageFont(gSmallFont);
  SetColor(255, 255, 0);
  DrawText("press p to continue", static_cast<float>(centredTextX(400, "press p to continue", SMALL_CHAR_WIDTH)), 330);
  return 0;
}
