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

void SetResponseTime(int side) {
  if (TCflag > 0) {
    const SideClock& c = TimeControl[side];
    ResponseTime = c.movesToGo == -3 ? 0 : c.timeLeft / (c.movesToGo + 3);
    if (TCflag == 1 && c.timeLeft <= 11999) ResponseTime = 2 * ResponseTime / 3;
    ResponseTime += ResponseTime * c.movesToGo / (2 * TCmoves + 1);
  } else {
    ResponseTime = Level;
  }
  if (ResponseTime < 1) ResponseTime = 1;
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

void StopSearch() {
  if (PonderOn)
    WouldTimeout = 1;
  else
    timeout = 1;
}

}  // namespace

void CheckElapsedTime(int reset) {
  // 1. Time since the last reset; a clock set back counts as none.
  ElapsedTime = VornaClock() - time0;
  if (ElapsedTime < 0) ElapsedTime = 0;

  // 2. When to look again.
  ETnodes += node_inc;
  if (ElapsedTime / 100 > et0 / 100 || reset == 1) ETnodes = NodeCnt + node_inc;

  // 3. Stop tests.
  const int32_t used = ElapsedTime + PonderedTime;
  if (TCflag == 0) {
    if (used >= (TCminutes * 60 + TCseconds) * 100) StopSearch();
  } else if (TCflag > 0 && Sdepth > 1) {
    const int32_t left = TimeControl[computer].timeLeft;
    const int divisor = TCflag + 1 + easy + (increment[0] == 0 ? 1 : 0);
    if (used > ResponseTime + ExtraTime || used >= left / divisor || left - used <= 300)
      StopSearch();
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
