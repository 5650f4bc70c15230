// Polled keyboard and mouse state, the close request, and the table that
// turns X key symbols into the game's key codes.
#include "engine/input.h"

#include <X11/keysym.h>

int gKeyStates[256];
int gKeyHits[256];
int gCharQueue[256];
int gCharPut = 0;
int gCharGet = 0;
int gMouseStates[4];
int gMouseHits[4];
int gMouseX = 0;
int gMouseY = 0;
int gMouseZ = 0;
int gAppSuspended = 0;
int gCloseRequested = 0;
int gInputEnabled = 0;

namespace {
void (*gEventSource)() = nullptr;
void (*gPadPoll)() = nullptr;
void (*gPadFlush)() = nullptr;
// Who holds each key apart from gKeyStates, which says whether anything
// does: the keyboard, and how far the pads press it.
int gKeyboardHeld[256];
float gPadAmount[256];

void PollEvents() {
  if (gEventSource) gEventSource();
  if (gPadPoll) gPadPoll();
}

bool ValidKey(int key) { return key >= 0 && key < 256; }
bool ValidButton(int button) { return button >= 1 && button <= 3; }

void ClearKeys() {
  for (int i = 0; i < 256; ++i) {
    gKeyStates[i] = gKeyHits[i] = gKeyboardHeld[i] = 0;
    gPadAmount[i] = 0;
  }
  gCharPut = gCharGet = 0;
  // Pad controls still held count again only from their next press.
  if (gPadFlush) gPadFlush();
}

void ClearMouseButtons() {
  for (int i = 0; i < 4; ++i) gMouseStates[i] = gMouseHits[i] = 0;
}

// Key symbols first..last map to codes code, code + 1, ...
struct KeySymRange {
  unsigned long first;
  unsigned long last;
  int code;
};

constexpr KeySymRange KEY_SYM_TABLE[] = {
    {XK_a, XK_z, 65},
    {XK_braceleft, XK_asciitilde, 91},
    {XK_0, XK_9, 48},
    {XK_space, XK_space, 32},
    {XK_comma, XK_comma, 188},
    {XK_minus, XK_minus, 189},
    {XK_period, XK_period, 190},
    {XK_slash, XK_slash, 191},
    {XK_semicolon, XK_semicolon, 186},
    {XK_equal, XK_equal, 187},
    {XK_grave, XK_grave, 192},
    {XK_bracketleft, XK_bracketleft, 219},
    {XK_backslash, XK_backslash, 226},
    {XK_bracketright, XK_bracketright, 221},
    {XK_apostrophe, XK_apostrophe, 222},
    {XK_BackSpace, XK_BackSpace, 8},
    {XK_Tab, XK_Tab, 9},
    {XK_Return, XK_Return, 13},
    {XK_Escape, XK_Escape, 27},
    {XK_Pause, XK_Pause, 19},
    {XK_Left, XK_Down, 37},
    {XK_Home, XK_Home, 36},
    {XK_Prior, XK_Prior, 33},
    {XK_Next, XK_Next, 34},
    {XK_End, XK_End, 35},
    {XK_Insert, XK_Insert, 45},
    {XK_Delete, XK_Delete, 46},
    {XK_Print, XK_Print, 42},
    {XK_Menu, XK_Menu, 93},
    // The keypad keys without Num Lock read as the keypad digits.
    {XK_KP_Insert, XK_KP_Insert, 96},
    {XK_KP_End, XK_KP_End, 97},
    {XK_KP_Down, XK_KP_Down, 98},
    {XK_KP_Next, XK_KP_Next, 99},
    {XK_KP_Left, XK_KP_Left, 100},
    {XK_KP_Begin, XK_KP_Begin, 101},
    {XK_KP_Right, XK_KP_Right, 102},
    {XK_KP_Home, XK_KP_Home, 103},
    {XK_KP_Up, XK_KP_Up, 104},
    {XK_KP_Prior, XK_KP_Prior, 105},
    {XK_KP_Delete, XK_KP_Delete, 110},
    {XK_KP_Multiply, XK_KP_Multiply, 106},
    {XK_KP_Add, XK_KP_Add, 107},
    {XK_KP_Subtract, XK_KP_Subtract, 109},
    {XK_KP_Divide, XK_KP_Divide, 111},
    {XK_KP_Enter, XK_KP_Enter, 13},
    {XK_F1, XK_F12, 112},
    {XK_Num_Lock, XK_Num_Lock, 144},
    {XK_Scroll_Lock, XK_Scroll_Lock, 145},
    {XK_Shift_L, XK_Shift_L, 160},
    {XK_Shift_R, XK_Shift_R, 161},
    {XK_Control_L, XK_Control_L, 162},
    {XK_Control_R, XK_Control_R, 163},
    {XK_Alt_L, XK_Alt_L, 164},
    {XK_Alt_R, XK_Alt_R, 165},
    {XK_Super_L, XK_Super_L, 91},
    {XK_Super_R, XK_Super_R, 92},
};
}  // namespace

void SetEventSource(void (*poll)()) { gEventSource = poll; }

void SetPadSource(void (*poll)(), void (*flush)()) {
  gPadPoll = poll;
  gPadFlush = flush;
}

int KeySymToKeyCode(unsigned long keysym) {
  for (const KeySymRange& row : KEY_SYM_TABLE) {
    if (keysym >= row.first && keysym <= row.last) return row.code + static_cast<int>(keysym - row.first);
  }
  return static_cast<int>(keysym & 0xFF);
}

int KeyPressed(int key) {
  PollEvents();
  if (!ValidKey(key)) return 0;
  const int hits = gKeyHits[key];
  gKeyHits[key] = 0;
  return hits;
}

int KeyDown(int key) {
  PollEvents();
  return ValidKey(key) ? gKeyStates[key] : 0;
}

float KeyAmount(int key) {
  PollEvents();
  if (!ValidKey(key) || !gKeyStates[key]) return 0;
  // Held by the keyboard, a button, or set by hand: whole.
  if (gKeyboardHeld[key] || !(gPadAmount[key] > 0)) return 1;
  return gPadAmount[key] < 1 ? gPadAmount[key] : 1;
}

void FlushKeys() {
  PollEvents();
  ClearKeys();
}

int CloseRequested() {
  PollEvents();
  const int requested = gCloseRequested;
  gCloseRequested = 0;
  return requested;
}

int MouseX() {
  PollEvents();
  return gMouseX;
}

int MouseY() {
  PollEvents();
  return gMouseY;
}

void SetInputEnabled(int enabled) {
  gInputEnabled = enabled ? 1 : 0;
  // Whatever was held belongs to the surface that came or went, and so
  // does a focus it lost.
  ClearKeys();
  ClearMouseButtons();
  gAppSuspended = 0;
}

void EmitKeyDown(int code) {
  if (!gInputEnabled || !ValidKey(code)) return;
  gKeyboardHeld[code] = 1;
  // Held keys and auto-repeat count one press.
  if (!gKeyStates[code]) {
    gKeyStates[code] = 1;
    ++gKeyHits[code];
  }
}

void EmitKeyUp(int code) {
  if (!gInputEnabled || !ValidKey(code)) return;
  gKeyboardHeld[code] = 0;
  gKeyStates[code] = gPadAmount[code] > 0 ? 1 : 0;
}

void EmitKeyRepeat(int) {}

void EmitKeyChar(int ch) {
  if (!gInputEnabled) return;
  if (gCharPut - gCharGet >= 256) return;
  gCharQueue[gCharPut & 255] = ch;
  ++gCharPut;
}

void EmitMouseDown(int button) {
  if (!gInputEnabled || !ValidButton(button)) return;
  if (!gMouseStates[button]) {
    gMouseStates[button] = 1;
    ++gMouseHits[button];
  }
}

void EmitMouseUp(int button) {
  if (!gInputEnabled || !ValidButton(button)) return;
  gMouseStates[button] = 0;
}

void EmitMouseMove(int x, int y) {
  if (!gInputEnabled) return;
  gMouseX = x;
  gMouseY = y;
}

void EmitMouseWheel(int delta) {
  if (!gInputEnabled) return;
  gMouseZ += delta;
}

void EmitCloseRequest() {
  if (!gInputEnabled) return;
  gCloseRequested = 1;
}

void EmitSuspend(int suspended) {
  if (!gInputEnabled) return;
  gAppSuspended = suspended ? 1 : 0;
}

void EmitPadKey(int code, float amount) {
  if (!ValidKey(code)) return;
  const bool wasHeld = gPadAmount[code] > 0;
  gPadAmount[code] = amount > 0 ? amount : 0;
  if (amount > 0 && !wasHeld) {
    // Like a key: a press unless something already holds it.
    if (!gKeyStates[code]) {
      gKeyStates[code] = 1;
      ++gKeyHits[code];
    }
  } else if (!(amount > 0) && wasHeld) {
    gKeyStates[code] = gKeyboardHeld[code];
  }
}
