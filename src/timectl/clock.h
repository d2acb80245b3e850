// The engine's clock: the budget of one move, the check the search makes
// every node_inc nodes (which also looks at waiting input through the
// command loop's poll), and both players' remaining time. Times are in
// centiseconds.
#pragma once

#include <cstdint>

struct SideClock {
  int16_t movesToGo;  // moves left until the next control
  int32_t timeLeft;   // remaining time
};

extern SideClock TimeControl[2];
extern int32_t node_inc;      // nodes between two clock checks
extern int32_t time0;         // clock reading at the last reset
extern int32_t et0;           // ElapsedTime at the previous check
extern int32_t ElapsedTime;   // time since time0 at the last check
extern int32_t PonderedTime;  // pondering time charged to the engine's move
extern int64_t ETnodes;       // node count at which the next check is due
extern int32_t ResponseTime;  // budget of the current engine move
extern int32_t ExtraTime;     // extension granted by the search driver
extern int32_t BestTime;      // seconds into the search when the best move was found
extern char BestTimeStr[32];  // " in m:ss [depth]"
extern int16_t AbandonMove;   // input took the move away from the engine
// Looks at input that arrived during a search; installed by the command
// loop, none by default (tools that search without input).
extern void (*SearchInputPoll)();

// Budget of the engine's move for side.
void SetResponseTime(int side);
// Measures the time, decides whether the search must stop and polls the
// input; reset 1 then restarts the clock.
void CheckElapsedTime(int reset);
void InitBestTime();
void ShowBestTime();
// The engine's clock after its move: time used, moves to the next control.
void CorrectClock(int side);
