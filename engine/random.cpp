// Park-Miller minimal standard generator, multiplier 48271, stepped by
// Schrage's method so no intermediate product leaves 32 bits.
#include "engine/random.h"

#include "engine/system.h"

int gRndState = 4660;

namespace {
constexpr int RND_A = 48271;
constexpr int RND_M = 2147483647;
constexpr int RND_Q = 44488;  // M div A
constexpr int RND_R = 3399;   // M mod A

int RndStep() {
  int state = gRndState;
  state = RND_A * (state % RND_Q) - RND_R * (state / RND_Q);
  if (state < 0) state += RND_M;
  gRndState = state;
  return state;
}
}  // namespace

void SeedRnd(int seed) {
  int state = seed & 0x7FFFFFFF;
  // 0 is a fixed point of the generator and M is 0 in disguise.
  if (state == 0 || state == 0x7FFFFFFF) state = 4660;
  gRndState = state;
}

double RndUnit() {
  const int a = RndStep() & 0x1FFFFFFC;
  const int b = RndStep() & 0x1FFFFFF8;
  return (a + b / 134217728.0) / 536870912.0;
}

double RndFloat(double a, double b) {
  if (b > a) return a + RndUnit() * (b - a);
  return b + RndUnit() * (a - b);
}

int RndInt(int a, int b) {
  // In 64 bits: RndInt(INT_MIN, INT_MAX) must not overflow the difference.
  const long long d = static_cast<long long>(b) - a;
  if (d > 0) return static_cast<int>(a + static_cast<long long>(RndUnit() * static_cast<double>(d + 1)));
  return static_cast<int>(b + static_cast<long long>(RndUnit() * static_cast<double>(1 - d)));
}
