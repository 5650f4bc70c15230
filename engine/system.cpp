// The fatal error funnel and the float-to-int conversion rule.
#include "engine/system.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

void RuntimeError(const std::string& message) {
  // Byte for byte, no newline: the caller decides what the line looks like.
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fflush(stderr);
  // exit, not _exit: the exit handlers close the graphics and the sound device.
  std::exit(255);
}

int Int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(std::trunc(v));
}
