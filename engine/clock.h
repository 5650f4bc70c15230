// The millisecond clock and the sleep.
#pragma once

// Wall clock minus the base fixed at start-up: roughly milliseconds since boot.
extern int gMilliSecsBase;

int MilliSecs();
void Delay(int ms);
