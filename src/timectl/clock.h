// The clock: time since the last reset and both sides' remaining time.
#pragma once

#include <cstdint>

struct SideClock {
  int16_t movesToGo;
  int32_t timeLeft;  // centiseconds
};

extern SideClock TimeControl[2];
extern int32_t time0;         // clock reading at the last reset
extern int32_t et0;           // ElapsedTime at the previous check
extern int32_t ElapsedTime;   // centiseconds since time0
extern int32_t PonderedTime;  // time spent pondering on the move now searched

// Reads the clock; reset 1 restarts it.
void CheckElapsedTime(int reset);
