// Shared fixture for tests against a real X server: opens a window of the
// size asked for and reads single pixels back from the back buffer.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "engine/aspect.h"
#include "engine/clock.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/fonts.h"

class GLTest : public testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "DISPLAY is not set";
  }
  // Each test starts as the program does: no graphics, no keys held, the
  // drawing short cuts on.
  void TearDown() override {
    ResetDisplay();
    gDrawShortcuts = true;
  }

  // A window without soft sync, so FlipFrame never sleeps in tests.
  // The server may still be starting when the first test runs: give it a moment.
  void Open(int w = 800, int h = 600) {
    auto g = OpenGraphics(w, h, 0, 0, 0);
    for (int i = 0; !g && i < 40 && GraphicsFailure().rfind("cannot open", 0) == 0; ++i) {
      Delay(50);
      g = OpenGraphics(w, h, 0, 0, 0);
    }
    ASSERT_NE(g, nullptr) << GraphicsFailure();
  }

  // RGB of one real pixel of the back buffer, as 0xRRGGBB.
  static uint32_t Pixel(int x, int y) {
    auto map = GrabPixmap(x, y, 1, 1);
    return map ? map->ReadPixel(0, 0) & 0xFFFFFF : 0xDEADBEEF;
  }

  static std::string Hex(uint32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", c);
    return buf;
  }
};

// An 800 x 600 window cleared to black, for tests that draw and read back.
class GLDrawTest : public GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    if (IsSkipped()) return;
    Open();
    SetClsColor(0, 0, 0);
    Cls();
  }
};

// Channels equal within a small tolerance (GL rounding of blends).
inline bool Near(uint32_t a, uint32_t b, int tol = 2) {
  for (int s = 0; s < 24; s += 8) {
    int d = int((a >> s) & 255) - int((b >> s) & 255);
    if (d > tol || d < -tol) return false;
  }
  return true;
}

// Runs the current test again in a child process whose DISPLAY is an X
// server of its own, started by `server` (which must accept -displayfd, so
// it picks a free number itself). VELMORA_PRIVATE_X is set in the child.
// Returns the child's exit status, or 77 when the server did not come up.
inline int RunOnPrivateServer(const std::string& server) {
  char self[4096] = {0};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 1;
  auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string filter = std::string(info->test_suite_name()) + "." + info->name();
  std::string cmd =
      "f=$(mktemp); " + server + " -displayfd 3 3>\"$f\" >/dev/null 2>&1 & xp=$!; i=0; "
      "while ! xdpyinfo -display \":$(head -n1 \"$f\")\" >/dev/null 2>&1; do i=$((i+1)); "
      "if [ $i -gt 300 ] || ! kill -0 $xp 2>/dev/null; then kill $xp 2>/dev/null; rm -f \"$f\"; "
      "exit 77; fi; sleep 0.05; done; "
      "DISPLAY=\":$(head -n1 \"$f\")\" VELMORA_PRIVATE_X=1 '" + std::string(self) +
      "' --gtest_filter=" + filter + "; rc=$?; kill $xp; wait $xp 2>/dev/null; rm -f \"$f\"; exit $rc";
  int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
