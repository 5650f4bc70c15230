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
long long gTestClockMicros = 0;

long long WallClockUs() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return static_cast<long long>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

long long WallClockMs() { return WallClockUs() / 1000; }

// Rounded down, also below zero (a test may hold a negative reading).
long long FloorMs(long long micros) { return micros >= 0 ? micros / 1000 : -((-micros + 999) / 1000); }

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

long long MicroSecs() {
  if (gTestClockHeld) return gTestClockMicros;
  return WallClockUs() - static_cast<long long>(gMilliSecsBase) * 1000;
}

int MilliSecs() { return static_cast<int>(static_cast<uint32_t>(FloorMs(MicroSecs()))); }

void SetTestClock(int reading) { SetTestClockMicros(static_cast<long long>(reading) * 1000); }

void SetTestClockMicros(long long micros) {
  gTestClockHeld = true;
  gTestClockMicros = micros;
}

void AdvanceTestClock(int ms) { gTestClockMicros += static_cast<long long>(ms) * 1000; }

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
