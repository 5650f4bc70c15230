// The fatal error funnel and the float-to-int rule every integer result follows.
#pragma once

#include <string>

// Writes the message to stderr as it stands and exits with status 255,
// running the exit handlers (which close the graphics and restore the
// desktop video mode).
[[noreturn]] void RuntimeError(const std::string& message);

// int(v): truncation toward zero. NaN gives 0 and values outside the
// range of int saturate, so a corrupt float never turns into UB.
int Int(double v);
