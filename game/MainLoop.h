// The main loop's fixed 5 ms step: how many logic ticks each pass runs.
#pragma once

extern int gContinue;
extern int gTempMS;
extern int gLastTime;
extern int gNumTicks;
extern int gLastNumTicks;
// Share of the current tick gone when the frame is drawn (0 <= f < 1):
// drawing carries moving things forward by it; the logic never reads it.
extern float gTickFraction;
// Ticks run by runTickPass so far: tells drawing whether something moved
// in the latest tick.
extern int gTickCount;

// One look at the tick clock (MilliSecs() / 5) while waiting for the next
// tick: sets gTempMS and gNumTicks, and rebases gLastTime when the clock
// went backwards. Returns gNumTicks; the wait is over when it is positive.
int pollTickClock(int tempMS);

// Starts a pass once ticks are pending: remembers its start and caps a
// stall of more than 20 ticks at the previous pass's count. Returns the
// number of ticks to run.
int beginTickPass();

// Waits (sleeping, not spinning) until at least one tick is pending, then
// begins the pass. Returns the number of ticks to run.
int waitForTicks();

// The ticks pending right now, possibly none; begins the pass when some are.
int takePendingTicks();

// 1 when the last runTickPass presented a frame (called FlipFrame).
extern int gPassPresented;

// Starts a pass: on a paced display (paced = FramePaced()) it sleeps for the
// frame's slot and takes whatever ticks are pending, so every frame is
// drawn for the moment it is shown; otherwise, and after a pass that
// presented nothing (nothing paced it), it waits for a tick.
int waitForPass(int paced);

// The share of the tick after gLastTime that the reading ms (and micros
// more, 0 to 999) has reached, 0 at the tick's start and just below 1 at
// most.
float measureTickFraction(int ms, int micros = 0);

// The same for a MicroSecs() reading: the frame's moment to the microsecond.
float measureTickFractionMicros(long long micros);

// Runs up to numTicks updates, stopping after the first that returns 0,
// then draws one frame with gTickFraction measured (from MicroSecs()) just before (and 0 again
// after). Returns the last update's result.
int runTickPass(int numTicks, int (*update)(), int (*draw)());
