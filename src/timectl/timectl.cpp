#include "timectl/timectl.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/board.h"
#include "core/startup.h"
#include "search/driver.h"
#include "timectl/clock.h"

// The default control, 40 moves in 120 minutes, until start-up applies its own.
int16_t TCflag = 1;
int16_t TCmoves = 40;
int16_t TCminutes = 120;
int16_t TCseconds = 0;
int16_t TCadd = 0;
int32_t TCaddCs = 0;
int32_t Level = 16;
int32_t ilev = 16;
int32_t TCindex = 0;
int16_t contempt = 0;
int32_t OperatorTime = 0;
int32_t moves[3], minutes[3], seconds[3], increment[3];
int32_t incrementCs[3];

void InitTimeControl() {
  node_inc = 4096;
  ilev = 16;
  Level = 16;
  TCmoves = 40;
  TCminutes = 120;
  TCseconds = 0;
  TCflag = 1;
}

void NewGameClock() {
  et0 = 0;
  contempt = 0;
  TCindex = 0;
}

void LoadBothClocks(int16_t to_go, int32_t add, bool grow) {
  for (auto& side : TimeControl) {
    side.movesToGo = to_go;
    side.timeLeft = grow ? side.timeLeft + add : add;
  }
}

void SetTimeControl() {
  if (GameCnt > 2 && TCindex == 1 && moves[0] > 0 && minutes[1] > 0) {
    // Second period.
    if (moves[1] > 0) {
      TCflag = 1;
      TCmoves = static_cast<int16_t>(moves[1]);
    } else {
      TCflag = 2;
      TCmoves = 60;
    }
    TCadd = static_cast<int16_t>(increment[1]);
    TCaddCs = incrementCs[1];
    TCminutes = static_cast<int16_t>(minutes[1]);
    LoadBothClocks(TCmoves, TCminutes * 6000, true);
  } else if (GameCnt >= 2 * TCmoves - 1 && TCindex == 2 && moves[1] > 0 && minutes[2] > 0) {
    // Third period.
    if (moves[2] == -1) {
      TCflag = 2;
      TCmoves = 60;
    } else {
      TCflag = 1;
      TCmoves = static_cast<int16_t>(moves[2]);
    }
    TCminutes = static_cast<int16_t>(minutes[2]);
    TCadd = static_cast<int16_t>(increment[2]);
    TCaddCs = incrementCs[2];
    LoadBothClocks(TCmoves, TCminutes * 6000, true);
  } else if (TCflag > 0 && GameCnt > 2) {
    LoadBothClocks(TCmoves, TCminutes * 6000, true);  // the same control again
  } else if (TCflag > 0) {
    LoadBothClocks(TCmoves, TCminutes * 6000, false);
  } else {
    LoadBothClocks(0, 0, false);
    // Fixed time per move: the seconds count too ("level 1 0:30 0").
    Level = TCminutes * 60 + TCseconds;
  }
  ElapsedTime = 0;
  CheckElapsedTime(1);
}
