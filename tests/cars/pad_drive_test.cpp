// The player's car driven by a pad: the stick steers in proportion, the
// right trigger opens the throttle part way, and held all the way they
// drive exactly as the keys do.
#include "car_fixture.h"

#include <functional>
#include <string>

#include "engine/gamepad.h"

namespace {
class PadCarTest : public CarTest {
protected:
  void SetUp() override {
    CarTest::SetUp();
    if (!OpenPads()) GTEST_SKIP() << "the controller layer does not start here";
    pad = AttachVirtualPad(0);
    ASSERT_GE(pad, 0);
  }
  void TearDown() override {
    ClosePads();
    CarTest::TearDown();
  }

  struct Tick {
    float steer, speed, x;
  };

  // Ticks of a fresh player's car from a slight right turn at speed 0.2,
  // with the controls set by hold once at the start.
  static std::vector<Tick> drive(const std::function<void()>& hold, int ticks, float steer = 3) {
    TEntity::removeAll();
    SeedRnd(7);
    auto car = player();
    car->fSpeed = 0.2f;
    car->fSteer = steer;
    hold();
    std::vector<Tick> run;
    for (int t = 0; t < ticks; ++t) {
      car->update(car->fSpeed);
      run.push_back({car->fSteer, car->fSpeed, car->fX});
    }
    return run;
  }

  void still() {
    for (int axis : {PAD_AXIS_LEFT_X, PAD_AXIS_TRIGGER_RIGHT}) SetVirtualPadAxis(pad, axis, 0);
    SetVirtualPadButton(pad, PAD_BUTTON_DPAD_LEFT, 0);
    // Let go on the pad before the keys are cleared by hand.
    KeyDown(KEY_LEFT);
    std::fill(std::begin(gKeyStates), std::end(gKeyStates), 0);
  }

  int pad = -1;
};
}  // namespace

TEST_F(PadCarTest, ControlsHeldAllTheWayDriveExactlyLikeTheKeys) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int button;  // -1: none
    float stickX, trigger;
  };
  const Case cases[] = {
      {"stick full left", {KEY_LEFT}, -1, -1, 0},
      {"stick full right", {KEY_RIGHT}, -1, 1, 0},
      {"d-pad left", {KEY_LEFT}, PAD_BUTTON_DPAD_LEFT, 0, 0},
      {"right trigger and stick full left", {KEY_UP, KEY_LEFT}, -1, -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    still();
    auto keys = drive([&] { hold(c.keys); }, 300);
    std::fill(std::begin(gKeyStates), std::end(gKeyStates), 0);
    auto pads = drive(
        [&] {
          if (c.button >= 0) SetVirtualPadButton(pad, c.button, 1);
          SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, c.stickX);
          SetVirtualPadAxis(pad, PAD_AXIS_TRIGGER_RIGHT, c.trigger);
        },
        300);
    ASSERT_EQ(keys.size(), pads.size());
    for (size_t t = 0; t < keys.size(); ++t) {
      ASSERT_EQ(pads[t].steer, keys[t].steer) << "tick " << t;
      ASSERT_EQ(pads[t].speed, keys[t].speed) << "tick " << t;
      ASSERT_EQ(pads[t].x, keys[t].x) << "tick " << t;
    }
  }
}

TEST_F(PadCarTest, PartDeflectionTurnsTheWheelTowardItsShareOfFullLock) {
  struct Case {
    float stickX, from, settle;
  };
  const Case cases[] = {{-0.5f, 0, -5}, {-0.5f, -10, -5}, {0.5f, 10, 5}, {0.3f, -4, 3}, {-0.75f, 2, -7.5f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stickX) + " from " + std::to_string(c.from));
    still();
    auto run = drive([&] { SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, c.stickX); }, 400, c.from);
    float before = c.from;
    for (const Tick& t : run) {
      ASSERT_LE(std::fabs(t.steer - before), TCar::STEER_CHANGE + 1e-5f) << "at most one step a tick";
      before = t.steer;
    }
    EXPECT_NEAR(run.back().steer, c.settle, 0.01f);
  }
}

TEST_F(PadCarTest, TriggerPartWayGivesThatShareOfTheAcceleration) {
  still();
  float coast = drive([] {}, 1).back().speed;
  auto full = drive([&] { hold({KEY_UP}); }, 1).back().speed;
  std::fill(std::begin(gKeyStates), std::end(gKeyStates), 0);
  for (float travel : {0.3f, 0.5f, 0.9f}) {
    SCOPED_TRACE(travel);
    float part = drive([&] { SetVirtualPadAxis(pad, PAD_AXIS_TRIGGER_RIGHT, travel); }, 1).back().speed;
    EXPECT_NEAR(part - 0.2f, travel * (full - 0.2f), 1e-6f);
    EXPECT_GT(part, coast);
  }
  SetVirtualPadAxis(pad, PAD_AXIS_TRIGGER_RIGHT, 0.2f);
  EXPECT_EQ(drive([] {}, 1).back().speed, coast) << "inside the dead zone the car coasts";
}
