/* Tells which screen the game's window shows, read from its pixels, and
   waits for one: the scripted tests step a real game by what it shows, not
   by how long a step should take.

   velmora_screen (--pid PID | --window WID) [--wait STATE[,STATE...]] [--timeout SECONDS]
   velmora_screen (--pid PID | --window WID) --drive SECONDS

   States: none (no window of that process, or not mapped yet), title,
   paused, countdown (standing still on the grid: open sky or the start
   banner ahead), racing (the HUD's speed at 10 km/h or more), race (the
   HUD without either), gameover (its text faded in), other (anything
   else, such as the black loading frame).
   Prints the last state seen. Exit status: 0 when a wanted state was seen
   (or once without --wait), 1 on time-out, 2 on bad usage or no display,
   3 when the process has ended (state "ended"). With --drive it steers
   the car along the road for that long instead (see drive below). */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int gXError;

static int ignoreXError(Display* display, XErrorEvent* event) {
  (void)display;
  (void)event;
  gXError = 1;
  return 0;
}

static unsigned long windowPid(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = NULL;
  unsigned long pid = 0;
  Atom atom = XInternAtom(display, "_NET_WM_PID", False);
  if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) == Success && data) {
    if (format == 32 && count == 1) pid = *(unsigned long*)data;
    XFree(data);
  }
  return pid;
}

/* The viewable window of that process named Velmora, anywhere in the tree:
   under a window manager it sits inside the manager's frame. */
static Window findGameWindow(Display* display, Window window, unsigned long pid) {
  XWindowAttributes attributes;
  if (windowPid(display, window) == pid && XGetWindowAttributes(display, window, &attributes) &&
      attributes.map_state == IsViewable) {
    char* name = NULL;
    int match = XFetchName(display, window, &name) && name && strcmp(name, "Velmora") == 0;
    if (name) XFree(name);
    if (match) return window;
  }
  Window root, parent, *children = NULL;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count && !found; ++i) found = findGameWindow(display, children[i], pid);
    if (children) XFree(children);
  }
  return found;
}

static int processEnded(unsigned long pid) {
  char path[64], line[512];
  snprintf(path, sizeof path, "/proc/%lu/stat", pid);
  FILE* file = fopen(path, "r");
  if (!file) return 1;
  int ended = 0;
  if (fgets(line, sizeof line, file)) {
    /* The state follows the parenthesised command name; a zombie has ended. */
    const char* close = strrchr(line, ')');
    ended = close && close[1] == ' ' && (close[2] == 'Z' || close[2] == 'X');
  }
  fclose(file);
  return ended;
}

/* The window's picture, with the game's 800x600 picture found inside it the
   way the game letter-boxes it. */
typedef struct {
  XImage* image;
  double scale, left, top;
} Picture;

static int near(const Picture* p, int x, int y, int r, int g, int b, int tolerance) {
  int px = (int)(p->left + (x + 0.5) * p->scale);
  int py = (int)(p->top + (y + 0.5) * p->scale);
  if (px < 0 || py < 0 || px >= p->image->width || py >= p->image->height) return 0;
  unsigned long pixel = XGetPixel(p->image, px, py);
  int pr = (int)((pixel & p->image->red_mask) >> 16);
  int pg = (int)((pixel & p->image->green_mask) >> 8);
  int pb = (int)(pixel & p->image->blue_mask);
  return abs(pr - r) <= tolerance && abs(pg - g) <= tolerance && abs(pb - b) <= tolerance;
}

/* Pixels of a rectangle of the game's picture within a tolerance of a colour. */
static int count(const Picture* p, int x, int y, int w, int h, int r, int g, int b, int tolerance) {
  int n = 0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) n += near(p, i, j, r, g, b, tolerance);
  return n;
}

static const char* classify(const Picture* p) {
  /* Title: black below the start prompt, the prompt in yellow. */
  int black = count(p, 0, 520, 800, 25, 0, 0, 0, 8);
  int prompt = count(p, 170, 488, 460, 26, 255, 255, 0, 40);
  if (black > 19000 && prompt > 150) return "title";
  /* The game-over text, white over the darkened race (clouds are white too,
     but over a bright sky). */
  if (count(p, 185, 180, 430, 60, 255, 255, 255, 30) > 300 && count(p, 185, 180, 430, 60, 0, 0, 0, 40) > 8000)
    return "gameover";
  /* The HUD's LAPS label shows the race scene. */
  if (count(p, 52, 20, 60, 24, 120, 230, 255, 40) < 20) return "other";
  /* PAUSED in white and its hint in yellow over the dimmed race. */
  if (count(p, 270, 245, 260, 50, 255, 255, 255, 30) > 400 && count(p, 260, 330, 280, 22, 255, 255, 0, 40) > 100)
    return "paused";
  /* Speed digits beyond the units place: at least 10 km/h. */
  if (count(p, 634, 50, 42, 24, 120, 230, 255, 40) > 15) return "racing";
  /* Standing under open sky or before the start banner's chequers: the
     grid (either alone, since a damaged data file can take the other). */
  int sky = count(p, 0, 0, 800, 14, 34, 141, 203, 12) > 4000;
  int banner = count(p, 335, 283, 185, 27, 255, 255, 255, 40) > 600 && count(p, 335, 283, 185, 27, 0, 0, 0, 40) > 1500;
  if (sky || banner) return "countdown";
  return "race";
}

static double seconds(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

/* The game's window now and its picture; 0 when there is none to read. */
static Window grab(Display* display, unsigned long pid, Window given, Picture* picture) {
  Window window = given ? given : findGameWindow(display, DefaultRootWindow(display), pid);
  if (!window) return 0;
  gXError = 0;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || gXError || attributes.map_state != IsViewable)
    return 0;
  XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width, (unsigned)attributes.height,
                            AllPlanes, ZPixmap);
  XSync(display, False);
  if (!image || gXError) {
    if (image) XDestroyImage(image);
    return 0;
  }
  double sx = attributes.width / 800.0, sy = attributes.height / 600.0;
  picture->image = image;
  picture->scale = sx < sy ? sx : sy;
  picture->left = (attributes.width - 800 * picture->scale) / 2;
  picture->top = (attributes.height - 600 * picture->scale) / 2;
  return window;
}

static const char* look(Display* display, unsigned long pid, Window given) {
  Picture picture;
  if (!grab(display, pid, given, &picture)) return "none";
  const char* state = classify(&picture);
  XDestroyImage(picture.image);
  return state;
}

/* A key event as the keyboard would send it, to the game's window. */
static void sendKey(Display* display, Window window, KeySym sym, int press, Time time) {
  XEvent event = {0};
  event.xkey.type = press ? KeyPress : KeyRelease;
  event.xkey.display = display;
  event.xkey.window = window;
  event.xkey.root = DefaultRootWindow(display);
  event.xkey.time = time;
  event.xkey.same_screen = True;
  event.xkey.keycode = XKeysymToKeycode(display, sym);
  XSendEvent(display, window, True, press ? KeyPressMask : KeyReleaseMask, &event);
  XFlush(display);
}

/* Steers the game's car for some seconds as a player would: toward the
   side of the picture where more road lies ahead of the car, since bends
   push a fast car outward. Throttle is left to the caller. */
static void drive(Display* display, unsigned long pid, Window given, double duration) {
  double end = seconds() + duration;
  KeySym held = NoSymbol;
  Window window = 0;
  Time time = 1;
  while (seconds() < end && !(pid && processEnded(pid))) {
    Picture picture;
    KeySym steer = NoSymbol;
    Window now = grab(display, pid, given, &picture);
    if (now) {
      window = now;
      int left = count(&picture, 0, 380, 400, 180, 105, 105, 105, 30);
      int right = count(&picture, 400, 380, 400, 180, 105, 105, 105, 30);
      if (left > right * 5 / 4 + 500) steer = XK_Left;
      if (right > left * 5 / 4 + 500) steer = XK_Right;
      XDestroyImage(picture.image);
    }
    /* Distinct times: a release and a press sharing one read as auto-repeat. */
    if (window && steer != held) {
      if (held != NoSymbol) sendKey(display, window, held, 0, time += 10);
      if (steer != NoSymbol) sendKey(display, window, steer, 1, time += 10);
      held = steer;
    }
    nanosleep(&(struct timespec){0, 30 * 1000 * 1000}, NULL);
  }
  if (window && held != NoSymbol) sendKey(display, window, held, 0, time + 10);
}

static int wanted(const char* state, const char* list) {
  size_t n = strlen(state);
  for (const char* at = list; (at = strstr(at, state)); at += n)
    if ((at == list || at[-1] == ',') && (at[n] == ',' || at[n] == '\0')) return 1;
  return 0;
}

int main(int argc, char** argv) {
  unsigned long pid = 0;
  Window window = 0;
  const char* wait = NULL;
  double timeout = 60, driving = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--pid") == 0) pid = strtoul(argv[i + 1], NULL, 10);
    else if (strcmp(argv[i], "--window") == 0) window = strtoul(argv[i + 1], NULL, 0);
    else if (strcmp(argv[i], "--wait") == 0) wait = argv[i + 1];
    else if (strcmp(argv[i], "--timeout") == 0) timeout = atof(argv[i + 1]);
    else if (strcmp(argv[i], "--drive") == 0) driving = atof(argv[i + 1]);
    else pid = window = 0, i = argc;
  }
  if ((!pid && !window) || argc % 2 == 0) {
    fprintf(stderr, "usage: velmora_screen (--pid PID | --window WID) [--wait STATES] [--timeout SECONDS]"
                    " [--drive SECONDS]\n");
    return 2;
  }
  // A test server crowded with games now and then refuses a connection for
  // a moment; that says nothing about the game, so keep asking a while.
  Display* display = XOpenDisplay(NULL);
  for (double giveUp = seconds() + 15; !display && seconds() < giveUp;) {
    nanosleep(&(struct timespec){0, 200 * 1000 * 1000}, NULL);
    display = XOpenDisplay(NULL);
  }
  if (!display) {
    fprintf(stderr, "velmora_screen: cannot open display\n");
    return 2;
  }
  XSetErrorHandler(ignoreXError);
  if (driving > 0) {
    drive(display, pid, window, driving);
    XCloseDisplay(display);
    return 0;
  }
  double deadline = seconds() + timeout;
  const char* state = "none";
  int status = 1;
  for (;;) {
    state = look(display, pid, window);
    if (!wait || wanted(state, wait)) {
      status = 0;
      break;
    }
    if (pid && processEnded(pid)) {
      state = "ended";
      status = 3;
      break;
    }
    if (seconds() > deadline) break;
    nanosleep(&(struct timespec){0, 100 * 1000 * 1000}, NULL);
  }
  printf("%s\n", state);
  XCloseDisplay(display);
  return status;
}
