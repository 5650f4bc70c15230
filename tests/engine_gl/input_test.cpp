// Keyboard and close request through the real X server: xdotool types into
// the game window, and the window manager's close message is sent by hand.
#include <cstdlib>
#include <functional>
#include <string>

#include "gl_fixture.h"

#include "engine/clock.h"
#include "engine/gl_driver.h"
#include "engine/input.h"

// Xlib's macros clash with the test framework's names: include it last.
#include <X11/Xlib.h>

// Keyboard focus and the pointer are shared by every window of a server, and
// other tests may run beside these: so each test here runs again in a child
// process with an X server of its own, and the parent reports its result.
class XInput : public GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped()) return;
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xdotool";
    if (!std::getenv("VELMORA_PRIVATE_X")) {
      delegated_ = true;
      int rc = RunOnPrivateServer("Xvfb -screen 0 1024x768x24 -nolisten tcp");
      if (rc == 77) GTEST_SKIP() << "no private Xvfb could be started";
      ASSERT_EQ(rc, 0);
      return;
    }
    Open();
    window_ = std::to_string(gCurrentGraphics->_graphics->window);
    ASSERT_EQ(Xdo("windowfocus --sync " + window_), 0);
    FlushKeys();
  }
  void TearDown() override {
    if (!window_.empty()) Xdo("keyup space keyup Escape");
    GLTest::TearDown();
  }
  bool Delegated() const { return delegated_; }
  static int Xdo(const std::string& args) { return std::system(("xdotool " + args).c_str()); }
  // Keeps reading events for a while, as the game's loop would.
  static void PollFor(int ms) {
    for (int end = MilliSecs() + ms; MilliSecs() - end < 0; Delay(5)) PollSystem();
  }
  // Reads events until what xdotool sent has arrived (a loaded machine can
  // take its time), or gives up after ten seconds.
  static void PollUntil(const std::function<bool()>& arrived) {
    for (int end = MilliSecs() + 10000; !arrived() && MilliSecs() - end < 0; Delay(5)) PollSystem();
  }
  std::string window_;
  bool delegated_ = false;
};

TEST_F(XInput, HeldKeyWithAutoRepeatCountsOnePress) {
  if (Delegated()) return;
  ASSERT_EQ(Xdo("keydown space"), 0);
  PollFor(1300);  // past the server's 660 ms repeat delay
  EXPECT_EQ(KeyDown(KEY_SPACE), 1);
  EXPECT_EQ(KeyPressed(KEY_SPACE), 1);
  EXPECT_EQ(KeyPressed(KEY_SPACE), 0);
  // Flushing while it is still held forgets it until the next real press.
  FlushKeys();
  PollFor(300);
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);
  EXPECT_EQ(KeyPressed(KEY_SPACE), 0);
  ASSERT_EQ(Xdo("keyup space"), 0);
  PollUntil([] { return gKeyStates[KEY_SPACE] == 0; });
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);
}

TEST_F(XInput, SeparatePressesAreCountedAndReleased) {
  if (Delegated()) return;
  ASSERT_EQ(Xdo("key --delay 30 Up Up"), 0);
  PollUntil([] { return gKeyHits[KEY_UP] >= 2 && gKeyStates[KEY_UP] == 0; });
  EXPECT_EQ(KeyPressed(KEY_UP), 2);
  EXPECT_EQ(KeyDown(KEY_UP), 0);
  ASSERT_EQ(Xdo("key a comma"), 0);
  PollUntil([] { return gKeyHits[KEY_A] >= 1 && gKeyHits[KEY_COMMA] >= 1; });
  EXPECT_EQ(KeyPressed(KEY_A), 1);
  EXPECT_EQ(KeyPressed(KEY_COMMA), 1);
}

TEST_F(XInput, CloseRequestIsReadOnce) {
  if (Delegated()) return;
  Display* dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = gCurrentGraphics->_graphics->window;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, ev.xclient.window, False, NoEventMask, &ev);
  XSync(dpy, False);
  XCloseDisplay(dpy);
  int seen = 0;
  for (int end = MilliSecs() + 1000; !seen && MilliSecs() - end < 0; Delay(5)) seen = CloseRequested();
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(CloseRequested(), 0);
}

TEST_F(XInput, MouseButtonsWheelAndMotion) {
  if (Delegated()) return;
  for (int& h : gMouseHits) h = 0;
  int wheel = gMouseZ;
  // The key typed last arrives after every mouse event before it.
  ASSERT_EQ(Xdo("mousemove --window " + window_ + " 120 80 click 3 click 2 click 2 click 4 click 4 click 5 key a"), 0);
  PollUntil([] { return gKeyHits[KEY_A] >= 1; });
  EXPECT_EQ(gMouseX, 120);
  EXPECT_EQ(gMouseY, 80);
  EXPECT_EQ(gMouseHits[1], 0);
  EXPECT_EQ(gMouseHits[2], 1);  // the right button is number 2
  EXPECT_EQ(gMouseHits[3], 2);  // the middle one is number 3
  EXPECT_EQ(gMouseZ - wheel, 1);
  EXPECT_EQ(gMouseStates[2], 0);
  EXPECT_FLOAT_EQ(LogicalMouseX(), 120);
}

TEST_F(XInput, KeyPressedRightAfterGainingFocusCounts) {
  if (Delegated()) return;
  Display* dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  std::string root = std::to_string(DefaultRootWindow(dpy));
  XCloseDisplay(dpy);
  // Focus goes away and comes back, and the key goes down, all before the
  // game reads a single event: the key is held when the events are read.
  ASSERT_EQ(Xdo("windowfocus --sync " + root + " windowfocus --sync " + window_ + " keydown Escape"), 0);
  PollUntil([] { return gKeyHits[KEY_ESCAPE] >= 1; });
  EXPECT_EQ(KeyPressed(KEY_ESCAPE), 1);
  EXPECT_EQ(KeyDown(KEY_ESCAPE), 1);
  ASSERT_EQ(Xdo("keyup Escape"), 0);
  PollUntil([] { return gKeyStates[KEY_ESCAPE] == 0; });
  EXPECT_EQ(KeyDown(KEY_ESCAPE), 0);
}
