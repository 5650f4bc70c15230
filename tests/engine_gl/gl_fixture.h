// Shared fixture for tests against a real X server: opens a window of the
// size asked for and reads single pixels back from the back buffer.
#pragma once

#include <gtest/gtest.h>

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
  void TearDown() override { EndGraphics(); }

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

// Channels equal within a small tolerance (GL rounding of blends).
inline bool Near(uint32_t a, uint32_t b, int tol = 2) {
  for (int s = 0; s < 24; s += 8) {
    int d = int((a >> s) & 255) - int((b >> s) & 255);
    if (d > tol || d < -tol) return false;
  }
  return true;
}
