// Tick arithmetic of the main loop, kept apart from main() so it can be
// driven with any clock readings.
#include "game/MainLoop.h"

#include "engine/clock.h"

int gContinue = 0;
int gTempMS = 0;
int gLastTime = 0;
int gNumTicks = 0;
int gLastNumTicks = 1;

int pollTickClock(int tempMS) {
  gTempMS = tempMS;
  if (gTempMS < gLastTime) gLastTime = gTempMS - gLastNumTicks;
  gNumTicks = gTempMS - gLastTime;
  return gNumTicks;
}

int beginTickPass() {
  gLastTime = gTempMS;
  if (gNumTicks > 20) gNumTicks = gLastNumTicks;
  gLastNumTicks = gNumTicks;
  return gNumTicks;
}

int waitForTicks() {
  while (pollTickClock(MilliSecs() / 5) <= 0) {
    // Sleep until the next 5 ms boundary instead of burning a core.
    long long due = (static_cast<long long>(gLastTime) + 1) * 5 - MilliSecs();
    Delay(due > 0 && due <= 5 ? static_cast<int>(due) : 1);
  }
  return beginTickPass();
}

int runTickPass(int numTicks, int (*update)(), int (*draw)()) {
  int result = 1;
  for (int tick = 1; tick <= numTicks; ++tick) {
    result = update();
    if (result == 0) break;
  }
  draw();
  return result;
}
