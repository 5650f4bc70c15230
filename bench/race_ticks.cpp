// Speed of a race: logic ticks per second with drawing a no-op (no window),
// then the cost of a title frame and of whole race frames with real drawing
// when a display is there.
// Usage: bench_race_ticks [W H [FRAMES [title|race|busy|passes [HERTZ]]]]  (default: 800x600 and 1920x1080)
// "passes" breaks the busy race frame down: each part's time and pixels;
// "busy-plain" is the busy frame drawn the plain way (TGameMode::gPlainDraw).
// TICKS=N in the environment shortens the headless race (for a profiler).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <thread>

#include "cars/TCar.h"
#include "engine/aspect.h"
#include "engine/display.h"
#include "engine/draw_recorder.h"
#include "engine/drawing.h"
#include "engine/input.h"
#include "engine/random.h"
#include "engine/sound.h"
#include "game/TGameMode.h"
#include "game/TScore.h"
#include "world/TEntity.h"
#include "world/TProp.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of every thread, the rasteriser's included; given
// CLOCK_THREAD_CPUTIME_ID, of the calling thread alone, on which software
// GL sets up and sorts every primitive while its rasteriser threads wait.
double processorSeconds(clockid_t clock = CLOCK_PROCESS_CPUTIME_ID) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Draws one frame and adds its wall-clock and processor time, and the
// processor time of the game's own thread.
void timedDraw(double& wall, double& processor, double& own) {
  double c0 = processorSeconds(), o0 = processorSeconds(CLOCK_THREAD_CPUTIME_ID);
  auto t0 = Clock::now();
  TGameMode::draw();
  wall += secondsSince(t0);
  processor += processorSeconds() - c0;
  own += processorSeconds(CLOCK_THREAD_CPUTIME_ID) - o0;
}

void printFrameCost(const char* what, int width, int height, double wall, double processor, double own,
                    int frames) {
  std::printf("%s at %dx%d: %.2f ms per draw() including the present, %.2f ms of processor time, "
              "%.2f ms of it on the game's thread (%d frames)\n",
              what, width, height, wall / frames * 1e3, processor / frames * 1e3, own / frames * 1e3, frames);
}

// Full throttle, swerving round the cars ahead.
void drive() {
  gKeyStates[KEY_UP] = 1;
  TCar* car = TGameMode::gPlayerCar.get();
  float x = car ? car->fX : 0;
  float target = 0;
  for (auto* e = TEntity::gFirstEntity.get(); e && car; e = e->fNext.get()) {
    if (e == car || !e->isCar() || e->fZ <= car->fZ || e->fZ > car->fZ + 15) continue;
    if (std::fabs(e->fX - x) < 230) target = e->fX > 0 ? -260.0f : 260.0f;
  }
  gKeyStates[KEY_LEFT] = x > target + 40;
  gKeyStates[KEY_RIGHT] = x < target - 40;
}

// Up held and no steering, as bench/run drives the real game.
void holdUp() {
  gKeyStates[KEY_UP] = 1;
  gKeyStates[KEY_LEFT] = gKeyStates[KEY_RIGHT] = 0;
}

// One racing tick with the wall clock simulated and the race kept going.
void raceTick(void (*keys)() = drive) {
  keys();
  TGameMode::gSecondStartMS -= 5;
  TGameMode::gCheckpointTime = 90;
  TGameMode::update();
}

void startRace() {
  TGameMode::switchToState(TGameMode::STATE_TITLE);
  gKeyHits[KEY_SPACE] = 1;
  while (TGameMode::gState != TGameMode::STATE_ACTION) TGameMode::update();
}

void headless() {
  TGameMode::loadGraphics();
  TGameMode::init();
  startRace();
  const char* shortened = std::getenv("TICKS");
  const int ticks = shortened ? std::max(1, std::atoi(shortened)) : 200 * 60 * 10;  // ten simulated minutes
  double updateTime = 0, drawTime = 0;
  for (int i = 0; i < ticks; ++i) {
    auto t0 = Clock::now();
    raceTick();
    auto t1 = Clock::now();
    TGameMode::draw();
    updateTime += std::chrono::duration<double>(t1 - t0).count();
    drawTime += secondsSince(t1);
  }
  std::printf("headless race: %d ticks, %.0f ticks/s of update()+draw() (update %.2f us, draw %.2f us per tick), "
              "%.0fx real time; laps %d, score %d\n",
              ticks, ticks / (updateTime + drawTime), updateTime / ticks * 1e6, drawTime / ticks * 1e6,
              ticks * 0.005 / (updateTime + drawTime), TGameMode::gLaps, TScore::gScore);
}

// Frames per second to pace the drawing at; 0 draws them back to back.
int gPaceHertz = 0;

// Opens a window of the given size (no refresh rate: frames are presented
// as soon as they are drawn), sets the scene up, then times `frames` frames,
// each after `between(frame)`. Paced, the loop sleeps between frames as the
// game does, so the drawing pays the same cold start after each sleep.
void frameCost(const char* what, int width, int height, int frames, const std::function<void()>& setUp,
               const std::function<void(int)>& between) {
  if (!OpenGraphics(width, height, 0, 0, 0)) DisplayUnavailable();
  AspectSetMode(800, 600, ASPECT_BORDERS | ASPECT_KEEP_RATIO);
  TGameMode::loadGraphics();
  setUp();
  double wall = 0, processor = 0, own = 0;
  auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    between(i);
    timedDraw(wall, processor, own);
    if (gPaceHertz > 0) std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * (i + 1) / gPaceHertz));
  }
  printFrameCost(what, width, height, wall, processor, own, frames);
  EndGraphics();
}

void windowed(int width, int height, int frames) {
  frameCost("race frame", width, height, frames,
            [] {
              startRace();
              for (int i = 0; i < 200; ++i) raceTick(holdUp);  // get going first
            },
            [](int) {
              for (int t = 0; t < 3; ++t) raceTick(holdUp);  // about 3 ticks per frame at 60 Hz
            });
}

// The title screen as the game draws it while waiting for a key.
void title(int width, int height, int frames) {
  frameCost("title frame", width, height, frames, [] { TGameMode::switchToState(TGameMode::STATE_TITLE); },
            [](int) {
              for (int t = 0; t < 3; ++t) TGameMode::update();
            });
}

// A busy frame: the player held back behind the grid of seven opponents,
// with explosions, smoke and skid clouds kept going between them.
void busyStep(int i) {
    gKeyStates[KEY_UP] = 0;
    if (i % 10 == 0) {
      float z = 8 + static_cast<float>(RndFloat(0, 12));
      float x = static_cast<float>(RndFloat(-300, 300));
      TProp::Create(z, x, TProp::PROP_EXPLOSION);
      TProp::Create(z + 1, x + 80, TProp::PROP_SMOKE);
      TProp::Create(6, static_cast<float>(RndFloat(-200, 200)), TProp::PROP_SKID_CLOUD);
    }
    for (int t = 0; t < 3; ++t) {
      TGameMode::gSecondStartMS -= 5;
      TGameMode::gCheckpointTime = 90;
      TGameMode::update();
    }
}

void busy(int width, int height, int frames) { frameCost("busy race frame", width, height, frames, startRace, busyStep); }

const char* const kPassNames[TGameMode::PASS_COUNT] = {"clear",       "horizon layers", "clouds",   "road lines",
                                                       "grass",       "tunnel mouth",   "entities", "HUD"};

// The busy race frame part by part. Pixels: what each part's drawing
// covers, counted by the recording driver over the same frames. Time: each
// frame is drawn whole, without each part in turn and with none (what is
// left is the present), one after another so all see the same moment; a
// part's cost is the whole frame's time less the time without it.
void passes(int width, int height, int frames) {
  double pixels[TGameMode::PASS_COUNT] = {}, blocks[TGameMode::PASS_COUNT] = {};
  {
    auto recorder = std::make_shared<TRecordingDrawDriver>();
    recorder->fRecordCalls = false;
    recorder->MakeCurrent(width, height);
    // The letter-box AspectSetMode gives a window of this size (it reads
    // the size of the window, and the recorder has none).
    double scale = std::min(width / 800.0, height / 600.0);
    float vw = static_cast<float>(width / scale), vh = static_cast<float>(height / scale);
    gAspectFlags = ASPECT_BORDERS | ASPECT_KEEP_RATIO;
    gAspectWidth = 800;
    gAspectHeight = 600;
    gAspectOffsetX = (vw - 800) * 0.5f;
    gAspectOffsetY = (vh - 600) * 0.5f;
    SetLogicalResolution(vw, vh);
    SetViewport(static_cast<int>(gAspectOffsetX), static_cast<int>(gAspectOffsetY), 800, 600);
    SetOrigin(gAspectOffsetX, gAspectOffsetY);
    TGameMode::loadGraphics();
    SeedRnd(1);
    startRace();
    for (int i = 0; i < frames; ++i) {
      busyStep(i);
      TGameMode::drawFrame();
    }
    for (int p = 0; p < TGameMode::PASS_COUNT; ++p) {
      pixels[p] = recorder->fPassPixels[p] / frames;
      blocks[p] = recorder->fPassBlocks[p] / frames;
    }
    SetCurrentDrawState(nullptr, 0, 0);
  }
  if (!OpenGraphics(width, height, 0, 0, 0)) DisplayUnavailable();
  AspectSetMode(800, 600, ASPECT_BORDERS | ASPECT_KEEP_RATIO);
  TGameMode::loadGraphics();
  SeedRnd(1);
  startRace();
  const int variants = TGameMode::PASS_COUNT + 2;  // whole, without each part, none
  double wall[TGameMode::PASS_COUNT + 2] = {}, processor[TGameMode::PASS_COUNT + 2] = {};
  for (int i = 0; i < frames; ++i) {
    busyStep(i);
    gSkippedDrawPasses = 0;
    TGameMode::draw();  // untimed: the first frame after the ticks pays for what they changed
    for (int k = 0; k < variants; ++k) {
      const int v = (k + i) % variants;  // each in every place in turn
      gSkippedDrawPasses = v == 0 ? 0u : v <= TGameMode::PASS_COUNT ? 1u << (v - 1) : ~0u;
      double c0 = processorSeconds();
      auto t0 = Clock::now();
      TGameMode::draw();
      wall[v] += secondsSince(t0);
      processor[v] += processorSeconds() - c0;
    }
  }
  gSkippedDrawPasses = 0;
  EndGraphics();
  // Processor time (the rasteriser's threads included) wanders less than
  // wall time on a shared machine: it counts work, not waiting for a core.
  const double screen = double(width) * height, whole = wall[0] / frames * 1e3, work = processor[0] / frames * 1e3;
  std::printf("busy race frame parts at %dx%d (%d frames, each also drawn without each part in turn; "
              "a part's cost is the frame's less the frame's without it):\n",
              width, height, frames);
  // Blocks: the 4 x 4 blocks the part's quads reach, which the rasteriser
  // shades whole (a clear is not shaded), and how full they are.
  double allPixels = 0, allBlocks = 0;
  auto blockFigures = [](double px, double bl) {
    char text[64] = "";
    if (bl > 0) std::snprintf(text, sizeof text, "  %7.0f blocks %5.1f pixels a block", bl, px / bl);
    return std::string(text);
  };
  for (int p = 0; p < TGameMode::PASS_COUNT; ++p) {
    allPixels += pixels[p];
    allBlocks += blocks[p];
    std::printf("  %-15s %6.2f ms  %6.2f ms of processor time  %9.0f pixels  overdraw %.2f%s\n", kPassNames[p],
                whole - wall[p + 1] / frames * 1e3, work - processor[p + 1] / frames * 1e3, pixels[p], pixels[p] / screen,
                blockFigures(pixels[p], blocks[p]).c_str());
  }
  std::printf("  %-15s %6.2f ms  %6.2f ms of processor time  %9.0f pixels  overdraw %.2f  %7.0f blocks shaded\n",
              "whole frame", whole, work, allPixels, allPixels / screen, allBlocks);
  std::printf("  %-15s %6.2f ms  %6.2f ms of processor time\n", "no part (present)", wall[variants - 1] / frames * 1e3,
              processor[variants - 1] / frames * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length > 0) {
    std::string exe(path, static_cast<size_t>(length));
    if (chdir(exe.substr(0, exe.rfind('/')).c_str()) != 0) std::perror("chdir");
  }
  SetAudioDriver("Null");
  SeedRnd(1);
  // A fourth argument picks one scene and skips the headless race; a fifth
  // paces its frames at that many per second.
  const std::string only = argc > 4 ? argv[4] : "";
  gPaceHertz = argc > 5 ? std::atoi(argv[5]) : 0;
  if (only.empty()) {
    headless();
  } else {
    TGameMode::loadGraphics();
    TGameMode::init();
  }
  if (!std::getenv("DISPLAY")) {
    std::printf("race frame: no DISPLAY, drawing not measured\n");
    return 0;
  }
  int frames = argc > 3 ? std::atoi(argv[3]) : 300;
  if (argc > 2) {
    int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    if (only.empty() || only == "title") title(width, height, frames);
    if (only.empty() || only == "race") windowed(width, height, frames);
    if (only.empty() || only == "busy") busy(width, height, frames);
    if (only == "passes") passes(width, height, frames);
    if (only == "busy-plain") {
      TGameMode::gPlainDraw = 1;  // the frame drawn the plain way, for before and after in one run
      frameCost("busy race frame the plain way", width, height, frames, startRace, busyStep);
    }
  } else {
    title(800, 600, frames);
    windowed(800, 600, frames);
    windowed(1920, 1080, frames);
    busy(800, 600, frames);
    busy(1920, 1080, frames);
  }
  return 0;
}
