// The main loop's fixed 5 ms step: how many logic ticks each pass runs.
#pragma once

extern int gContinue;
extern int gTempMS;
extern int gLastTime;
extern int gNumTicks;
extern int gLastNumTicks;

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

// Runs up to numTicks updates, stopping after the first that returns 0,
// then draws one frame. Returns the last update's result.
int runTickPass(int numTicks, int (*update)(), int (*draw)());
