// The generator's own random numbers: a fixed-seed xorshift, so every run
// writes the same bytes whatever the platform's rand() does.
#pragma once

#include <cstdint>

class Rng {
public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) { next(); }
  uint64_t next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return s_;
  }
  // Uniform in [0, 1).
  double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
  double range(double a, double b) { return a + (b - a) * uniform(); }
  int irange(int a, int b) { return a + int(next() % uint64_t(b - a + 1)); }
  // Uniform in [-1, 1): white noise for the synthesiser.
  float noise() { return float(uniform() * 2.0 - 1.0); }

private:
  uint64_t s_;
};

// Smooth value noise with a period, so sideways tiling layers join cleanly.
double periodicNoise(double x, int period, uint64_t seed);
