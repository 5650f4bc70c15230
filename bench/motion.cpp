// Evenness of motion: a race at top speed on a straight, headless, with the
// clock held. Frames are presented at a display's rate (the soft sync's
// 60 Hz slots, or a simulated 144 Hz vertical sync); each pass runs the
// ticks pending at that moment and draws. Per frame it compares the road
// position the frame shows with where elapsed time x speed puts it: the
// largest deviation of one frame's advance, in % of the mean advance, with
// the tick fraction forced to 0 (every frame at its last tick) and with it.
// Usage: bench_motion [FRAMES]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "cars/TCar.h"
#include "engine/clock.h"
#include "engine/input.h"
#include "engine/sound.h"
#include "game/MainLoop.h"
#include "game/TGameMode.h"
#include "track/TSegment.h"
#include "world/TEntity.h"

namespace {

int gForceZero = 0;

// The race kept going, Up held, nothing to crash into.
int raceUpdate() {
  gKeyStates[KEY_UP] = 1;
  TGameMode::gCheckpointTime = 90;
  TGameMode::gEnemyTimer = 1e9f;
  return TGameMode::update();
}

// The frame as drawn; before, the fraction is forced to 0.
int drawFrame() {
  if (gForceZero) gTickFraction = 0;
  return TGameMode::draw();
}

// One long straight, flat segment with the player alone on it.
void straightTrack() {
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    if (e != TGameMode::gPlayerCar.get()) e->deactivate();
  TEntity::removeInactive();
  auto seg = TSegment::Create(0, 0, 0, 1e6f, 0);
  TSegment::gFirstSegment = seg;
  TSegment::gLastSegment = seg;
}

struct Figure {
  double worst;  // largest deviation, % of the mean advance
  double mean;   // mean advance per frame
  int frames;
};

// Frames presented at `hertz` at their exact moments (16.667 ms apart at
// 60 Hz, 6.944 ms at 144 Hz, to the microsecond), each pass running the
// ticks pending then; each frame's advance against true elapsed time x
// speed.
Figure run(int hertz, int frames, int forceZero) {
  gForceZero = forceZero;
  TGameMode::switchToState(TGameMode::STATE_TITLE);
  const int clock = 1000000;
  SetTestClock(clock);
  gKeyHits[KEY_SPACE] = 1;
  while (TGameMode::gState != TGameMode::STATE_ACTION) raceUpdate();
  straightTrack();
  for (int i = 0; i < 12000; ++i) raceUpdate();  // a minute: top speed
  gLastTime = clock / 5;
  const long long start = static_cast<long long>(clock) * 1000;
  double shownBefore = 0, speedBefore = 0;
  long long timeBefore = 0;
  double sumAdvance = 0;
  // Per frame: the road it advanced, and elapsed time x speed (the speed
  // still creeps up in the last per cent, so the frame's own average).
  std::vector<double> advance(frames), expected(frames);
  for (int k = 0; k <= frames; ++k) {
    const long long now = start + std::llround(static_cast<double>(k) * 1e6 / hertz);
    SetTestClockMicros(now);
    runTickPass(takePendingTicks(), raceUpdate, drawFrame);
    const double shown = TGameMode::gDrawnDistance;
    if (k > 0) {
      advance[k - 1] = shown - shownBefore;
      expected[k - 1] = static_cast<double>(now - timeBefore) / 5000.0 * (speedBefore + TGameMode::gPlayerSpeed) / 2;
      sumAdvance += advance[k - 1];
    }
    shownBefore = shown;
    timeBefore = now;
    speedBefore = TGameMode::gPlayerSpeed;
  }
  Figure f{0, sumAdvance / frames, frames};
  for (int k = 0; k < frames; ++k) {
    double dev = std::fabs(advance[k] - expected[k]) / f.mean * 100;
    if (dev > f.worst) f.worst = dev;
  }
  ReleaseTestClock();
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
  SetAudioDriver("Null");
  TGameMode::loadGraphics();
  TGameMode::init();
  Figure before60 = run(60, frames, 1), after60 = run(60, frames, 0);
  Figure before144 = run(144, frames, 1), after144 = run(144, frames, 0);
  // Other displays' rates, with the fraction only.
  Figure at50 = run(50, frames, 0), at75 = run(75, frames, 0), at120 = run(120, frames, 0);
  std::printf(
      "motion: largest deviation of a frame's road advance from true elapsed time x speed, top speed on a straight "
      "(%d frames each, presented at exact moments): 60 Hz soft sync %.1f %% before (tick fraction 0), %.2f %% after; "
      "simulated 144 Hz %.1f %% before, %.2f %% after (target <= 2 %%); after at 50 / 75 / 120 Hz: %.2f / %.2f / %.2f %%\n",
      frames, before60.worst, after60.worst, before144.worst, after144.worst, at50.worst, at75.worst, at120.worst);
  return 0;
}
