// The one OpenGL surface on X11: window or full-screen video mode, frame
// pacing, and the logical resolution every drawing coordinate is given in.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TDrawState;

constexpr int GFX_BACK_BUFFER = 2;
constexpr int GFX_ALPHA_BUFFER = 4;
constexpr int GFX_DEPTH_BUFFER = 8;
constexpr int GFX_STENCIL_BUFFER = 16;
constexpr int GFX_ACCUM_BUFFER = 32;

struct TGraphicsMode {
  int width = 0;
  int height = 0;
  int depth = 0;
  int hertz = 0;
};

// The window title; set before the first OpenGraphics.
extern std::string AppTitle;

extern int gDefaultGraphicsFlags;
extern std::shared_ptr<TDrawState> gCurrentGraphics;
extern std::shared_ptr<TDrawState> gAutoGraphics;
extern int gGraphicsSeq;
extern int gSoftSync;
extern int gVSync;
extern int gSoftSyncHertz;
extern int gSoftSyncStep;
extern int gSoftSyncRemainder;
extern int gSoftSyncAccum;
extern int gSoftSyncNext;

// depth 0 opens a width x height window; any other depth switches to a
// full-screen mode of that size. Null when no surface could be made.
std::shared_ptr<TDrawState> OpenGraphics(int width, int height, int depth, int hz, int flags);
void EndGraphics();
void FlipFrame(int sync);
int GraphicsWidth();
int GraphicsHeight();
int DesktopWidth();
int DesktopHeight();
std::vector<TGraphicsMode> GraphicsModes();
void ShowMouse();
void HideMouse();

// Why the last OpenGraphics failed, as one line ("" when it did not).
std::string GraphicsFailure();
// No surface at all: say so in one line on stderr and exit with status 1.
[[noreturn]] void DisplayUnavailable();

void SetLogicalResolution(float w, float h);
float LogicalWidth();
float LogicalHeight();
float LogicalMouseX();
float LogicalMouseY();
void MoveLogicalMouse(float x, float y);

// Steps the generation counter as a 32-bit value that skips 0.
void BumpGraphicsSeq();
