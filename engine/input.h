// Polled keyboard (and mouse) state, fed by the window's events and by the
// pads.
#pragma once

constexpr int KEY_PAUSE = 19;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;
constexpr int KEY_LEFT = 37;
constexpr int KEY_UP = 38;
constexpr int KEY_RIGHT = 39;
constexpr int KEY_DOWN = 40;
constexpr int KEY_A = 65;
constexpr int KEY_M = 77;
constexpr int KEY_P = 80;
constexpr int KEY_W = 87;
constexpr int KEY_Y = 89;
constexpr int KEY_Z = 90;
constexpr int KEY_COMMA = 188;
constexpr int KEY_PERIOD = 190;

extern int gKeyStates[256];
extern int gKeyHits[256];
extern int gCharQueue[256];
extern int gCharPut;
extern int gCharGet;
extern int gMouseStates[4];
extern int gMouseHits[4];
extern int gMouseX;
extern int gMouseY;
extern int gMouseZ;
extern int gAppSuspended;
extern int gCloseRequested;
extern int gInputEnabled;

int KeyPressed(int key);
int KeyDown(int key);
// How far a held key is pressed: 1 when the keyboard or a pad button holds
// it, a stick's or trigger's travel (0..1) when only that holds it, 0 when
// it is not held.
float KeyAmount(int key);
void FlushKeys();
int CloseRequested();
int MouseX();
int MouseY();

// Translation of an unshifted X key symbol to the game's key code.
int KeySymToKeyCode(unsigned long keysym);

// Event plumbing between the window system and the polled state. The
// display module installs its event reader as the source once it has a
// connection; every read of the state runs it first, and it feeds the
// state through these calls.
void SetEventSource(void (*poll)());
void SetInputEnabled(int enabled);
void EmitKeyDown(int code);
void EmitKeyUp(int code);
void EmitKeyRepeat(int code);
void EmitKeyChar(int ch);
void EmitMouseDown(int button);
void EmitMouseUp(int button);
void EmitMouseMove(int x, int y);
void EmitMouseWheel(int delta);
void EmitCloseRequest();
// The window lost (1) or regained (0) the keyboard focus: gAppSuspended.
void EmitSuspend(int suspended);

// Pads beside the keyboard. The pad module installs its reader, run with
// the window's on every read of the state, and its flush, run when the
// held keys are forgotten. After each read it reports how far pads hold a
// key (0 no longer, up to 1 whole); a key held by both the keyboard and a
// pad stays held until both let go.
void SetPadSource(void (*poll)(), void (*flush)());
void EmitPadKey(int code, float amount);
