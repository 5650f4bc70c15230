// The X11/GLX surface: display connection, window or VidMode full screen,
// frame pacing, pointer, and the translation of X events into input.
#include "engine/display.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/XKBlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/xf86vmode.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/clock.h"
#include "engine/drawing.h"
#include "engine/fonts.h"
#include "engine/gl_driver.h"
#include "engine/input.h"
#include "engine/system.h"

std::string AppTitle = "velmora";

int gDefaultGraphicsFlags = GFX_BACK_BUFFER;
std::shared_ptr<TDrawState> gAutoGraphics;
int gSoftSync = 0;
int gVSync = 0;
// WaitFrameSlot has already slept for the coming FlipFrame.
int gSoftSyncWaited = 0;
int gSoftSyncHertz = 0;
int gSoftSyncStep = 0;
int gSoftSyncRemainder = 0;
int gSoftSyncAccum = 0;
int gSoftSyncNext = 0;

namespace {
Display* gXDisplay = nullptr;
std::string gFailure;
int gSettings[5] = {0, 0, 0, 0, 0};  // width, height, depth, hertz, flags
bool gExitHookRegistered = false;
Atom gDeleteAtom = 0;
Cursor gBlankCursor = 0;
int gHaveVidMode = -1;
XF86VidModeModeInfo gSavedMode;
bool gHaveSavedMode = false;
// X key codes held down now, to tell a server's repeated press from a new one.
bool gHeld[256] = {};
typedef int (*SwapIntervalFn)(int);
SwapIntervalFn gSwapInterval = nullptr;
bool gSwapControlSearched = false;
bool gThreadsReady = false;  // Xlib's threads are set up once per process
bool gPolling = false;       // an event handler polling again must not recurse
// Where the last window was on the root (its inside, not a manager's frame),
// so full screen picks its monitor and the window comes back there.
struct TRect {
  int x = 0, y = 0, w = 0, h = 0;
};
TRect gWindowRect;
bool gHaveWindowRect = false;

constexpr int kInterlace = 0x010;
constexpr int kDoubleScan = 0x020;

std::string DisplayName() {
  const char* d = std::getenv("DISPLAY");
  return d ? d : "";
}

// A stray X error (a bad request on a dying window, say) must not end the game.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// The connection is gone, so the exit handlers (which talk to X) must not run.
int FatalXIOError(Display*) {
  FatalExit("velmora: lost the connection to X display \"" + DisplayName() + "\"\n", 1, false);
}

// Opened once; a failed attempt is retried on the next open.
Display* XDisplayHandle() {
  if (gXDisplay) return gXDisplay;
  if (!gThreadsReady) {
    XInitThreads();
    gThreadsReady = true;
  }
  if (DisplayName().empty()) {
    gFailure = "DISPLAY is not set";
    return nullptr;
  }
  gXDisplay = XOpenDisplay(nullptr);
  if (!gXDisplay) {
    gFailure = "cannot open X display \"" + DisplayName() + "\"";
    return nullptr;
  }
  SetEventSource(PollSystem);
  XSetErrorHandler(IgnoreXError);
  XSetIOErrorHandler(FatalXIOError);
  // Held keys then repeat as presses without releases in between, so a
  // slow reader never mistakes a repeat for the key being let go.
  XkbSetDetectableAutoRepeat(gXDisplay, True, nullptr);
  gDeleteAtom = XInternAtom(gXDisplay, "WM_DELETE_WINDOW", False);
  return gXDisplay;
}

bool HaveVidMode(Display* dpy) {
  if (gHaveVidMode < 0) {
    int ev = 0, err = 0;
    gHaveVidMode = XF86VidModeQueryExtension(dpy, &ev, &err) ? 1 : 0;
  }
  return gHaveVidMode == 1;
}

int ModeHertz(const XF86VidModeModeInfo& m) {
  if (!m.htotal || !m.vtotal) return 0;
  int hz = int(double(m.dotclock) * 1000.0 / (double(m.htotal) * m.vtotal) + 0.5);
  if (m.flags & kInterlace) hz *= 2;
  if (m.flags & kDoubleScan) hz /= 2;
  return hz;
}

// The swap-interval call exists only when the server lists the extension;
// calling it otherwise raises a fatal X error under Xvfb.
void FindSwapControl(Display* dpy) {
  if (gSwapControlSearched) return;
  gSwapControlSearched = true;
  const char* ext = glXQueryExtensionsString(dpy, DefaultScreen(dpy));
  if (ext && std::strstr(ext, "GLX_SGI_swap_control"))
    gSwapInterval = reinterpret_cast<SwapIntervalFn>(
        glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalSGI")));
}

bool Fail(const std::string& why) {
  gFailure = why;
  return false;
}

// Switches the display to a mode of exactly width x height (preferring hz).
bool SwitchVideoMode(Display* dpy, int width, int height, int hz) {
  std::string none = "no video mode " + std::to_string(width) + "x" + std::to_string(height);
  int screen = DefaultScreen(dpy);
  if (!HaveVidMode(dpy)) return Fail(none);
  int count = 0;
  XF86VidModeModeInfo** modes = nullptr;
  if (!XF86VidModeGetAllModeLines(dpy, screen, &count, &modes) || count <= 0) return Fail(none);
  XF86VidModeModeInfo* pick = nullptr;
  for (int i = 0; i < count && !pick; ++i)
    if (modes[i]->hdisplay == width && modes[i]->vdisplay == height && ModeHertz(*modes[i]) == hz)
      pick = modes[i];
  for (int i = 0; i < count && !pick; ++i)
    if (modes[i]->hdisplay == width && modes[i]->vdisplay == height) pick = modes[i];
  if (pick) {
    // The mode in use now is the one to come back to; the list's order
    // does not follow switches, so ask for it and find its entry.
    int dotclock = 0;
    XF86VidModeModeLine now{};
    bool known = XF86VidModeGetModeLine(dpy, screen, &dotclock, &now);
    if (now.privsize > 0 && now.c_private) XFree(now.c_private);
    XF86VidModeModeInfo* current = modes[0];
    for (int i = 0; known && i < count; ++i)
      if (modes[i]->hdisplay == now.hdisplay && modes[i]->vdisplay == now.vdisplay &&
          modes[i]->htotal == now.htotal && modes[i]->vtotal == now.vtotal &&
          modes[i]->dotclock == unsigned(dotclock)) {
        current = modes[i];
        break;
      }
    if (!gHaveSavedMode) {
      gSavedMode = *current;
      gSavedMode.privsize = 0;
      gSavedMode.c_private = nullptr;
      gHaveSavedMode = true;
    }
    XF86VidModeSwitchToMode(dpy, screen, pick);
    XF86VidModeSetViewPort(dpy, screen, 0, 0);
  }
  XFree(modes);
  return pick ? true : Fail(none);
}

// One RandR 1.5 monitor: a rectangle of the root window shown on its own.
struct TMonitor {
  TRect rect;
  bool primary = false;
};

// The screen's monitors in the server's order (the order the window
// manager's monitor indices follow); empty without RandR 1.5.
std::vector<TMonitor> Monitors(Display* dpy) {
  std::vector<TMonitor> out;
  int ev = 0, err = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(dpy, &ev, &err) || !XRRQueryVersion(dpy, &major, &minor)) return out;
  if (major < 1 || (major == 1 && minor < 5)) return out;
  int count = 0;
  XRRMonitorInfo* list = XRRGetMonitors(dpy, DefaultRootWindow(dpy), True, &count);
  for (int i = 0; list && i < count; ++i)
    if (list[i].width > 0 && list[i].height > 0)
      out.push_back({{list[i].x, list[i].y, list[i].width, list[i].height}, list[i].primary != 0});
  if (list) XRRFreeMonitors(list);
  return out;
}

int Overlap(const TRect& a, const TRect& b) {
  int w = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
  int h = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
  return w > 0 && h > 0 ? w * h : 0;
}

// The game's window where it is now (an open one) or was last.
bool WindowRect(Display* dpy, TRect& rect);

// Index of the monitor holding most of the window (its centre breaks a
// tie); with no window yet the primary monitor, else the first. -1 when
// there are none.
int MonitorOfWindow(Display* dpy, const std::vector<TMonitor>& monitors) {
  if (monitors.empty()) return -1;
  TRect win;
  if (WindowRect(dpy, win)) {
    int best = -1, bestArea = 0;
    int cx = win.x + win.w / 2, cy = win.y + win.h / 2;
    for (int i = 0; i < int(monitors.size()); ++i) {
      const TRect& m = monitors[i].rect;
      int area = Overlap(win, m);
      bool centre = cx >= m.x && cx < m.x + m.w && cy >= m.y && cy < m.y + m.h;
      if (area > bestArea || (area == bestArea && area > 0 && centre)) best = i, bestArea = area;
    }
    if (best >= 0) return best;
  }
  for (int i = 0; i < int(monitors.size()); ++i)
    if (monitors[i].primary) return i;
  return 0;
}

// The first value of a window or atom list property (0 when missing).
unsigned long PropertyList(Display* dpy, Window win, Atom name, Atom type, std::vector<unsigned long>* all) {
  Atom actual = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  unsigned long first = 0;
  if (XGetWindowProperty(dpy, win, name, 0, 1024, False, type, &actual, &format, &count, &after, &data) ==
          Success &&
      data) {
    if (actual == type && format == 32 && count > 0) {
      auto* values = reinterpret_cast<unsigned long*>(data);
      first = values[0];
      if (all) all->assign(values, values + count);
    }
    XFree(data);
  }
  return first;
}

// A window manager runs that can put a window in full screen: it names its
// own check window on the root (and on that window itself, so a stale one
// left by a manager that died does not count) and lists the state.
bool ManagerDoesFullScreen(Display* dpy) {
  Window root = DefaultRootWindow(dpy);
  Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
  Window wm = PropertyList(dpy, root, check, XA_WINDOW, nullptr);
  if (!wm || PropertyList(dpy, wm, check, XA_WINDOW, nullptr) != wm) return false;
  std::vector<unsigned long> supported;
  PropertyList(dpy, root, XInternAtom(dpy, "_NET_SUPPORTED", False), XA_ATOM, &supported);
  Atom full = XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False);
  return std::find(supported.begin(), supported.end(), full) != supported.end();
}

// Where full screen goes: the monitor of the window when a window manager
// can do it or the screen has several monitors. False means one monitor
// and no manager: the whole screen through a video-mode switch, as ever.
bool FullScreenMonitor(Display* dpy, TRect& rect, int& index, int& count, bool& managed) {
  auto monitors = Monitors(dpy);
  managed = ManagerDoesFullScreen(dpy);
  count = int(monitors.size());
  index = MonitorOfWindow(dpy, monitors);
  if (index < 0 || (!managed && count < 2)) return false;
  rect = monitors[index].rect;
  return true;
}

void SetTitle(Display* dpy, Window win) {
  Atom name = XInternAtom(dpy, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  XChangeProperty(dpy, win, name, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(AppTitle.data()), int(AppTitle.size()));
  XStoreName(dpy, win, AppTitle.c_str());
  // Lets window managers and tools (xdotool search --pid) find our process.
  long pid = long(getpid());
  XChangeProperty(dpy, win, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  // Lets desktops match the window to the game's menu entry and icon.
  XClassHint* hint = XAllocClassHint();
  if (hint) {
    hint->res_name = const_cast<char*>("velmora");
    hint->res_class = const_cast<char*>("Velmora");
    XSetClassHint(dpy, win, hint);
    XFree(hint);
  }
}

void WaitMapped(Display* dpy, Window win) {
  XEvent ev;
  for (int waited = 0; waited < 3000; ++waited) {
    if (XCheckTypedWindowEvent(dpy, win, MapNotify, &ev)) return;
    XSync(dpy, False);
    if (XCheckTypedWindowEvent(dpy, win, MapNotify, &ev)) return;
    Delay(1);
  }
}

std::shared_ptr<TGLGraphics> CreateGraphics(int width, int height, int depth, int hz, int flags) {
  Display* dpy = XDisplayHandle();
  if (!dpy) return nullptr;
  std::string where = "display \"" + DisplayName() + "\"";
  int ev = 0, err = 0;
  if (!glXQueryExtension(dpy, &err, &ev)) return Fail("no GLX on " + where), nullptr;
  if (width <= 0 || height <= 0) return Fail("bad surface size"), nullptr;
  FindSwapControl(dpy);

  int attribs[32], n = 0;
  for (int a : {GLX_RGBA, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1}) attribs[n++] = a;
  if (flags & GFX_BACK_BUFFER) attribs[n++] = GLX_DOUBLEBUFFER;
  if (flags & GFX_ALPHA_BUFFER) attribs[n++] = GLX_ALPHA_SIZE, attribs[n++] = 1;
  if (flags & GFX_DEPTH_BUFFER) attribs[n++] = GLX_DEPTH_SIZE, attribs[n++] = 1;
  if (flags & GFX_STENCIL_BUFFER) attribs[n++] = GLX_STENCIL_SIZE, attribs[n++] = 1;
  if (flags & GFX_ACCUM_BUFFER)
    for (int a : {GLX_ACCUM_RED_SIZE, GLX_ACCUM_GREEN_SIZE, GLX_ACCUM_BLUE_SIZE, GLX_ACCUM_ALPHA_SIZE})
      attribs[n++] = a, attribs[n++] = 1;
  attribs[n] = None;
  int screen = DefaultScreen(dpy);
  XVisualInfo* vi = glXChooseVisual(dpy, screen, attribs);
  if (!vi) return Fail("no suitable OpenGL visual on " + where), nullptr;

  bool fullScreen = depth != 0;
  // A window goes back where the last one was, the first one to the corner
  // of its monitor; full screen fills a monitor where there are several or
  // a window manager does it, and switches the video mode only otherwise.
  TRect place{0, 0, width, height};
  TRect monitor;
  int monitorIndex = -1, monitorCount = 0;
  bool managed = false, onMonitor = false;
  if (fullScreen) {
    onMonitor = FullScreenMonitor(dpy, monitor, monitorIndex, monitorCount, managed);
    if (onMonitor) place.x = monitor.x, place.y = monitor.y;
  } else if (gHaveWindowRect) {
    place.x = gWindowRect.x;
    place.y = gWindowRect.y;
  } else {
    auto monitors = Monitors(dpy);
    int i = MonitorOfWindow(dpy, monitors);
    if (i >= 0) place.x = monitors[i].rect.x, place.y = monitors[i].rect.y;
  }
  if (fullScreen && !onMonitor && !SwitchVideoMode(dpy, width, height, hz)) {
    XFree(vi);
    return nullptr;
  }
  bool grabbed = fullScreen && !managed;
  auto g = std::make_shared<TGLGraphics>();
  g->kind = fullScreen ? 3 : 2;
  g->width = width;
  g->height = height;
  g->depth = 24;
  g->hertz = hz;
  g->flags = flags;
  Window root = RootWindow(dpy, screen);
  g->colormap = XCreateColormap(dpy, root, vi->visual, AllocNone);
  XSetWindowAttributes swa{};
  swa.colormap = g->colormap;
  swa.border_pixel = 0;
  swa.override_redirect = grabbed ? True : False;
  swa.event_mask = StructureNotifyMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                   ButtonReleaseMask | PointerMotionMask | KeymapStateMask | FocusChangeMask;
  g->window = XCreateWindow(dpy, root, place.x, place.y, width, height, 0, vi->depth, InputOutput,
                            vi->visual, CWColormap | CWBorderPixel | CWEventMask | CWOverrideRedirect, &swa);
  if (!grabbed) {
    XSetWMProtocols(dpy, g->window, &gDeleteAtom, 1);
    XSizeHints* hints = XAllocSizeHints();
    if (!fullScreen) {
      // Fixed: the picture is drawn for this size only.
      hints->flags = PMinSize | PMaxSize;
      hints->min_width = hints->max_width = width;
      hints->min_height = hints->max_height = height;
    }
    if (fullScreen || gHaveWindowRect) {
      // The position is that of the window itself, not of a frame around it,
      // so a window that comes back does not creep by its decoration.
      hints->flags |= USPosition | PWinGravity;
      hints->x = place.x;
      hints->y = place.y;
      hints->win_gravity = StaticGravity;
    }
    XSetWMNormalHints(dpy, g->window, hints);
    XFree(hints);
  }
  if (fullScreen && managed) {
    // Asked before mapping, the manager shows the window full screen at once.
    Atom state = XInternAtom(dpy, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(dpy, g->window, XInternAtom(dpy, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&state), 1);
  }
  GLXContext ctx = glXCreateContext(dpy, vi, nullptr, True);
  XFree(vi);
  if (!ctx) {
    Fail("cannot create an OpenGL context on " + where);
    g->Close();
    return nullptr;
  }
  g->context = ctx;
  SetTitle(dpy, g->window);
  XMapRaised(dpy, g->window);
  WaitMapped(dpy, g->window);
  if (fullScreen && managed && monitorCount > 1) {
    // Names the one monitor to fill, for managers that would span them all.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = g->window;
    ev.xclient.message_type = XInternAtom(dpy, "_NET_WM_FULLSCREEN_MONITORS", False);
    ev.xclient.format = 32;
    for (int i = 0; i < 4; ++i) ev.xclient.data.l[i] = monitorIndex;
    ev.xclient.data.l[4] = 1;  // a normal application
    XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  }
  if (grabbed) {
    XWarpPointer(dpy, None, g->window, 0, 0, 0, 0, 0, 0);
    XGrabKeyboard(dpy, g->window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    XGrabPointer(dpy, g->window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, g->window, None, CurrentTime);
  }
  if (!glXMakeCurrent(dpy, g->window, ctx)) {
    Fail("cannot use an OpenGL context on " + where);
    g->Close();
    return nullptr;
  }
  return g;
}

void SetGraphics(const std::shared_ptr<TDrawState>& state) {
  if (!state) {
    SetCurrentDrawState(nullptr, 0, 0);
    for (int& v : gSettings) v = 0;
    return;
  }
  TGraphics& g = *state->_graphics;
  glXMakeCurrent(gXDisplay, g.window, static_cast<GLXContext>(g.context));
  gSettings[0] = g.width;
  gSettings[1] = g.height;
  gSettings[2] = g.depth;
  gSettings[3] = g.hertz;
  gSettings[4] = g.flags;
  GLDriver().ResetGLContext(g.width, g.height);
  SetCurrentDrawState(state, g.width, g.height);
  if (!state->_setup) {
    // Both buffers start in the clear colour, whatever the server left there.
    Cls();
    PresentGraphics(g, 0);
    Cls();
    PresentGraphics(g, 0);
    state->_setup = 1;
  }
}

Window CurrentWindow() {
  return gCurrentGraphics && gCurrentGraphics->_graphics ? gCurrentGraphics->_graphics->window : 0;
}

void EmitChars(XKeyEvent& key) {
  char text[16];
  KeySym sym = 0;
  int n = XLookupString(&key, text, 15, &sym, nullptr);
  for (int i = 0; i < n; ++i) EmitKeyChar(static_cast<unsigned char>(text[i]));
}

int KeyCodeOf(XKeyEvent& key) { return KeySymToKeyCode(XLookupKeysym(&key, 0)); }

// A release followed at once by a press of the same key at the same
// instant is the server's auto-repeat, not the player letting go.
bool IsAutoRepeat(Display* dpy, XKeyEvent& release) {
  if (!XEventsQueued(dpy, QueuedAfterReading)) return false;
  XEvent next;
  XPeekEvent(dpy, &next);
  return next.type == KeyPress && next.xkey.time == release.time &&
         KeyCodeOf(next.xkey) == KeyCodeOf(release);
}

void TranslateEvent(Display* dpy, XEvent& ev) {
  static const int kButtons[4] = {0, 1, 3, 2};
  // Sent right after the window gains focus, in event order: which keys are
  // down then. Releases may have gone to another window meanwhile.
  if (ev.type == KeymapNotify) {
    for (int i = 0; i < 256; ++i) gHeld[i] = ev.xkeymap.key_vector[i >> 3] & (1 << (i & 7));
    return;
  }
  // Events still queued for a surface that has been closed belong to nobody,
  // but a key let go there is up all the same.
  if (ev.xany.window != CurrentWindow()) {
    if (ev.type == KeyRelease) gHeld[ev.xkey.keycode & 255] = false;
    return;
  }
  switch (ev.type) {
    case KeyPress:
      // With detectable auto-repeat the server sends repeats as presses only.
      if (gHeld[ev.xkey.keycode & 255]) {
        EmitKeyRepeat(KeyCodeOf(ev.xkey));
      } else {
        gHeld[ev.xkey.keycode & 255] = true;
        EmitKeyDown(KeyCodeOf(ev.xkey));
      }
      EmitChars(ev.xkey);
      break;
    case KeyRelease:
      if (IsAutoRepeat(dpy, ev.xkey)) {
        XEvent press;
        XNextEvent(dpy, &press);
        EmitKeyRepeat(KeyCodeOf(press.xkey));
        EmitChars(press.xkey);
      } else {
        gHeld[ev.xkey.keycode & 255] = false;
        EmitKeyUp(KeyCodeOf(ev.xkey));
      }
      break;
    case ButtonPress:
      if (ev.xbutton.button == 4) EmitMouseWheel(1);
      if (ev.xbutton.button == 5) EmitMouseWheel(-1);
      if (ev.xbutton.button >= 1 && ev.xbutton.button <= 3) EmitMouseDown(kButtons[ev.xbutton.button]);
      break;
    case ButtonRelease:
      if (ev.xbutton.button >= 1 && ev.xbutton.button <= 3) EmitMouseUp(kButtons[ev.xbutton.button]);
      break;
    case MotionNotify:
      EmitMouseMove(ev.xmotion.x, ev.xmotion.y);
      break;
    case ClientMessage:
      if (Atom(ev.xclient.data.l[0]) == gDeleteAtom) EmitCloseRequest();
      break;
    case FocusIn:
    case FocusOut:
      // A grab (the full-screen switch) and the pointer passing through
      // under focus-follows-pointer do not hand the keyboard to anyone else.
      if (ev.xfocus.mode == NotifyGrab || ev.xfocus.mode == NotifyUngrab) break;
      if (ev.xfocus.detail == NotifyPointer || ev.xfocus.detail == NotifyInferior) break;
      EmitSuspend(ev.type == FocusOut);
      break;
  }
}

void EndGraphicsAtExit() { EndGraphics(); }

bool WindowRect(Display* dpy, TRect& rect) {
  if (gAutoGraphics && gAutoGraphics->_graphics && gAutoGraphics->_graphics->kind == 2) {
    TGraphics& g = *gAutoGraphics->_graphics;
    Window child = 0;
    if (XTranslateCoordinates(dpy, g.window, DefaultRootWindow(dpy), 0, 0, &rect.x, &rect.y, &child)) {
      rect.w = g.width;
      rect.h = g.height;
      return true;
    }
  }
  rect = gWindowRect;
  return gHaveWindowRect;
}
}  // namespace

TGraphics::~TGraphics() { Close(); }

void TGraphics::Close() {
  Display* dpy = gXDisplay;
  if (!dpy) return;
  if (context) {
    if (glXGetCurrentContext() == static_cast<GLXContext>(context)) glXMakeCurrent(dpy, None, nullptr);
    glXDestroyContext(dpy, static_cast<GLXContext>(context));
    context = nullptr;
  }
  if (window) {
    if (kind == 2) {
      Window child = 0;
      int x = 0, y = 0;
      if (XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &x, &y, &child)) {
        gWindowRect = {x, y, width, height};
        gHaveWindowRect = true;
      }
    }
    XDestroyWindow(dpy, window);
    window = 0;
  }
  if (colormap) {
    XFreeColormap(dpy, colormap);
    colormap = 0;
  }
  if (kind == 3 && gHaveSavedMode) {
    int screen = DefaultScreen(dpy);
    XF86VidModeSwitchToMode(dpy, screen, &gSavedMode);
    XF86VidModeSetViewPort(dpy, screen, 0, 0);
    gHaveSavedMode = false;
  }
  kind = 0;
  XFlush(dpy);
}

std::shared_ptr<TDrawState> OpenGraphics(int width, int height, int depth, int hz, int flags) {
  EndGraphics();
  gFailure.clear();
  GLDriver();
  auto g = CreateGraphics(width, height, depth, hz, flags | gDefaultGraphicsFlags);
  if (!g) return nullptr;
  BumpGraphicsSeq();
  auto state = std::make_shared<TDrawState>();
  state->_graphics = g;
  state->_driver = GLDriverShared();
  state->viewport_w = width;
  state->viewport_h = height;
  state->image_font = BuiltinFont();
  SetGraphics(state);
  if (depth != 0) {
    gSoftSync = 0;
    gVSync = hz != 0;
    XWarpPointer(gXDisplay, None, g->window, 0, 0, 0, 0, width / 2, height / 2);
  } else {
    // A window gets vertical sync too where the server offers swap control;
    // elsewhere the soft sync paces it.
    gVSync = hz != 0 && gSwapInterval != nullptr;
    gSoftSync = hz != 0 && !gVSync;
  }
  gSoftSyncWaited = 0;
  if (gSoftSync) {
    gSoftSyncHertz = hz;
    gSoftSyncStep = 1000 / hz;
    gSoftSyncRemainder = 1000 - gSoftSyncStep * hz;
    gSoftSyncAccum = 0;
    gSoftSyncNext = MilliSecs();
  }
  SetInputEnabled(1);
  gAutoGraphics = state;
  if (!gExitHookRegistered) {
    gExitHookRegistered = true;
    std::atexit(EndGraphicsAtExit);
  }
  return state;
}

void EndGraphics() {
  if (!gAutoGraphics) return;
  BumpGraphicsSeq();
  SetInputEnabled(0);
  auto closing = gAutoGraphics;
  gAutoGraphics = nullptr;
  if (gCurrentGraphics == closing) SetGraphics(nullptr);
  if (closing->_graphics) closing->_graphics->Close();
}

void PresentGraphics(TGraphics& g, int swapInterval) {
  if (!gXDisplay || !g.window) return;
  if (swapInterval != g.swapInterval) {
    if (gSwapInterval) gSwapInterval(swapInterval);
    g.swapInterval = swapInterval;
  }
  glXSwapBuffers(gXDisplay, g.window);
  PollSystem();
}

// Sleeps until the next soft-sync slot (60 a second, kept exact over time).
static void WaitSoftSyncSlot() {
  gSoftSyncNext += gSoftSyncStep;
  gSoftSyncAccum += gSoftSyncRemainder;
  if (gSoftSyncAccum >= gSoftSyncHertz) {
    gSoftSyncAccum -= gSoftSyncHertz;
    gSoftSyncNext += 1;
  }
  int d = gSoftSyncNext - MilliSecs();
  if (d > 0)
    Delay(d);
  else
    gSoftSyncNext -= d;
}

int FramePaced() {
  if (!gCurrentGraphics || gCurrentGraphics != gAutoGraphics || !gCurrentGraphics->_graphics) return 0;
  return gSoftSync || (gVSync && gSwapInterval) ? 1 : 0;
}

void WaitFrameSlot() {
  if (!gSoftSync || gSoftSyncWaited || !gCurrentGraphics || gCurrentGraphics != gAutoGraphics) return;
  WaitSoftSyncSlot();
  gSoftSyncWaited = 1;
}

void SkipFrameSlot() { gSoftSyncWaited = 0; }

int gFlipCount = 0;

void FlipFrame(int sync) {
  ++gFlipCount;
  if (!gCurrentGraphics || !gCurrentGraphics->_graphics) return;
  TGraphics& g = *gCurrentGraphics->_graphics;
  if (sync != -1) return PresentGraphics(g, sync);
  if (gCurrentGraphics != gAutoGraphics) return PresentGraphics(g, 1);
  if (gSoftSync) {
    // The main loop may have slept for this slot before drawing the frame.
    if (!gSoftSyncWaited) WaitSoftSyncSlot();
    gSoftSyncWaited = 0;
    return PresentGraphics(g, 0);
  }
  PresentGraphics(g, gVSync ? 1 : 0);
}

int GraphicsWidth() { return gSettings[0]; }
int GraphicsHeight() { return gSettings[1]; }

std::vector<TGraphicsMode> GraphicsModes() {
  std::vector<TGraphicsMode> out;
  Display* dpy = XDisplayHandle();
  if (!dpy || !HaveVidMode(dpy)) return out;
  int count = 0;
  XF86VidModeModeInfo** modes = nullptr;
  if (!XF86VidModeGetAllModeLines(dpy, DefaultScreen(dpy), &count, &modes)) return out;
  for (int i = 0; i < count; ++i)
    out.push_back({modes[i]->hdisplay, modes[i]->vdisplay, 24, ModeHertz(*modes[i])});
  XFree(modes);
  return out;
}

namespace {
// The monitor full screen would fill, or none (the video modes decide).
bool DesktopMonitor(TRect& rect) {
  Display* dpy = XDisplayHandle();
  int index = 0, count = 0;
  bool managed = false;
  return dpy && FullScreenMonitor(dpy, rect, index, count, managed);
}
}  // namespace

int DesktopWidth() {
  TRect monitor;
  if (DesktopMonitor(monitor)) return monitor.w;
  auto modes = GraphicsModes();
  return modes.empty() ? 640 : modes[0].width;
}

int DesktopHeight() {
  TRect monitor;
  if (DesktopMonitor(monitor)) return monitor.h;
  auto modes = GraphicsModes();
  return modes.empty() ? 480 : modes[0].height;
}

int WindowScale(int width, int height) {
  Display* dpy = width > 0 && height > 0 ? XDisplayHandle() : nullptr;
  if (!dpy) return 1;
  auto monitors = Monitors(dpy);
  int i = MonitorOfWindow(dpy, monitors);
  if (i < 0) return 1;
  const TRect& m = monitors[i].rect;
  return std::max(1, std::min(3 * m.w / (4 * width), 3 * m.h / (4 * height)));
}

void HideMouse() {
  Window win = CurrentWindow();
  if (!win) return;
  if (!gBlankCursor) {
    static const char zeros[8] = {0};
    Pixmap bits = XCreateBitmapFromData(gXDisplay, win, zeros, 8, 8);
    XColor black{};
    gBlankCursor = XCreatePixmapCursor(gXDisplay, bits, bits, &black, &black, 0, 0);
    XFreePixmap(gXDisplay, bits);
  }
  XDefineCursor(gXDisplay, win, gBlankCursor);
  XFlush(gXDisplay);
}

void ShowMouse() {
  Window win = CurrentWindow();
  if (!win) return;
  XUndefineCursor(gXDisplay, win);
  XFlush(gXDisplay);
}

std::string GraphicsFailure() { return gFailure; }

void DisplayUnavailable() {
  FatalExit("velmora: " + (gFailure.empty() ? std::string("cannot open the graphics display") : gFailure) +
                "\n",
            1);
}

float LogicalMouseX() { return gCurrentGraphics ? gMouseX * gCurrentGraphics->vres_mousexscale : 0; }
float LogicalMouseY() { return gCurrentGraphics ? gMouseY * gCurrentGraphics->vres_mouseyscale : 0; }

void MoveLogicalMouse(float x, float y) {
  Window win = CurrentWindow();
  if (!win) return;
  int rx = Int(x / gCurrentGraphics->vres_mousexscale);
  int ry = Int(y / gCurrentGraphics->vres_mouseyscale);
  XWarpPointer(gXDisplay, None, win, 0, 0, 0, 0, rx, ry);
  XFlush(gXDisplay);
}

void PollSystem() {
  if (gPolling || !gXDisplay) return;
  gPolling = true;
  while (XPending(gXDisplay)) {
    XEvent ev;
    XNextEvent(gXDisplay, &ev);
    TranslateEvent(gXDisplay, ev);
  }
  gPolling = false;
}

void ResetDisplay() {
  EndGraphics();
  gHaveVidMode = -1;
  gSwapInterval = nullptr;
  gSwapControlSearched = false;
  for (bool& held : gHeld) held = false;
  gHaveWindowRect = false;
  gFailure.clear();
}
