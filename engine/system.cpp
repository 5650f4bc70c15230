// The fatal error funnel.
#include "engine/system.h"

#include <cstdio>
#include <cstdlib>

void FatalExit(const std::string& text, int status, bool cleanUp) {
  // Byte for byte, no newline added: the caller decides what the line looks like.
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  if (!cleanUp) std::_Exit(status);
  std::exit(status);
}

void RuntimeError(const std::string& message) { FatalExit(message, 255); }
