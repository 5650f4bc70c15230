// Race bookkeeping: laps, time bonus, score, cups, the race second, the
// replacement car and the spawn timers, plus whole races driven headless.
#include "GameFixture.h"

#include <unistd.h>

#include <climits>
#include <cmath>
#include <filesystem>

#include "engine/clock.h"

namespace {

// Puts the camera at the start of a new lap: the head is row 39 and its
// successor has been reached.
void reachLapLine() {
  auto head = TSegment::Create(0, 0, 0, 0, 39);
  head->fNext = TSegment::Create(0, 0, 0, 100, 0);
  TSegment::gFirstSegment = head;
  TSegment::gLastSegment = head->fNext;
}

// One tick with the player car holding a given speed.
void tickAtSpeed(float speed) {
  if (TGameMode::gPlayerCar) TGameMode::gPlayerCar->fSpeed = speed;
  TGameMode::update();
}

}  // namespace

TEST_F(GameTest, LapAddsTimeBonusScoreAndCups) {
  struct Case {
    int lapsBefore, clockBefore;
    int scoreAdded, clockAfter, trophy;
  };
  const Case cases[] = {
      {0, 37, 370, 117, TGameMode::TROPHY_NONE},   {1, 37, 370, 107, TGameMode::TROPHY_NONE},
      {2, 37, 370, 97, TGameMode::TROPHY_NONE},    {4, 20, 200, 80, TGameMode::TROPHY_NONE},
      {5, 20, 200, 80, TGameMode::TROPHY_BRONZE},  {6, 20, 200, 80, TGameMode::TROPHY_SILVER},
      {7, 20, 200, 80, TGameMode::TROPHY_GOLD},    {8, 20, 200, 80, TGameMode::TROPHY_GOLD},
  };
  startRace();
  for (const Case& c : cases) {
    TGameMode::gLaps = c.lapsBefore;
    TGameMode::gCheckpointTime = c.clockBefore;
    TGameMode::gSecondStartMS = MilliSecs();
    TGameMode::gTrophy = c.lapsBefore >= 8 ? TGameMode::TROPHY_GOLD : TGameMode::TROPHY_NONE;
    TScore::gScore = 1000;
    TGameMode::gDistanceCounter = 0;
    reachLapLine();
    playLog().clear();
    tickAtSpeed(0);
    EXPECT_EQ(TGameMode::gLaps, c.lapsBefore + 1);
    EXPECT_EQ(TScore::gScore, 1000 + c.scoreAdded) << "lap " << c.lapsBefore + 1;
    EXPECT_EQ(TGameMode::gCheckpointTime, c.clockAfter) << "lap " << c.lapsBefore + 1;
    EXPECT_EQ(TGameMode::gTrophy, c.trophy) << "lap " << c.lapsBefore + 1;
    EXPECT_EQ(playLog(), std::vector<std::string>{"lap"});
  }
  EXPECT_EQ(TScore::gHiScore, 1370) << "the hi-score followed the best score";
}

TEST_F(GameTest, NoLapIsCountedWithoutAPlayerCar) {
  startRace();
  TGameMode::gPlayerCar->deactivate();
  reachLapLine();
  tickAtSpeed(0);
  EXPECT_EQ(TGameMode::gLaps, 0);
  EXPECT_FALSE(TGameMode::gPlayerCar);
  EXPECT_EQ(TGameMode::gNewPlayerCarTimer, TGameMode::NEW_PLAYER_CAR_TIME);
}

TEST_F(GameTest, DistancePointsOnePerHundredUnits) {
  startRace();
  TCar::removeAll();  // nobody to overtake: only distance scores
  TGameMode::gDistanceCounter = 0;
  TScore::gScore = 0;
  for (int i = 0; i < 333; ++i) tickAtSpeed(0.3f);
  EXPECT_EQ(TScore::gScore, 0);
  tickAtSpeed(0.3f);
  EXPECT_EQ(TScore::gScore, 1);
  EXPECT_NEAR(TGameMode::gDistanceCounter, 0.2f, 1e-3);
  // At most one point per tick, however far a tick goes.
  TGameMode::gDistanceCounter = 99;
  tickAtSpeed(250);
  EXPECT_EQ(TScore::gScore, 2);
}

TEST_F(GameTest, RaceSecondCatchesUpOnePerTickAfterAStall) {
  startRace();
  TGameMode::gCheckpointTime = 50;
  TGameMode::gSecondStartMS = MilliSecs();
  AdvanceTestClock(5000);
  for (int expected : {49, 48, 47, 46, 45, 45}) {
    tickAtSpeed(0);
    EXPECT_EQ(TGameMode::gCheckpointTime, expected);
  }
}

TEST_F(GameTest, RaceSecondCountsAcrossTheClockWrap) {
  startRace();
  for (int start : {1000000, INT_MAX - 50, -1}) {
    SetTestClock(start);
    TGameMode::gCheckpointTime = 50;
    TGameMode::gSecondStartMS = static_cast<int>(static_cast<unsigned>(start) - 900u);
    AdvanceTestClock(99);
    tickAtSpeed(0);
    EXPECT_EQ(TGameMode::gCheckpointTime, 50) << "1 ms short of a second at " << start;
    AdvanceTestClock(1);
    tickAtSpeed(0);
    EXPECT_EQ(TGameMode::gCheckpointTime, 49) << "a second has passed at " << start;
    EXPECT_EQ(TGameMode::gSecondStartMS, static_cast<int>(static_cast<unsigned>(start) + 100u));
    tickAtSpeed(0);
    EXPECT_EQ(TGameMode::gCheckpointTime, 49) << "the next second starts where this one ended";
  }
}

TEST_F(GameTest, WreckedPlayerCarIsReplacedOnTheThirdRaceSecond) {
  TGameMode::gPlayerCarColor = 0;
  startRace();
  TGameMode::gSecondStartMS = MilliSecs();
  TGameMode::gPlayerCar->fSpeed = 0.2f;
  TGameMode::gPlayerCar->deactivate();
  float stripes = TGameMode::gTextureOffset;
  tick();
  EXPECT_FALSE(TGameMode::gPlayerCar);
  EXPECT_EQ(TGameMode::gPlayerSpeed, 0);
  EXPECT_EQ(TGameMode::gNewPlayerCarTimer, 3);
  EXPECT_EQ(TGameMode::gTextureOffset, stripes) << "without a car the road stands still";
  int clock = TGameMode::gCheckpointTime;
  for (int second = 1; second <= 3; ++second) {
    EXPECT_FALSE(TGameMode::gPlayerCar) << second;
    AdvanceTestClock(1000);
    tick();
    EXPECT_EQ(TGameMode::gCheckpointTime, clock - second) << "the clock runs on";
  }
  ASSERT_TRUE(TGameMode::gPlayerCar);
  EXPECT_EQ(TGameMode::gNewPlayerCarTimer, 0);
  EXPECT_EQ(TGameMode::gPlayerCar->fHuman, 1);
  EXPECT_FLOAT_EQ(TGameMode::gPlayerCar->fZ, 5);
  EXPECT_FLOAT_EQ(TGameMode::gPlayerCar->fX, 0);
  auto green = TCar::Create(5, 0, 1, 0);
  EXPECT_EQ(TGameMode::gPlayerCar->fColorG, green->fColorG) << "in the chosen colour";
  EXPECT_EQ(TGameMode::gPlayerCar->fColorR, green->fColorR);
  green->deactivate();
}

TEST_F(GameTest, SpawnTimersCarryIntoTheNextRace) {
  startRace();
  TGameMode::gEnemyTimer = 57.5f;
  TGameMode::gBushTimer = 1.25f;
  TGameMode::gEnemySide = 1;
  TGameMode::gDistanceCounter = 42;
  press(KEY_ESCAPE);
  tick();
  press(KEY_SPACE);
  tick();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_START);
  EXPECT_EQ(TGameMode::gEnemyTimer, 57.5f);
  EXPECT_EQ(TGameMode::gBushTimer, 1.25f);
  EXPECT_EQ(TGameMode::gEnemySide, 1);
  EXPECT_EQ(TGameMode::gDistanceCounter, 42);
}

static int countCars(int human) {
  int count = 0;
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    if (e->isCar() && e->isHuman() == human && e->fActive) ++count;
  return count;
}

static int countAtDepth(float z) {
  int count = 0;
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    if (e->fZ == z) ++count;
  return count;
}

TEST_F(GameTest, OpponentTimerSpawnsOnlyBelowFiveAlive) {
  startRace();
  struct Case {
    int alive;
    int created;
  };
  for (const Case& c : {Case{5, 0}, Case{7, 0}, Case{4, 1}, Case{0, 1}}) {
    TCar::gEnemyCount = c.alive;
    TGameMode::gEnemyTimer = 0.5f;
    int before = countCars(0);
    TGameMode::updateEnemyTimer(1.0f);
    EXPECT_EQ(countCars(0) - before, c.created) << c.alive << " alive";
    EXPECT_GE(TGameMode::gEnemyTimer, 20) << "the timer restarts anyway";
    EXPECT_LE(TGameMode::gEnemyTimer, 140);
  }
  // The side changes about 8 times in 9.
  int changes = 0;
  for (int i = 0; i < 900; ++i) {
    int side = TGameMode::gEnemySide;
    TCar::gEnemyCount = 5;
    TGameMode::gEnemyTimer = 0;
    TGameMode::updateEnemyTimer(0);
    changes += TGameMode::gEnemySide != side;
  }
  EXPECT_NEAR(changes, 800, 60);
}

TEST_F(GameTest, BushTimerPlantsAtTheFarEdgeExceptInTunnels) {
  startRace();
  float farZ = TGameMode::gZMap[299];
  struct Case {
    float timer, speed;
    int tunnel, bushes;
  };
  const Case cases[] = {
      {0.25f, 0.5f, 0, 1},  // remainder -0.25 carried into the next 2 to 4
      {0.25f, 0.5f, 1, 0},  // inside a tunnel the timer restarts all the same
      {0, 0, 0, 1},         // a standing start still plants the first bush
      {3, 0.5f, 0, 0},
  };
  for (const Case& c : cases) {
    TSegment::gLastSegment->fTunnel = c.tunnel;
    TGameMode::gBushTimer = c.timer;
    int before = countAtDepth(farZ);
    TGameMode::updateBushTimer(c.speed);
    float left = c.timer - c.speed;
    EXPECT_EQ(countAtDepth(farZ) - before, c.bushes) << c.timer << " tunnel " << c.tunnel;
    if (c.bushes || c.tunnel) {
      EXPECT_GE(TGameMode::gBushTimer, 2 + left);
      EXPECT_LE(TGameMode::gBushTimer, 4 + left);
    } else {
      EXPECT_FLOAT_EQ(TGameMode::gBushTimer, left);
    }
  }
}

TEST_F(GameTest, TextureOffsetStaysWithinFour) {
  struct Case {
    float from, speed, to;
  };
  for (const Case& c : {Case{3.9f, 0.3f, 0.2f}, Case{1.0f, 0.5f, 1.5f}, Case{3.0f, 1.0f, 4.0f}, Case{0, 0, 0}}) {
    TGameMode::gTextureOffset = c.from;
    TGameMode::updateTextureOffset(c.speed);
    EXPECT_NEAR(TGameMode::gTextureOffset, c.to, 1e-5);
  }
}

// A driver that holds the throttle, keeps near the middle and swerves
// round the cars ahead of it.
static void drive(float wander) {
  gKeyStates[KEY_UP] = 1;
  TCar* car = TGameMode::gPlayerCar.get();
  float x = car ? car->fX : 0;
  float target = wander;
  for (auto* e = TEntity::gFirstEntity.get(); e && car; e = e->fNext.get()) {
    if (e == car || !e->isCar() || e->fZ <= car->fZ || e->fZ > car->fZ + 15) continue;
    if (std::fabs(e->fX - x) < 230) target = e->fX > 0 ? -260.0f : 260.0f;
  }
  gKeyStates[KEY_LEFT] = x > target + 40;
  gKeyStates[KEY_RIGHT] = x < target - 40;
}

TEST_F(GameTest, WholeRaceFromTitleToGameOverAndBack) {
  startRace();
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_ACTION);
  int ticks = 0;
  while (TGameMode::gState == TGameMode::STATE_ACTION && ticks < 200 * 60 * 30) {
    drive(0);
    TGameMode::gSecondStartMS -= 5;  // one simulated tick of wall clock
    tick();
    TGameMode::draw();
    ++ticks;
  }
  ASSERT_EQ(TGameMode::gState, TGameMode::STATE_GAME_OVER) << "the clock ends every race";
  EXPECT_GT(TScore::gScore, 0);
  EXPECT_EQ(TScore::gHiScore, TScore::gScore);
  tick(200);
  TGameMode::draw();
  press(KEY_SPACE);
  tick();
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_TITLE);
  EXPECT_FALSE(TEntity::gFirstEntity);
  EXPECT_FALSE(TSegment::gFirstSegment);
  // A second race starts cleanly on the same class state.
  startRace();
  double driven = 0;
  for (int i = 0; i < 2000; ++i) {
    drive(0);
    tick();
    driven += TGameMode::gPlayerSpeed;
  }
  EXPECT_EQ(TGameMode::gState, TGameMode::STATE_ACTION);
  EXPECT_GT(driven, 100);
}

TEST_F(GameTest, AloneOnTheTrackTheFirstLapCountsAfterALapOfDriving) {
  startRace();
  for (auto* e = TEntity::gFirstEntity.get(); e; e = e->fNext.get())
    if (e->isCar() && !e->isHuman()) e->deactivate();
  TCar::gEnemyCount = TGameMode::MAX_ENEMY_COUNT;  // and no newcomers
  TGameMode::gCheckpointTime = 1000;
  double driven = 0;
  int ticks = 0;
  while (TGameMode::gLaps == 0 && ticks++ < 40000) {
    drive(0);
    TGameMode::gSecondStartMS = MilliSecs();
    tick();
    driven += TGameMode::gPlayerSpeed;
  }
  ASSERT_EQ(TGameMode::gLaps, 1);
  // Row 1 is laid at the far edge once row 0's 100 units are driven, and
  // each row after it likewise: row 0 comes round again after 62.5 + 3510,
  // plus at most one tick's overshoot for each of the 40 rows laid.
  EXPECT_GE(driven, 3572.5 - 0.01);
  EXPECT_LE(driven, 3572.5 + 40 * 0.33);
  EXPECT_EQ(TGameMode::gCheckpointTime, 1080);
  EXPECT_GE(TScore::gScore, 10000);
  EXPECT_EQ(TGameMode::gTrophy, TGameMode::TROPHY_NONE);
}

TEST_F(GameTest, MissingImageAndSoundAtStartUpDoNotCrash) {
  namespace fs = std::filesystem;
  fs::path data = fs::temp_directory_path() / ("velmora-missing-" + std::to_string(getpid()));
  fs::remove_all(data);
  fs::create_directories(data);
  for (const char* dir : {"Graphics", "Sounds", "Music", "Fonts"})
    if (fs::exists(fs::path(VELMORA_BUILD_DIR) / dir))
      fs::copy(fs::path(VELMORA_BUILD_DIR) / dir, data / dir, fs::copy_options::recursive);
  fs::remove(data / "Graphics" / "road.png");
  fs::remove(data / "Graphics" / "banner_start.png");
  fs::remove(data / "Sounds" / "lap.wav");
  fs::remove(data / "Sounds" / "engine5.wav");
  fs::path here = fs::current_path();
  fs::current_path(data);
  TGameMode::loadGraphics();
  TGameMode::init();
  fs::current_path(here);
  fs::remove_all(data);
  EXPECT_FALSE(TGameMode::gRoadGfx);
  EXPECT_FALSE(TGameMode::gLapSound);
  EXPECT_TRUE(TGameMode::gTrophyGfx);
  startRace();
  for (int i = 0; i < 3000; ++i) {
    drive(0);
    tick();
    TGameMode::draw();
  }
  reachLapLine();
  tick();
  EXPECT_EQ(TGameMode::gLaps, 1);
  TGameMode::loadGraphics();  // put the real images back for later tests
}
