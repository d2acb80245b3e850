#include "timectl/clock.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/board.h"
#include "eval/evaluate.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "timectl/timectl.h"

SideClock TimeControl[2];
int32_t node_inc = 4096;
int32_t time0 = 0;
int32_t et0 = 0;
int32_t ElapsedTime = 0;
int32_t PonderedTime = 0;
int64_t ETnodes = 0;
int32_t ResponseTime = 0;
int32_t ExtraTime = 0;
int32_t BestTime = 0;
char BestTimeStr[32] = " in 0:00 [0]     ";
int16_t AbandonMove = 0;
void (*SearchInputPoll)() = nullptr;

int32_t MoveBudget(int32_t time_left, int32_t moves_to_go, int tcflag, int tcmoves) {
  int32_t t = moves_to_go == -3 ? 0 : time_left / (moves_to_go + 3);
  if (tcflag == 1 && time_left <= 11999) t = 2 * t / 3;  // under two minutes left
  t += t * moves_to_go / (2 * tcmoves + 1);
  return t < 1 ? 1 : t;
}

int32_t MoveTimeLimit(int32_t time_left, int divisor) {
  const int32_t left = time_left - kMoveOverhead;
  const int32_t share = left / (divisor < 1 ? 1 : divisor);
  const int32_t limit = share < left - kClockReserve ? share : left - kClockReserve;
  return limit < 0 ? 0 : limit;
}

int32_t MovesToControl(int32_t game_cnt, int32_t tcmoves) {
  if (tcmoves <= 0) return 1;
  const int32_t played = (game_cnt < 0 ? 0 : game_cnt) / 2;  // by the side to move
  return tcmoves - played % tcmoves;
}

int32_t HardTimeLimit() {
  // A share of the clock from a half to a fifth, as pondering, the
  // increment and the easy mode are off.
  const int divisor = TCflag + 1 + easy + (incrementCs[0] == 0 ? 1 : 0);
  return MoveTimeLimit(TimeControl[computer].timeLeft, divisor);
}

void SetResponseTime(int side) {
  if (TCflag > 0) {
    SideClock& c = TimeControl[side];
    // One period repeating: the moves left until the control are the GUI's,
    // also when the game did not start with the engine's own count.
    if (TCflag == 1 && minutes[1] == 0)
      c.movesToGo = static_cast<int16_t>(MovesToControl(GameCnt, TCmoves));
    ResponseTime = MoveBudget(c.timeLeft, c.movesToGo, TCflag, TCmoves);
  } else {
    ResponseTime = Level;
  }
  if (ResponseTime < 1) ResponseTime = 1;
  // The search grants itself up to six budgets: keep that within 32 bits
  // whatever clock or level the GUI gave (a month a move is no limit).
  if (ResponseTime > kMaxResponseTime) ResponseTime = kMaxResponseTime;
  ExtraTime = 0;
  WouldTimeout = 0;
  timeout = 0;
  ETnodes = NodeCnt = 0;
  InitBestTime();
}

void InitBestTime() {
  snprintf(BestTimeStr, sizeof BestTimeStr, " in 0:00 [0]     ");
}

void ShowBestTime() {
  BestTime = static_cast<int32_t>(static_cast<uint32_t>(VornaClock() - time0) / 100);
  snprintf(BestTimeStr, sizeof BestTimeStr, " in %d:%02d [%d]", BestTime / 60, BestTime % 60,
           Sdepth);
}

void CorrectClock(int side) {
  if (TCflag <= 0) return;
  SideClock& c = TimeControl[side];
  c.timeLeft -= OperatorTime * 100 + ElapsedTime;
  if (TCflag == 1) {
    if (--c.movesToGo == 0) {
      TCindex++;
      SetTimeControl();
    }
  } else if (TCflag == 2) {
    c.movesToGo = static_cast<int16_t>((Level == 17 ? 20 : 50) - istage2);
  }
}

namespace {

// The clock never stops the search inside the first root move of the
// first iteration: until then no move has a score, and the move played
// would be a blind one, reported as a stalemate.
void StopSearch() {
  if (Sdepth <= 1 && RootCnt == 0) return;
  if (PonderOn)
    WouldTimeout = 1;
  else
    timeout = 1;
}

}  // namespace

void ReadElapsedTime() {
  ElapsedTime = VornaClock() - time0;
  if (ElapsedTime < 0) ElapsedTime = 0;  // a clock set back counts as none
}

void CheckElapsedTime(int reset) {
  // 1. Time since the last reset.
  ReadElapsedTime();

  // 2. When to look again.
  ETnodes += node_inc;
  if (ElapsedTime / 100 > et0 / 100 || reset == 1) ETnodes = NodeCnt + node_inc;

  // 3. Stop tests.
  const int32_t used = ElapsedTime + PonderedTime;
  if (TCflag == 0) {
    if (used >= (TCminutes * 60 + TCseconds) * 100) StopSearch();
  } else if (TCflag > 0 && Sdepth > 1) {
    // The budget with its extensions, and the hard limit.
    if (used > ResponseTime + ExtraTime || used >= HardTimeLimit()) StopSearch();
  }

  // 4. Reset.
  et0 = ElapsedTime;
  if (reset == 1) {
    time0 = VornaClock();
    et0 = 0;
  }

  // 5. Input that arrived meanwhile.
  if (!puzzling && !timeout && Sdepth > 1 && SearchInputPoll != nullptr) SearchInputPoll();
}
