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

// Frames presented at `hertz`, the slot times whole milliseconds as the
// soft sync makes them.
Figure run(int hertz, int frames, int forceZero) {
  gForceZero = forceZero;
  TGameMode::switchToState(TGameMode::STATE_TITLE);
  int clock = 1000000;
  SetTestClock(clock);
  gKeyHits[KEY_SPACE] = 1;
  while (TGameMode::gState != TGameMode::STATE_ACTION) raceUpdate();
  straightTrack();
  for (int i = 0; i < 12000; ++i) raceUpdate();  // a minute: top speed
  gLastTime = clock / 5;
  const int start = clock;
  double shownBefore = 0, timeBefore = 0, speedBefore = 0;
  double sumAdvance = 0;
  // Per frame: the road it advanced, and elapsed time x speed (the speed
  // still creeps up in the last per cent, so the frame's own average).
  std::vector<double> advance(frames), expected(frames);
  for (int k = 0; k <= frames; ++k) {
    const int now = start + static_cast<int>(static_cast<long long>(k) * 1000 / hertz);
    SetTestClock(now);
    runTickPass(takePendingTicks(), raceUpdate, drawFrame);
    const double shown = TGameMode::gDrawnDistance;
    if (k > 0) {
      advance[k - 1] = shown - shownBefore;
      expected[k - 1] = (now - timeBefore) * (speedBefore + TGameMode::gPlayerSpeed) / 2 / 5.0;
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
  std::printf(
      "motion: largest deviation of a frame's road advance from elapsed time x speed, top speed on a straight "
      "(%d frames each): 60 Hz soft sync %.1f %% before (tick fraction 0), %.2f %% after; "
      "simulated 144 Hz %.1f %% before, %.2f %% after (target <= 2 %%)\n",
      frames, before60.worst, after60.worst, before144.worst, after144.worst);
  return 0;
}
