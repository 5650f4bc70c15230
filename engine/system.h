// The fatal error funnel and the float-to-int rule every integer result follows.
#pragma once

#include <cmath>
#include <limits>
#include <string>

// The one way the engine stops on a fatal error: writes the text to stderr
// as it stands and exits with the status, running the exit handlers (which
// close the graphics, restore the desktop video mode and close the sound
// device) unless cleanUp is false because the way to the display is gone.
[[noreturn]] void FatalExit(const std::string& text, int status, bool cleanUp = true);

// FatalExit with the message as it stands and status 255.
[[noreturn]] void RuntimeError(const std::string& message);

// int(v): truncation toward zero. NaN gives 0 and values outside the
// range of int saturate, so a corrupt float never turns into UB. Inline:
// the road takes it for each of its 300 lines every frame. Within range
// the conversion itself truncates toward zero.
inline int Int(double v) {
  if (!(v > -2147483648.0)) return std::isnan(v) ? 0 : std::numeric_limits<int>::min();
  if (v >= 2147483647.0) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}
