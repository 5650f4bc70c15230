// Game controllers beside the keyboard: any pad in the standard layout
// (Xbox, PlayStation, Switch and the like), plugged in at any time, holds
// and presses the game's keys, read in the same event processing as the
// keyboard; and rumble for the pads that have it.
#pragma once

#include <vector>

// The buttons of the standard layout, named by their place: A is the south
// face button, B east, X west, Y north.
constexpr int PAD_BUTTON_A = 0;
constexpr int PAD_BUTTON_B = 1;
constexpr int PAD_BUTTON_X = 2;
constexpr int PAD_BUTTON_Y = 3;
constexpr int PAD_BUTTON_BACK = 4;
constexpr int PAD_BUTTON_GUIDE = 5;
constexpr int PAD_BUTTON_START = 6;
constexpr int PAD_BUTTON_LEFT_STICK = 7;
constexpr int PAD_BUTTON_RIGHT_STICK = 8;
constexpr int PAD_BUTTON_LEFT_SHOULDER = 9;
constexpr int PAD_BUTTON_RIGHT_SHOULDER = 10;
constexpr int PAD_BUTTON_DPAD_UP = 11;
constexpr int PAD_BUTTON_DPAD_DOWN = 12;
constexpr int PAD_BUTTON_DPAD_LEFT = 13;
constexpr int PAD_BUTTON_DPAD_RIGHT = 14;
constexpr int PAD_BUTTON_COUNT = 21;

constexpr int PAD_AXIS_LEFT_X = 0;
constexpr int PAD_AXIS_LEFT_Y = 1;
constexpr int PAD_AXIS_RIGHT_X = 2;
constexpr int PAD_AXIS_RIGHT_Y = 3;
constexpr int PAD_AXIS_TRIGGER_LEFT = 4;
constexpr int PAD_AXIS_TRIGGER_RIGHT = 5;
constexpr int PAD_AXIS_COUNT = 6;

// A stick or trigger moved less than this share of its travel holds nothing.
constexpr float PAD_DEAD_ZONE = 0.25f;

// Starts the controller layer and follows pads from then on. 1 when it
// runs; 0 when it cannot start (no device access, a container), and then
// the keyboard plays alone and nothing is said. Calling again is harmless.
int OpenPads();
// Lets go of every pad and stops the controller layer (also run at exit).
void ClosePads();
// Pads connected now.
int PadCount();

// The key a button acts as (0: none). The game changes Start's between
// starting a race and pausing one.
void SetPadButtonKey(int button, int key);
int PadButtonKey(int button);

// Shakes every pad that can: the low- and high-frequency motors at 0..1 for
// ms milliseconds; 0, 0 stops them. Pads without rumble ignore it.
void PadRumble(float low, float high, int ms);

// Pads without hardware, for tests: a virtual pad in the standard layout,
// seen by the game as a pad plugged in. Attaching starts the controller
// layer if need be; it returns the pad's number, or -1 when there is none.
int AttachVirtualPad(int canRumble);
void DetachVirtualPad(int pad);
void SetVirtualPadButton(int pad, int button, int down);
// Sticks from -1 (left, up) to 1; triggers from 0 (released) to 1.
void SetVirtualPadAxis(int pad, int axis, float value);

// One motor request a virtual pad received: strengths 0..1.
struct TPadRumble {
  float low = 0;
  float high = 0;
};
// Every request the pad received since it was attached, in order.
std::vector<TPadRumble> VirtualPadRumbles(int pad);
