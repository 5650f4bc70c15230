// The millisecond clock (milliseconds since boot, wrapping at 32 bits) and
// the sleep.
#include "engine/clock.h"

#include <sched.h>
#include <sys/sysinfo.h>
#include <sys/time.h>
#include <time.h>

#include <cstdint>

namespace {
bool gTestClockHeld = false;
int gTestClockReading = 0;

long long WallClockMs() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return static_cast<long long>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

int StartupBase() {
  struct sysinfo info{};
  const long long uptime = sysinfo(&info) == 0 ? info.uptime : 0;
  return static_cast<int>(static_cast<uint32_t>(WallClockMs() - uptime * 1000));
}
}  // namespace

// Fixed before main runs, so the first reading already has its final base.
int gMilliSecsBase = StartupBase();

int ClockMilliSecs(long long wallMs, int base) {
  // Unsigned arithmetic: the 32-bit result wraps instead of overflowing.
  return static_cast<int>(static_cast<uint32_t>(wallMs - base));
}

int MilliSecsDiff(int later, int earlier) {
  return static_cast<int>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

int MilliSecs() {
  if (gTestClockHeld) return gTestClockReading;
  return ClockMilliSecs(WallClockMs(), gMilliSecsBase);
}

void SetTestClock(int reading) {
  gTestClockHeld = true;
  gTestClockReading = reading;
}

void AdvanceTestClock(int ms) {
  gTestClockReading = static_cast<int>(static_cast<uint32_t>(gTestClockReading) + static_cast<uint32_t>(ms));
}

void ReleaseTestClock() { gTestClockHeld = false; }

void Delay(int ms) {
  if (ms < 0) return;
  if (gTestClockHeld) {
    AdvanceTestClock(ms);
    sched_yield();
    return;
  }
  const int start = MilliSecs();
  bool slept = false;
  for (;;) {
    const long long left = static_cast<long long>(ms) - MilliSecsDiff(MilliSecs(), start);
    if (left <= 0) break;
    timespec ts{static_cast<time_t>(left / 1000), static_cast<long>(left % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
    slept = true;
  }
  // Even a zero delay gives the other threads (and processes) a turn.
  if (!slept) sched_yield();
}
