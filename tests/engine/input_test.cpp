// Polled input through the event plumbing, and the key-symbol table.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "engine/input.h"

namespace {
class Input : public testing::Test {
protected:
  void SetUp() override { SetInputEnabled(1); }
  void TearDown() override { SetInputEnabled(0); }
};
}  // namespace

TEST_F(Input, HeldKeyWithAutoRepeatCountsOnePress) {
  EmitKeyDown(KEY_SPACE);
  for (int i = 0; i < 25; ++i) {
    EmitKeyRepeat(KEY_SPACE);
    EmitKeyDown(KEY_SPACE);
  }
  EXPECT_EQ(KeyPressed(KEY_SPACE), 1);
  EXPECT_EQ(KeyPressed(KEY_SPACE), 0);
  EXPECT_EQ(KeyDown(KEY_SPACE), 1);
  EmitKeyUp(KEY_SPACE);
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);
}

TEST_F(Input, SeparatePressesAddUpUntilRead) {
  for (int i = 0; i < 2; ++i) {
    EmitKeyDown(KEY_UP);
    EmitKeyUp(KEY_UP);
  }
  EXPECT_EQ(KeyPressed(KEY_UP), 2);
  EXPECT_EQ(KeyPressed(KEY_UP), 0);
  // Other keys are untouched.
  EXPECT_EQ(KeyPressed(KEY_DOWN), 0);
}

TEST_F(Input, FlushKeysForgetsHeldKeysPressesAndCharacters) {
  EmitKeyDown(KEY_LEFT);
  EmitKeyChar('a');
  FlushKeys();
  EXPECT_EQ(KeyDown(KEY_LEFT), 0);
  EXPECT_EQ(KeyPressed(KEY_LEFT), 0);
  EXPECT_EQ(gCharPut - gCharGet, 0);
  // Still held on the keyboard: only a new press counts.
  EmitKeyRepeat(KEY_LEFT);
  EXPECT_EQ(KeyDown(KEY_LEFT), 0);
  EmitKeyDown(KEY_LEFT);
  EXPECT_EQ(KeyPressed(KEY_LEFT), 1);
}

TEST_F(Input, CloseRequestIsReadOnce) {
  EXPECT_EQ(CloseRequested(), 0);
  EmitCloseRequest();
  EmitCloseRequest();
  EXPECT_EQ(CloseRequested(), 1);
  EXPECT_EQ(CloseRequested(), 0);
}

TEST_F(Input, DisabledInputIgnoresEventsAndSwitchingClearsState) {
  EmitKeyDown(KEY_A);
  EmitMouseDown(1);
  SetInputEnabled(0);
  EXPECT_EQ(KeyDown(KEY_A), 0);
  EXPECT_EQ(gMouseStates[1], 0);
  EmitKeyDown(KEY_W);
  EmitMouseDown(2);
  EmitKeyChar('w');
  EmitCloseRequest();
  EmitMouseMove(10, 20);
  EXPECT_EQ(KeyPressed(KEY_W), 0);
  EXPECT_EQ(gMouseHits[2], 0);
  EXPECT_EQ(gCharPut - gCharGet, 0);
  EXPECT_EQ(CloseRequested(), 0);
  EXPECT_NE(gMouseX, 10);
  EmitKeyUp(KEY_W);
  SetInputEnabled(1);
  EmitKeyDown(KEY_M);
  SetInputEnabled(1);
  EXPECT_EQ(KeyDown(KEY_M), 0);
  EXPECT_EQ(KeyPressed(KEY_M), 0);
}

TEST_F(Input, MouseAndCharactersFollowTheKeyRules) {
  EmitMouseDown(1);
  EmitMouseDown(1);
  EmitMouseDown(3);
  EmitMouseUp(3);
  EmitMouseMove(120, 45);
  EmitMouseWheel(1);
  EmitMouseWheel(1);
  EmitMouseWheel(-1);
  EXPECT_EQ(gMouseHits[1], 1);
  EXPECT_EQ(gMouseStates[1], 1);
  EXPECT_EQ(gMouseHits[3], 1);
  EXPECT_EQ(gMouseStates[3], 0);
  EXPECT_EQ(MouseX(), 120);
  EXPECT_EQ(MouseY(), 45);
  EXPECT_EQ(gMouseZ, 1);
  // The queue holds 256 characters and drops the rest.
  for (int i = 0; i < 300; ++i) EmitKeyChar('a' + i % 26);
  EXPECT_EQ(gCharPut - gCharGet, 256);
  EXPECT_EQ(gCharQueue[255], 'a' + 255 % 26);
}

TEST_F(Input, CodesOutsideTheirRangesAreIgnored) {
  for (int code : {-1, 256, 100000}) {
    EmitKeyDown(code);
    EmitKeyUp(code);
    EXPECT_EQ(KeyDown(code), 0);
    EXPECT_EQ(KeyPressed(code), 0);
  }
  for (int button : {0, 4, -3}) EmitMouseDown(button);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(gMouseHits[i], 0);
}

TEST(KeySymbols, EveryRowOfTheTableGivesItsCode) {
  struct Case {
    unsigned long keysym;
    int code;
  } cases[] = {
      {XK_a, KEY_A}, {XK_m, KEY_M}, {XK_w, KEY_W}, {XK_y, KEY_Y}, {XK_z, KEY_Z},
      {XK_braceleft, 91}, {XK_bar, 92}, {XK_braceright, 93}, {XK_asciitilde, 94},
      {XK_0, 48}, {XK_5, 53}, {XK_9, 57}, {XK_space, KEY_SPACE},
      {XK_comma, KEY_COMMA}, {XK_minus, 189}, {XK_period, KEY_PERIOD}, {XK_slash, 191},
      {XK_semicolon, 186}, {XK_equal, 187}, {XK_grave, 192},
      {XK_bracketleft, 219}, {XK_backslash, 226}, {XK_bracketright, 221}, {XK_apostrophe, 222},
      {XK_BackSpace, 8}, {XK_Tab, 9}, {XK_Return, 13}, {XK_Escape, KEY_ESCAPE}, {XK_Pause, 19},
      {XK_Left, KEY_LEFT}, {XK_Up, KEY_UP}, {XK_Right, KEY_RIGHT}, {XK_Down, KEY_DOWN},
      {XK_Home, 36}, {XK_Prior, 33}, {XK_Next, 34}, {XK_End, 35},
      {XK_Insert, 45}, {XK_Delete, 46}, {XK_Print, 42}, {XK_Menu, 93},
      {XK_KP_Insert, 96}, {XK_KP_End, 97}, {XK_KP_Down, 98}, {XK_KP_Next, 99}, {XK_KP_Left, 100},
      {XK_KP_Begin, 101}, {XK_KP_Right, 102}, {XK_KP_Home, 103}, {XK_KP_Up, 104}, {XK_KP_Prior, 105},
      {XK_KP_Delete, 110}, {XK_KP_Multiply, 106}, {XK_KP_Add, 107}, {XK_KP_Subtract, 109},
      {XK_KP_Divide, 111}, {XK_KP_Enter, 13},
      {XK_F1, 112}, {XK_F7, 118}, {XK_F12, 123}, {XK_Num_Lock, 144}, {XK_Scroll_Lock, 145},
      {XK_Shift_L, 160}, {XK_Shift_R, 161}, {XK_Control_L, 162}, {XK_Control_R, 163},
      {XK_Alt_L, 164}, {XK_Alt_R, 165}, {XK_Super_L, 91}, {XK_Super_R, 92},
      // Anything else: the symbol's low byte.
      {XK_A, 0x41}, {XK_F13, 0xCA}, {XK_Caps_Lock, 0xE5}, {XK_KP_0, 0xB0}, {XK_exclam, 0x21},
      {XK_odiaeresis, 0xF6}, {0x1000000 + 0x263A, 0x3A},
  };
  for (const Case& c : cases) EXPECT_EQ(KeySymToKeyCode(c.keysym), c.code) << std::hex << c.keysym;
}
