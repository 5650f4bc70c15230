// Score keeping: the hi-score follows the score upwards as soon as it passes.
#include "game/TScore.h"

int TScore::gScore = 0;
int TScore::gHiScore = 0;

int TScore::reset() {
  gScore = 0;
  return 0;
}

int TScore::add(int points) {
  gScore += points;
  if (gScore > gHiScore) gHiScore = gScore;
  return 0;
}
