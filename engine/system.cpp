// The fatal error funnel and the float-to-int conversion rule.
#include "engine/system.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

void FatalExit(const std::string& text, int status, bool cleanUp) {
  // Byte for byte, no newline added: the caller decides what the line looks like.
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  if (!cleanUp) std::_Exit(status);
  std::exit(status);
}

void RuntimeError(const std::string& message) { FatalExit(message, 255); }

int Int(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(std::trunc(v));
}
