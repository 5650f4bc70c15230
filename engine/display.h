// The one OpenGL surface on X11: window or full-screen video mode, frame
// pacing, and the logical resolution every drawing coordinate is given in.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/drawing.h"

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
extern std::shared_ptr<TDrawState> gAutoGraphics;
extern int gSoftSync;
extern int gVSync;
extern int gSoftSyncHertz;
extern int gSoftSyncStep;
extern int gSoftSyncRemainder;
extern int gSoftSyncAccum;
extern int gSoftSyncNext;
extern int gSoftSyncWaited;

// depth 0 opens a width x height window; any other depth switches to a
// full-screen mode of that size. Null when no surface could be made.
std::shared_ptr<TDrawState> OpenGraphics(int width, int height, int depth, int hz, int flags);
void EndGraphics();
void FlipFrame(int sync);
// 1 when FlipFrame(-1) paces frames itself (soft sync or a working vertical
// sync), so the main loop may draw a frame with no tick pending.
int FramePaced();
// Takes the soft-sync sleep of the coming FlipFrame(-1) now, so the frame
// drawn next is presented at once, at the moment it was drawn for.
void WaitFrameSlot();
// Gives up the slot WaitFrameSlot slept for when nothing is presented in it,
// so the next frame waits for a slot of its own.
void SkipFrameSlot();
// FlipFrame calls so far, with or without a surface: tells the main loop
// whether a pass presented a frame.
extern int gFlipCount;
int GraphicsWidth();
int GraphicsHeight();
// The size full screen takes: the monitor holding (most of) the window where
// the screen has several monitors or a window manager can do full screen,
// else the first video mode (640 x 480 with none).
int DesktopWidth();
int DesktopHeight();
// How many times width x height the window should be: the largest whole
// number that fits in about three quarters of its monitor, at least 1.
int WindowScale(int width, int height);
std::vector<TGraphicsMode> GraphicsModes();
void ShowMouse();
void HideMouse();

// Why the last OpenGraphics failed, as one line ("" when it did not).
std::string GraphicsFailure();
// No surface at all: say so in one line on stderr and exit with status 1.
[[noreturn]] void DisplayUnavailable();

float LogicalMouseX();
float LogicalMouseY();
void MoveLogicalMouse(float x, float y);

// Reads pending window events into the input state; a no-op with no window.
void PollSystem();
// Ends the graphics (putting the desktop video mode back) and forgets what
// was learnt of the display and its keys, so the next open starts as the
// first one did. The connection stays: OpenGL drivers leak when it closes.
void ResetDisplay();
// Presents the back buffer of a graphics with the given swap interval.
void PresentGraphics(TGraphics& graphics, int swapInterval);

// One open surface: its size and the platform handles behind it.
class TGraphics {
public:
  int kind = 0;  // 2 = window, 3 = full screen
  int width = 0;
  int height = 0;
  int depth = 0;
  int hertz = 0;
  int flags = 0;
  int swapInterval = -1;
  unsigned long window = 0;
  unsigned long colormap = 0;
  void* context = nullptr;

  virtual ~TGraphics();
  void Close();
};

class TGLGraphics : public TGraphics {};
