// Pads as keys, through virtual pads in the standard layout that the
// controller layer treats as plugged in: hot-plug, the mapping, holds
// shared with the keyboard, unplugging, flushing and rumble.
#include <gtest/gtest.h>

#include "engine/gamepad.h"
#include "engine/input.h"

namespace {
// The keys a pad can hold.
constexpr int kPadKeys[] = {KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_SPACE, KEY_ESCAPE, KEY_M, KEY_P};

class Pad : public testing::Test {
protected:
  void SetUp() override {
    if (!OpenPads()) GTEST_SKIP() << "the controller layer does not start here";
    SetInputEnabled(1);
    FlushKeys();
  }
  void TearDown() override {
    ClosePads();
    SetPadButtonKey(PAD_BUTTON_START, KEY_SPACE);
    SetInputEnabled(0);
  }

  int attach(int canRumble = 1) {
    int pad = AttachVirtualPad(canRumble);
    EXPECT_GE(pad, 0) << "no virtual pad";
    return pad;
  }

  // Every key a pad can hold that is held now, as "37 38".
  static std::string heldKeys() {
    std::string held;
    for (int key : kPadKeys)
      if (KeyDown(key)) held += (held.empty() ? "" : " ") + std::to_string(key);
    return held;
  }
};
}  // namespace

TEST_F(Pad, PluggedInAfterStartUpCountsAtTheNextKeyQuery) {
  const int before = PadCount();
  int pad = attach();
  SetVirtualPadButton(pad, PAD_BUTTON_A, 1);
  EXPECT_EQ(KeyDown(KEY_UP), 1);
  EXPECT_EQ(PadCount(), before + 1);
  EXPECT_EQ(KeyPressed(KEY_UP), 1);
  EXPECT_EQ(KeyPressed(KEY_UP), 0);
}

TEST_F(Pad, EachControlHoldsItsKey) {
  struct Case {
    const char* control;
    int button;  // -1: an axis
    int axis;
    float value;
    int key;  // 0: none
    float amount;
  };
  const Case cases[] = {
      {"d-pad left", PAD_BUTTON_DPAD_LEFT, 0, 1, KEY_LEFT, 1},
      {"d-pad right", PAD_BUTTON_DPAD_RIGHT, 0, 1, KEY_RIGHT, 1},
      {"stick full left", -1, PAD_AXIS_LEFT_X, -1, KEY_LEFT, 1},
      {"stick full right", -1, PAD_AXIS_LEFT_X, 1, KEY_RIGHT, 1},
      {"stick part left", -1, PAD_AXIS_LEFT_X, -0.6f, KEY_LEFT, 0.6f},
      {"stick part right", -1, PAD_AXIS_LEFT_X, 0.3f, KEY_RIGHT, 0.3f},
      {"stick inside the dead zone", -1, PAD_AXIS_LEFT_X, -0.2f, 0, 0},
      {"right trigger", -1, PAD_AXIS_TRIGGER_RIGHT, 1, KEY_UP, 1},
      {"right trigger half", -1, PAD_AXIS_TRIGGER_RIGHT, 0.5f, KEY_UP, 0.5f},
      {"right trigger inside the dead zone", -1, PAD_AXIS_TRIGGER_RIGHT, 0.2f, 0, 0},
      {"A", PAD_BUTTON_A, 0, 1, KEY_UP, 1},
      {"left trigger, whole past the dead zone", -1, PAD_AXIS_TRIGGER_LEFT, 0.5f, KEY_DOWN, 1},
      {"X", PAD_BUTTON_X, 0, 1, KEY_DOWN, 1},
      {"Start", PAD_BUTTON_START, 0, 1, KEY_SPACE, 1},
      {"Back", PAD_BUTTON_BACK, 0, 1, KEY_ESCAPE, 1},
      {"Y", PAD_BUTTON_Y, 0, 1, KEY_M, 1},
      {"B holds nothing", PAD_BUTTON_B, 0, 1, 0, 0},
      {"right stick holds nothing", -1, PAD_AXIS_RIGHT_X, -1, 0, 0},
  };
  int pad = attach();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control);
    if (c.button >= 0) {
      SetVirtualPadButton(pad, c.button, 1);
    } else {
      SetVirtualPadAxis(pad, c.axis, c.value);
    }
    EXPECT_EQ(heldKeys(), c.key ? std::to_string(c.key) : "");
    if (c.key) {
      EXPECT_EQ(KeyPressed(c.key), 1);
      EXPECT_NEAR(KeyAmount(c.key), c.amount, 1e-3);
    }
    if (c.button >= 0) {
      SetVirtualPadButton(pad, c.button, 0);
    } else {
      SetVirtualPadAxis(pad, c.axis, 0);
    }
    EXPECT_EQ(heldKeys(), "") << "released";
  }
}

TEST_F(Pad, StartActsAsTheKeyTheGameGivesIt) {
  int pad = attach();
  SetPadButtonKey(PAD_BUTTON_START, KEY_P);
  SetVirtualPadButton(pad, PAD_BUTTON_START, 1);
  EXPECT_EQ(KeyPressed(KEY_P), 1);
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);
  // Changed while held: the old key is let go, the new one waits for the
  // next press.
  SetPadButtonKey(PAD_BUTTON_START, KEY_SPACE);
  EXPECT_EQ(heldKeys(), "");
  SetVirtualPadButton(pad, PAD_BUTTON_START, 0);
  EXPECT_EQ(heldKeys(), "");
  SetVirtualPadButton(pad, PAD_BUTTON_START, 1);
  EXPECT_EQ(KeyPressed(KEY_SPACE), 1);
  EXPECT_EQ(KeyPressed(KEY_P), 0);
}

TEST_F(Pad, KeyboardAndPadsHoldTheSameKeyApart) {
  int pad = attach();
  int second = attach();
  // Keyboard first, then the pad: one press, held until both let go.
  EmitKeyDown(KEY_UP);
  SetVirtualPadButton(pad, PAD_BUTTON_A, 1);
  EXPECT_EQ(KeyPressed(KEY_UP), 1);
  EmitKeyUp(KEY_UP);
  EXPECT_EQ(KeyDown(KEY_UP), 1) << "the pad still holds it";
  SetVirtualPadButton(pad, PAD_BUTTON_A, 0);
  EXPECT_EQ(KeyDown(KEY_UP), 0);
  // The pad first, then the keyboard.
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, -1);
  EmitKeyDown(KEY_LEFT);
  EXPECT_EQ(KeyPressed(KEY_LEFT), 1);
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, 0);
  EXPECT_EQ(KeyDown(KEY_LEFT), 1) << "the keyboard still holds it";
  EmitKeyUp(KEY_LEFT);
  EXPECT_EQ(KeyDown(KEY_LEFT), 0);
  // Two pads.
  SetVirtualPadButton(pad, PAD_BUTTON_X, 1);
  SetVirtualPadButton(second, PAD_BUTTON_X, 1);
  SetVirtualPadButton(pad, PAD_BUTTON_X, 0);
  EXPECT_EQ(KeyDown(KEY_DOWN), 1) << "the second pad still holds it";
  SetVirtualPadButton(second, PAD_BUTTON_X, 0);
  EXPECT_EQ(KeyDown(KEY_DOWN), 0);
}

TEST_F(Pad, HalfAStickUnderAHeldKeyCountsWhole) {
  int pad = attach();
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, 0.5f);
  EXPECT_NEAR(KeyAmount(KEY_RIGHT), 0.5f, 1e-3);
  EmitKeyDown(KEY_RIGHT);
  EXPECT_EQ(KeyAmount(KEY_RIGHT), 1);
  EmitKeyUp(KEY_RIGHT);
  EXPECT_NEAR(KeyAmount(KEY_RIGHT), 0.5f, 1e-3);
  // Set by hand, as the game's tests do, a key is whole too.
  gKeyStates[KEY_UP] = 1;
  EXPECT_EQ(KeyAmount(KEY_UP), 1);
  gKeyStates[KEY_UP] = 0;
  EXPECT_EQ(KeyAmount(KEY_UP), 0);
}

TEST_F(Pad, UnpluggingWhileHoldingTheThrottleReleasesEverythingItHeld) {
  const int before = PadCount();
  int pad = attach();
  SetVirtualPadAxis(pad, PAD_AXIS_TRIGGER_RIGHT, 1);
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, -0.8f);
  SetVirtualPadButton(pad, PAD_BUTTON_Y, 1);
  EmitKeyDown(KEY_DOWN);
  EXPECT_EQ(heldKeys(), "37 38 40 77");
  DetachVirtualPad(pad);
  EXPECT_EQ(heldKeys(), "40") << "only the keyboard's key";
  EXPECT_EQ(PadCount(), before);
  EmitKeyUp(KEY_DOWN);
}

TEST_F(Pad, ClosingThePadsReleasesTheirKeys) {
  int pad = attach();
  SetVirtualPadButton(pad, PAD_BUTTON_A, 1);
  EXPECT_EQ(KeyDown(KEY_UP), 1);
  ClosePads();
  EXPECT_EQ(KeyDown(KEY_UP), 0);
  EXPECT_EQ(PadCount(), 0);
  EmitKeyDown(KEY_UP);
  EXPECT_EQ(KeyDown(KEY_UP), 1) << "the keyboard plays alone";
  EmitKeyUp(KEY_UP);
}

TEST_F(Pad, FlushKeysForgetsPadControlsUntilTheirNextPress) {
  int pad = attach();
  SetVirtualPadButton(pad, PAD_BUTTON_A, 1);
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, -1);
  ASSERT_EQ(heldKeys(), "37 38");
  FlushKeys();
  EXPECT_EQ(heldKeys(), "");
  EXPECT_EQ(KeyPressed(KEY_UP), 0);
  EXPECT_EQ(KeyPressed(KEY_LEFT), 0);
  // Still held, or moved within the same hold: nothing.
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, -0.5f);
  EXPECT_EQ(heldKeys(), "");
  // Let go and pressed again: counted.
  SetVirtualPadButton(pad, PAD_BUTTON_A, 0);
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, 0);
  EXPECT_EQ(heldKeys(), "");
  SetVirtualPadButton(pad, PAD_BUTTON_A, 1);
  SetVirtualPadAxis(pad, PAD_AXIS_LEFT_X, -0.5f);
  EXPECT_EQ(heldKeys(), "37 38");
  EXPECT_EQ(KeyPressed(KEY_UP), 1);
  EXPECT_EQ(KeyPressed(KEY_LEFT), 1);
}

TEST_F(Pad, RumbleReachesThePadsThatHaveIt) {
  int shaker = attach(1);
  int still = attach(0);
  KeyDown(KEY_UP);  // both are picked up
  PadRumble(1.0f, 0.5f, 200);
  const auto got = VirtualPadRumbles(shaker);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NEAR(got[0].low, 1.0f, 1e-3);
  EXPECT_NEAR(got[0].high, 0.5f, 1e-3);
  EXPECT_TRUE(VirtualPadRumbles(still).empty());
  PadRumble(0, 0, 0);
  ASSERT_EQ(VirtualPadRumbles(shaker).size(), 2u);
  EXPECT_EQ(VirtualPadRumbles(shaker)[1].low, 0);
}
