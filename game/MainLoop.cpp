// Tick arithmetic of the main loop, kept apart from main() so it can be
// driven with any clock readings.
#include "game/MainLoop.h"

#include <cstdint>

#include "engine/clock.h"
#include "engine/display.h"

int gContinue = 0;
int gTempMS = 0;
int gLastTime = 0;
int gNumTicks = 0;
int gLastNumTicks = 1;
float gTickFraction = 0;
int gTickCount = 0;
int gPassPresented = 1;

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

int takePendingTicks() {
  if (pollTickClock(MilliSecs() / 5) <= 0) return 0;
  return beginTickPass();
}

int waitForPass(int paced) {
  // A pass that presented nothing (a paused race shows a few frames a
  // second) was not held by a swap or a slot: going round at once would spin.
  if (!paced || !gPassPresented) {
    SkipFrameSlot();
    return waitForTicks();
  }
  WaitFrameSlot();
  return takePendingTicks();
}

float measureTickFraction(int ms, int micros) {
  // gLastTime is the tick the pass caught up to; what the clock shows
  // beyond it is the share of the next tick already gone.
  long long since = static_cast<long long>(ms) - static_cast<long long>(gLastTime) * 5;
  // Below zero ms / 5 rounds toward zero: tick n runs from 5n - 4 to 5n.
  if (ms < 0) since += 4;
  since = since * 1000 + micros;
  if (since <= 0) return 0;
  if (since >= 5000) return 4095.0f / 4096.0f;
  return static_cast<float>(static_cast<double>(since) / 5000.0);
}

float measureTickFractionMicros(long long micros) {
  // Split as MilliSecs() splits it: whole ms rounded down, wrapped to 32 bits.
  const int sub = static_cast<int>(((micros % 1000) + 1000) % 1000);
  const int ms = static_cast<int>(static_cast<uint32_t>((micros - sub) / 1000));
  return measureTickFraction(ms, sub);
}

int runTickPass(int numTicks, int (*update)(), int (*draw)()) {
  int result = 1;
  for (int tick = 1; tick <= numTicks; ++tick) {
    result = update();
    ++gTickCount;
    if (result == 0) break;
  }
  gTickFraction = measureTickFractionMicros(MicroSecs());
  const int flips = gFlipCount;
  draw();
  gPassPresented = gFlipCount != flips;
  // Whatever draws outside the loop draws the ticks' own moment.
  gTickFraction = 0;
  return result;
}
