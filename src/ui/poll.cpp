#include "ui/poll.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/board.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/input.h"
#include "ui/levels.h"
#include "ui/notation.h"
#include "ui/output.h"

namespace {

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
    UpdateDisplay(MoveFrom(e.move), MoveTo(e.move), 0, 0);
    e.score = 0;
    e.depth = 0;
    e.seconds = static_cast<int16_t>(PonderedTime / 100);
  }
  SideClock& c = TimeControl[opponent];
  c.timeLeft -= PonderedTime;
  c.movesToGo--;
  if (Level == 17) c.timeLeft += TCaddCs;
}

}  // namespace

void PollSearchInput() {
  if (!KBhit()) return;
  GuessOkay = 0;
  char predicted[8] = "";
  if (hint) {
    algbr(static_cast<int16_t>(MoveFrom(hint)), static_cast<int16_t>(MoveTo(hint)), 0);
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
