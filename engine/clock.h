// The millisecond clock and the sleep.
#pragma once

// Wall clock minus the base fixed at start-up: roughly milliseconds since boot.
extern int gMilliSecsBase;

int MilliSecs();
// The same clock to the microsecond, not wrapping: MilliSecs() is this
// reading / 1000 (rounded down) wrapped to 32 bits.
long long MicroSecs();
void Delay(int ms);

// A clock a test holds: from SetTestClock on, MilliSecs() reads the set
// value, AdvanceTestClock moves it, and Delay advances it instead of
// sleeping, until ReleaseTestClock hands back the wall clock. The held
// reading is kept in microseconds (SetTestClockMicros sets it so).
void SetTestClock(int reading);
void SetTestClockMicros(long long micros);
void AdvanceTestClock(int ms);
void ReleaseTestClock();

// The reading MilliSecs gives for a wall-clock time in ms: wraps at 32 bits.
int ClockMilliSecs(long long wallMs, int base);
// later - earlier of two readings, correct across the 32-bit wrap.
int MilliSecsDiff(int later, int earlier);
