#include "timectl/clock.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/board.h"
#include "core/startup.h"
#include "eval/evaluate.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/input.h"
#include "ui/notation.h"
#include "ui/output.h"

SideClock TimeControl[2];
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

// Removes n bytes at the front of the input buffer.
void Drop(int32_t n) {
  if (n >= ByteCnt) n = ByteCnt;
  memmove(pb_buffer, pb_buffer + n, static_cast<size_t>(ByteCnt - n));
  ByteCnt -= n;
  pb_buffer[ByteCnt] = '\0';
}

// Removes the first line (through its newline).
void DropLine() {
  const char* nl = static_cast<const char*>(memchr(pb_buffer, '\n', static_cast<size_t>(ByteCnt)));
  Drop(nl ? static_cast<int32_t>(nl - pb_buffer) + 1 : ByteCnt);
}

bool StartsWith(const char* prefix) {
  return strncmp(pb_buffer, prefix, strlen(prefix)) == 0;
}

// Removes a command word and the one character after it.
void DropWord(const char* word) {
  Drop(static_cast<int32_t>(strlen(word)) + 1);
}

// The first word is one that takes the game away from the engine.
bool TakesMoveAway() {
  static const char* const words[] = {"force", "result", "new", "quit"};
  for (const char* w : words) {
    const size_t n = strlen(w);
    if (strncmp(pb_buffer, w, n) == 0 && (pb_buffer[n] == '\0' || isspace(pb_buffer[n])))
      return true;
  }
  return false;
}

void StatusLine() {
  if (NodeCnt > 5) {
    algbr(MoveInfo[2], MoveInfo[3], 0);
    OutPrintf("stat01: %d %llu %d %d %d", VornaClock() - time0,
              static_cast<unsigned long long>(NodeCnt), Sdepth, MoveInfo[1] - MoveInfo[0],
              MoveInfo[1]);
    if (!(WinboardProtVer <= 1 && analyze)) OutPrintf(" %s", mvstr);
    OutPrintf("\n");
    OutFlush();
  }
}

// The opponent played the move the engine is pondering on: the ponder
// search becomes the engine's own search.
void PonderHit() {
  GuessOkay = 1;
  lookahead = 0;
  PonderOn = 0;
  if (WouldTimeout) timeout = 1;
  player = 1 - player;
  PonderedTime = VornaClock() - time0;
  time0 = VornaClock();
  const int index = CntMoves + 1;
  if (index >= 1 && index < kGameListSize) {
    CntMoves = static_cast<int16_t>(index);
    GameEntry& e = GameList[index];
    // The move's text and check mark were written when pondering began.
    UpdateDisplay((e.move >> 8) & 0xff, e.move & 0xff, 0, 0);
    e.score = 0;
    e.depth = 0;
    e.seconds = static_cast<int16_t>(PonderedTime / 100);
  }
  SideClock& c = TimeControl[opponent];
  c.timeLeft -= PonderedTime;
  c.movesToGo--;
  if (Level == 17) c.timeLeft += TCadd * 100;
}

// Looks at the input that arrived while the search runs: answers what can be
// answered at once and stops the search for the rest, which stays buffered.
void Poll() {
  GuessOkay = 0;
  char predicted[8] = "";
  if (hint) {
    algbr(static_cast<int16_t>((hint >> 8) & 0xff), static_cast<int16_t>(hint & 0xff), 0);
    snprintf(predicted, sizeof predicted, "%s", mvstr);
  }
  // New input goes behind what is still buffered; a full buffer waits. At
  // the end of input the search stops so that the command loop can finish.
  if (FillBuffer() == 0) {
    timeout = 1;
    return;
  }
  if (strstr(pb_buffer, "result") != nullptr) {
    GameTerminated = 1;
    watchdog = 1;
    timeout = 1;
    easy = 1;
    force = 1;
    AbandonMove = 1;
    return;
  }
  for (;;) {
    int32_t blanks = 0;
    while (blanks < ByteCnt && isspace(static_cast<unsigned char>(pb_buffer[blanks]))) blanks++;
    Drop(blanks);
    if (ByteCnt == 0) return;
    if (StartsWith("draw") && ics_draw && drawAcc > 3) {
      OutPrintf("offer draw\n");
      OutFlush();
    }
    if (StartsWith("tc") && (pb_buffer[2] == '\0' || isspace(pb_buffer[2]))) {
      DropWord("tc");
      SetRemainingTime();
      continue;
    }
    if (pb_buffer[0] == '.') {
      StatusLine();
      DropLine();
      continue;
    }
    if (player == computer) {
      // Any input ends the engine's own search; some take the move away.
      timeout = 1;
      bothsides = 0;
      if (TakesMoveAway()) AbandonMove = 1;
      return;
    }
    if (StartsWith("time ")) {
      DropWord("time");
      watchdog = 0;
      SetMachineTime();
      continue;
    }
    if (StartsWith("otim ")) {
      DropWord("otim");
      SetOppTime();
      continue;
    }
    if (StartsWith("st ")) {
      timeout = 1;
      return;
    }
    if (StartsWith("ping") && (pb_buffer[4] == '\0' || isspace(pb_buffer[4]))) {
      char arg[32];
      char word[8];
      scanz(word);
      get_string(arg, sizeof arg);
      OutPrintf("pong %s\n", arg);
      OutFlush();
      continue;
    }
    if (StartsWith("hint") && (pb_buffer[4] == '\0' || isspace(pb_buffer[4]))) {
      GiveHint();
      DropWord("hint");
      continue;
    }
    const size_t len = strlen(predicted);
    if (!analyze && hint && len >= 4 && strncmp(pb_buffer, predicted, len) == 0 &&
        (pb_buffer[len] == '\0' || isspace(static_cast<unsigned char>(pb_buffer[len])))) {
      PonderHit();
      Drop(static_cast<int32_t>(len));
      continue;
    }
    timeout = 1;
    PonderedTime = 0;
    return;
  }
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
  if (!puzzling && !timeout && Sdepth > 1 && KBhit()) Poll();
}
