// Frames drawn for the moment they are shown: with the clock held, passes of
// the real main loop at a display's rate, and the road position each frame
// shows (the ticks' road driven plus the frame's lead).
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "GameFixture.h"
#include "engine/display.h"
#include "engine/draw_recorder.h"
#include "engine/drawing.h"
#include "game/MainLoop.h"
#include "world/THorizon.h"

namespace {

// Keys and upkeep the scene wants before each tick.
void (*gKeys)() = nullptr;
int gForceZero = 0;

void holdUp() {
  gKeyStates[KEY_UP] = 1;
  gKeyStates[KEY_DOWN] = 0;
}

void brake() {
  gKeyStates[KEY_UP] = 0;
  gKeyStates[KEY_DOWN] = 1;
}

int sceneUpdate() {
  if (gKeys) gKeys();
  TGameMode::gCheckpointTime = 90;
  TGameMode::gEnemyTimer = 1e9f;
  return TGameMode::update();
}

int sceneDraw() {
  if (gForceZero) gTickFraction = 0;
  return TGameMode::draw();
}

// A straight, flat road with the player alone on it.
void straightRoad() {
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    if (e != TGameMode::gPlayerCar.get()) e->deactivate();
  TEntity::removeInactive();
  auto seg = TSegment::Create(0, 0, 0, 1e6f, 0);
  TSegment::gFirstSegment = seg;
  TSegment::gLastSegment = seg;
}

struct Frame {
  long long us;    // when it is presented
  int ticks;       // ticks its pass ran
  double shown;    // road position it shows
  float speed;     // the ticks' speed after the pass
};

// Frames presented at `hertz` at their exact moments (16.667 ms apart at
// 60 Hz, to the microsecond), each pass running the ticks pending then.
std::vector<Frame> presentFrames(int hertz, int count, void (*between)(int frame) = nullptr) {
  std::vector<Frame> frames;
  const long long start = static_cast<long long>(MilliSecs()) * 1000;
  gLastTime = MilliSecs() / 5;
  for (int k = 1; k <= count; ++k) {
    if (between) between(k);
    const long long now = start + std::llround(static_cast<double>(k) * 1e6 / hertz);
    SetTestClockMicros(now);
    const int ticks = takePendingTicks();
    runTickPass(ticks, sceneUpdate, sceneDraw);
    frames.push_back({now, ticks, TGameMode::gDrawnDistance, TGameMode::gPlayerSpeed});
  }
  return frames;
}

// Largest deviation of a frame's advance from true elapsed time x speed,
// in % of the mean advance.
double worstDeviation(const std::vector<Frame>& frames) {
  double sum = 0;
  for (size_t k = 1; k < frames.size(); ++k) sum += frames[k].shown - frames[k - 1].shown;
  const double mean = sum / static_cast<double>(frames.size() - 1);
  double worst = 0;
  for (size_t k = 1; k < frames.size(); ++k) {
    double expected =
        static_cast<double>(frames[k].us - frames[k - 1].us) / 5000.0 * (frames[k].speed + frames[k - 1].speed) / 2;
    worst = std::max(worst, std::fabs(frames[k].shown - frames[k - 1].shown - expected) / mean * 100);
  }
  return worst;
}

class MotionTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    gKeys = holdUp;
    gForceZero = 0;
  }
  void TearDown() override {
    gKeys = nullptr;
    gForceZero = 0;
    gTickFraction = 0;
    FlushKeys();
    GameTest::TearDown();
  }

  // A race at full speed on a straight.
  static void atSpeed(int ticks = 3000) {
    startRace();
    straightRoad();
    holdUp();
    for (int i = 0; i < ticks; ++i) sceneUpdate();
    ASSERT_TRUE(TGameMode::gPlayerCar);
    ASSERT_GT(TGameMode::gPlayerSpeed, 0.05f);
  }
};

TEST_F(MotionTest, FramesAt60HzAdvanceEvenlyWhileTicksPerFrameGo343) {
  atSpeed();
  for (int forceZero : {1, 0}) {
    gForceZero = forceZero;
    std::vector<Frame> frames = presentFrames(60, 120);
    int threes = 0, fours = 0;
    for (const Frame& f : frames) {
      ASSERT_TRUE(f.ticks == 3 || f.ticks == 4) << f.ticks;
      (f.ticks == 3 ? threes : fours) += 1;
    }
    EXPECT_GT(threes, 0);
    EXPECT_GT(fours, 0);
    if (forceZero) {
      EXPECT_GT(worstDeviation(frames), 10) << "each frame at its last tick judders";
    } else {
      EXPECT_LT(worstDeviation(frames), 2);
    }
  }
}

// Whatever the display's rate, each frame advances by its own share of
// time: the intervals are no whole number of milliseconds, nor of ticks.
TEST_F(MotionTest, FramesAtADisplaysRateAdvanceEvenly) {
  atSpeed();
  for (int hertz : {50, 60, 75, 120, 144}) {
    std::vector<Frame> frames = presentFrames(hertz, 2 * hertz);
    EXPECT_LT(worstDeviation(frames), 2) << hertz << " Hz";
  }
}

// A paused race presents a few frames a second; the passes between, held by
// no swap or slot, sleep for a tick each (the held clock moves only by the
// sleeps) instead of polling the clock.
TEST_F(MotionTest, APausedRacesLoopSleeps) {
  atSpeed();
  TGameMode::gPaused = 1;
  sceneUpdate();
  ASSERT_TRUE(TGameMode::gPauseActive);
  gLastTime = MilliSecs() / 5;
  gPassPresented = 1;
  const int flips = gFlipCount, before = MilliSecs();
  for (int pass = 0; pass < 200; ++pass) runTickPass(waitForPass(1), sceneUpdate, TGameMode::draw);
  const int presented = gFlipCount - flips;
  EXPECT_LE(presented, 1 + MilliSecsDiff(MilliSecs(), before) / TGameMode::PAUSED_FRAME_MS);
  EXPECT_GE(MilliSecsDiff(MilliSecs(), before), 5 * (200 - 2 * presented - 1));
  gPassPresented = 1;
}

// A pass with no tick pending still draws a frame further on.
TEST_F(MotionTest, APassWithoutTicksShowsTheRoadFurtherOn) {
  atSpeed();
  SetTestClock(MilliSecs() / 5 * 5);
  gLastTime = MilliSecs() / 5 - 1;
  ASSERT_EQ(takePendingTicks(), 1);
  runTickPass(1, sceneUpdate, sceneDraw);
  double shown[3];
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(takePendingTicks(), 0);
    runTickPass(0, sceneUpdate, sceneDraw);
    shown[i] = TGameMode::gDrawnDistance;
    AdvanceTestClock(2);
    if (i == 1) AdvanceTestClock(-1);
  }
  EXPECT_LT(shown[0], shown[1]);
  EXPECT_LT(shown[1], shown[2]);
  EXPECT_NEAR(shown[1] - shown[0], 0.4 * TGameMode::gPlayerSpeed, 1e-4);
  EXPECT_NEAR(shown[2] - shown[1], 0.2 * TGameMode::gPlayerSpeed, 1e-4);
}

// Whatever happens to the speed, no frame shows the road behind the one
// before it, nor further on than its ticks plus one could take it.
TEST_F(MotionTest, NoFrameMovesBackOrJumps) {
  struct Case {
    const char* name;
    void (*setUp)();
    void (*between)(int frame);
    void (*check)();
  };
  const Case cases[] = {
      {"the player's car wrecked at speed", [] { atSpeed(); },
       [](int k) {
         if (k == 11 && TGameMode::gPlayerCar) TGameMode::gPlayerCar->deactivate();
       },
       [] { EXPECT_FALSE(TGameMode::gPlayerCar); }},
      {"running into a car standing ahead", [] { atSpeed(); },
       [](int k) {
         if (k != 11) return;
         auto standing = TCar::Create(TCar::PLAYER_Z + 4, 0, 0, 2);
         standing->fSpeed = standing->fTopSpeed = 0;
       },
       nullptr},
      {"braking to a standstill", [] { atSpeed(600); },
       [](int k) {
         if (k == 11) gKeys = brake;
       },
       [] { EXPECT_EQ(TGameMode::gPlayerSpeed, 0); }},
      {"the count-down into the race",
       [] {
         press(KEY_SPACE);
         tick();
         ASSERT_EQ(TGameMode::gState, TGameMode::STATE_START);
         TGameMode::gCountDownRepeats = 2;
         TGameMode::gCountDownTimer = 40;
       },
       nullptr, [] { EXPECT_EQ(TGameMode::gState, TGameMode::STATE_ACTION); }},
      {"a lap crossing",
       [] {
         atSpeed();
         auto last = TSegment::Create(-20, 0, 0, 20.5f, TSegment::SEGMENT_COUNT - 1);
         auto first = TSegment::Create(0.5f, 0, 0, 1e6f, 0);
         last->fNext = first;
         TSegment::gFirstSegment = last;
         TSegment::gLastSegment = first;
         TGameMode::gLaps = 0;
       },
       nullptr, [] { EXPECT_EQ(TGameMode::gLaps, 1); }},
  };
  // The change comes after frame 10, which both rates draw between ticks.
  for (const Case& c : cases) {
    for (int hertz : {60, 144}) {
      SCOPED_TRACE(c.name);
      resetGameMode();
      TGameMode::switchToState(TGameMode::STATE_TITLE);
      SetTestClock(1000000);
      gKeys = holdUp;
      c.setUp();
      std::vector<Frame> frames = presentFrames(hertz, hertz == 60 ? 120 : 250, c.between);
      float topSpeed = 0;
      for (const Frame& f : frames) topSpeed = std::max(topSpeed, f.speed);
      for (size_t k = 1; k < frames.size(); ++k) {
        const double advance = frames[k].shown - frames[k - 1].shown;
        EXPECT_GE(advance, -1e-6) << hertz << " Hz, frame " << k;
        EXPECT_LE(advance, (frames[k].ticks + 1) * topSpeed + 1e-6) << hertz << " Hz, frame " << k;
      }
      if (c.check) c.check();
    }
  }
}

// Every bit of a value, so that runs compare exactly.
std::string bits(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%a ", v);
  return text;
}

// The ticks' state that the logic carries on from.
std::string logicState() {
  std::string state = bits(TGameMode::gState) + bits(TGameMode::gTextureOffset) + bits(TGameMode::gPlayerX) +
                      bits(TGameMode::gPlayerSpeed) + bits(TScore::gScore) + bits(TCar::gEnemyCount) + "\n";
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get()) {
    state += bits(e->fZ) + bits(e->fX) + bits(e->fSegmentDX) + bits(e->fScale) + bits(e->getSpeed());
    if (e->isCar()) state += bits(static_cast<TCar*>(e)->fInTunnel) + bits(static_cast<TCar*>(e)->fDrift);
    state += "\n";
  }
  for (auto* s = TSegment::gFirstSegment.get(); s; s = s->fNext.get()) state += bits(s->fZ);
  return state;
}

// Steering to and fro in spells of `frames`.
template <int frames> void weave(int k) {
  gKeyStates[KEY_LEFT] = (k / frames) % 3 == 0;
  gKeyStates[KEY_RIGHT] = (k / frames) % 3 == 1;
}

// A straight road of tunnels and open stretches `length` long in turn.
void tunnelsInTurn(float length) {
  std::shared_ptr<TSegment> last;
  for (int k = 0; k < 60; ++k) {
    auto seg = TSegment::Create(k * length, 0, 0, k == 59 ? 1e6f : (k + 1) * length, 0);
    seg->fTunnel = k % 2;
    if (last) last->fNext = seg;
    else TSegment::gFirstSegment = seg;
    last = seg;
  }
  TSegment::gLastSegment = last;
}

// The ticks run alike whatever the frames show: same clock and keys, the
// fraction used or forced to 0, the same race to the last bit. What the
// logic takes back from a frame (the tunnel a car is in, where a drift's
// skid clouds start) is the ticks' own.
TEST_F(MotionTest, TheLogicNeverSeesTheFraction) {
  struct Case {
    const char* name;
    void (*setUp)();
    void (*between)(int frame);
    int frames;
    void (*check)();
  };
  static int bumps = 0, clouds = 0;
  const Case cases[] = {
      {"a race weaving from the start",
       [] {
         press(KEY_SPACE);
       },
       weave<90>, 2000, [] { EXPECT_GT(TGameMode::gPlayerSpeed, 0); }},
      {"drifting at top speed, held on the road",
       [] {
         atSpeed();
         clouds = 0;
       },
       [](int k) {
         // Full lock, the car kept in the road's middle so it stays fast.
         gKeyStates[KEY_LEFT] = (k / 200) % 2 == 0;
         gKeyStates[KEY_RIGHT] = (k / 200) % 2 == 1;
         if (TGameMode::gPlayerCar) TGameMode::gPlayerCar->fX = 0;
         for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get()) {
           auto* prop = dynamic_cast<TProp*>(e);
           clouds += prop && prop->fType == TProp::PROP_SKID_CLOUD;
         }
       },
       1200,
       [] {
         EXPECT_GT(clouds, 10) << "skid clouds";
       }},
      {"riding the wall in and out of tunnels",
       [] {
         atSpeed();
         tunnelsInTurn(7.3f);
         TGameMode::gPlayerCar->fX = 400;
         bumps = 0;
       },
       [](int) {
         gKeyStates[KEY_RIGHT] = 1;
         if (TGameMode::gPlayerCar && TGameMode::gPlayerCar->fX == TCar::SIDE_BUMP_MIN_DISTANCE) ++bumps;
       },
       1200, [] { EXPECT_GT(bumps, 3) << "thrown back by a tunnel wall"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string states[2];
    for (int forceZero : {1, 0}) {
      resetGameMode();
      TGameMode::switchToState(TGameMode::STATE_TITLE);
      SetTestClock(2000000);
      gKeys = holdUp;
      gForceZero = 0;
      c.setUp();
      gForceZero = forceZero;
      presentFrames(144, c.frames, c.between);
      states[forceZero] = logicState();
      gKeyStates[KEY_LEFT] = gKeyStates[KEY_RIGHT] = 0;
      c.check();
    }
    EXPECT_EQ(states[0], states[1]);
  }
}

// A frame drawn at f = 0 is the frame with nothing carried forward: drawn
// through the recording driver, call for call the same as the same moment
// drawn at f = 0.6 with the carry switched off the one way the code has,
// nothing having moved in the latest tick (gTickCount two ahead of every
// thing's last move). Busy scenes: a straight with traffic, a bend, a
// tunnel, and just after a crash.
TEST_F(MotionTest, AFrameAtFractionZeroIsTheUncarriedFrame) {
  struct Case {
    const char* name;
    void (*setUp)();
  };
  auto traffic = [] {
    for (int i = 0; i < 4; ++i) TCar::Create(TCar::PLAYER_Z + 3 + 4 * i, (i % 2 ? -1 : 1) * 150.0f, 0, 2);
  };
  static void (*addTraffic)() = traffic;
  const Case cases[] = {
      {"a straight with traffic", [] {
         atSpeed();
         addTraffic();
       }},
      {"a bend", [] {
         atSpeed();
         auto seg = TSegment::Create(0, 0.8f, 0.3f, 1e6f, 0);
         TSegment::gFirstSegment = TSegment::gLastSegment = seg;
         addTraffic();
       }},
      {"a tunnel", [] {
         atSpeed();
         tunnelsInTurn(3.1f);
         addTraffic();
       }},
      {"just after a crash", [] {
         atSpeed();
         auto standing = TCar::Create(TCar::PLAYER_Z + 1, TGameMode::gPlayerX, 0, 2);
         standing->fSpeed = standing->fTopSpeed = 0;
         for (int i = 0; i < 40 && TGameMode::gPlayerSpeed > 0.1f; ++i) sceneUpdate();
         ASSERT_LT(TGameMode::gPlayerSpeed, 0.1f) << "crashed";
       }},
  };
  auto recorder = std::make_shared<TRecordingDrawDriver>();
  recorder->MakeCurrent(800, 600);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    resetGameMode();
    TGameMode::switchToState(TGameMode::STATE_TITLE);
    c.setUp();
    // Every tick counted, the last one moving things (as runTickPass runs).
    for (int i = 0; i < 3; ++i) {
      sceneUpdate();
      ++gTickCount;
    }
    const double drawn = TGameMode::gWorldDistance;
    auto frame = [&](float f, int ticksAhead) {
      TGameMode::gDrawnDistance = drawn;
      gTickCount += ticksAhead;
      gTickFraction = f;
      recorder->fCalls.clear();
      TGameMode::drawFrame();
      gTickFraction = 0;
      gTickCount -= ticksAhead;
      return recorder->fCalls;
    };
    // (A frame starts from the blending the one before left.)
    frame(0, 0);
    const std::vector<std::string> atZero = frame(0, 0);
    EXPECT_GT(recorder->Calls("DrawImage").size(), 300u) << "a busy frame";
    const std::vector<std::string> uncarried = frame(0.6f, 2);
    ASSERT_EQ(atZero.size(), uncarried.size());
    for (size_t i = 0; i < atZero.size(); ++i) ASSERT_EQ(atZero[i], uncarried[i]) << "call " << i;
    if (TGameMode::gLastMoveZ > 0.01f) {
      EXPECT_NE(frame(0.6f, 0), atZero) << "the carry does move things";
    }
  }
  SetCurrentDrawState(nullptr, 0, 0);
}

// With no player car the clouds stand still: no stale move of theirs is
// carried forward.
TEST_F(MotionTest, CloudsWithoutAPlayerCarAreNotCarried) {
  atSpeed();
  TCloud::gCloudDYOffset = 3;  // as a last tick with a car on a hill left it
  TGameMode::gPlayerCar->deactivate();
  sceneUpdate();
  ++gTickCount;
  ASSERT_FALSE(TGameMode::gPlayerCar);
  auto recorder = std::make_shared<TRecordingDrawDriver>();
  recorder->MakeCurrent(800, 600);
  std::vector<std::string> frames[2];
  for (int k = 0; k < 2; ++k) {
    gTickFraction = k ? 0.5f : 0.0f;
    recorder->fCalls.clear();
    TCloud::drawAll();
    frames[k] = recorder->Calls("DrawImage");
  }
  gTickFraction = 0;
  EXPECT_FALSE(frames[0].empty());
  EXPECT_EQ(frames[0], frames[1]);
  SetCurrentDrawState(nullptr, 0, 0);
}

// A horizon layer drifting through its wrap is drawn where it stands, the
// picture never stepping back or leaping as the position wraps.
TEST_F(MotionTest, HorizonLayerWrapShowsNoJump) {
  auto recorder = std::make_shared<TRecordingDrawDriver>();
  recorder->MakeCurrent(800, 600);
  static std::shared_ptr<THorizon> layer;
  layer = THorizon::Create(THorizon::gHorizon1Gfx, 1.0f);
  ASSERT_EQ(layer->fHorizonDrawOffset, 800);
  // 8 pixels a tick: a wrap every half second.
  int (*update)() = [] { return layer->update(0.2f, 0, 20); };
  for (int i = 0; i < 60; ++i) update();  // the drift eased in
  int (*draw)() = [] { return layer->draw(); };
  SetTestClock(1000000);
  gLastTime = MilliSecs() / 5;
  double previous = 0;
  for (int k = 1; k <= 600; ++k) {
    SetTestClock(1000000 + k * 1000 / 144);
    recorder->fCalls.clear();
    runTickPass(takePendingTicks(), update, draw);
    std::vector<std::string> images = recorder->Calls("DrawImage");
    ASSERT_EQ(images.size(), 2u);
    double x = std::stod(images[0].substr(images[0].find(" at ") + 4));
    double left = std::stod(images[1].substr(images[1].find(" at ") + 4));
    // (Each copy is floored on its own: they may sit a pixel apart.)
    EXPECT_TRUE(x >= 0 && x <= 800 && std::fabs(left - (x - 800)) <= 1) << k << ": the two copies cover the screen, " << x;
    if (k > 1) {
      double step = std::fmod(previous - x + 800, 800);  // leftwards, across the wrap
      EXPECT_LE(step, 8 * 2 + 1) << k;
    }
    previous = x;
  }
  layer.reset();
  SetCurrentDrawState(nullptr, 0, 0);
}

}  // namespace
