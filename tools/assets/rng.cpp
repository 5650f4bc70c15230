// Periodic value noise for the generator.
#include <cmath>

#include "rng.h"

static double lattice(long i, uint64_t seed) {
  uint64_t h = uint64_t(i) * 0x9E3779B97F4A7C15ull ^ (seed * 0xC2B2AE3D27D4EB4Full);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 29;
  return double(h >> 11) / 9007199254740992.0 * 2.0 - 1.0;
}

double periodicNoise(double x, int period, uint64_t seed) {
  double f = std::floor(x);
  long i = long(f);
  double t = x - f;
  t = t * t * (3 - 2 * t);
  auto wrap = [&](long k) { return ((k % period) + period) % period; };
  return lattice(wrap(i), seed) * (1 - t) + lattice(wrap(i + 1), seed) * t;
}
