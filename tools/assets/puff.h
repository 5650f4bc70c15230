// Round, lit clumps (clouds, smoke, skid dust): circles shaded as the tops
// of spheres and quantised into a few flat bands.
#pragma once

#include <vector>

#include "canvas.h"

struct Ball {
  float x, y, r;
};

struct PuffStyle {
  std::vector<Color> bands;  // dark to light
  float alpha = 1.0f;        // opacity of the body
  float edgeSoftness = 0.0f; // pixels of alpha fall-off at the rim
  float floorY = 1e9f;       // everything below is cut away (flat-bottomed clouds)
};

void drawPuff(Canvas& c, const std::vector<Ball>& balls, const PuffStyle& style);
std::vector<Ball> randomBalls(int count, float w, float h, float rMin, float rMax, unsigned seed);
