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
// The largest budget of a move, in centiseconds.
constexpr int32_t kMaxResponseTime = INT32_MAX / 8;

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

// Centiseconds that the GUI's clock runs on each move beyond the engine's
// own reading: the move's way through the pipes and the wait for a
// processor on a busy machine (up to 0.1 s seen under load).
constexpr int32_t kMoveOverhead = 10;
// With less than this left, a search stops once its first iteration is done.
constexpr int32_t kClockReserve = 300;

// The budget of one move under a running clock: time_left on the clock,
// moves_to_go to the next control (an estimate in sudden death), the kind
// of control and its moves per period. At least 1.
int32_t MoveBudget(int32_t time_left, int32_t moves_to_go, int tcflag, int tcmoves);
// The most a move may use, whatever the budget and its extensions: a share
// (1/divisor) of the clock less the move overhead, and never the reserve.
// 0 when the clock is at the reserve or below.
int32_t MoveTimeLimit(int32_t time_left, int divisor);
// Moves to the next control of a repeating moves-per-period control, from
// the plies played since the start, as the GUI counts them: a game that
// began with moves entered in force mode counts those too.
int32_t MovesToControl(int32_t game_cnt, int32_t tcmoves);
// MoveTimeLimit of the engine's clock under the current settings.
int32_t HardTimeLimit();
// Budget of the engine's move for side.
void SetResponseTime(int side);
// Reads the clock into ElapsedTime, without the stop tests and the poll.
void ReadElapsedTime();
// Measures the time, decides whether the search must stop and polls the
// input; reset 1 then restarts the clock.
void CheckElapsedTime(int reset);
void InitBestTime();
void ShowBestTime();
// The engine's clock after its move: time used, moves to the next control.
void CorrectClock(int side);
