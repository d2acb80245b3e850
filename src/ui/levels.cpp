#include "ui/levels.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/board.h"
#include "core/startup.h"
#include "search/driver.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/display.h"
#include "ui/input.h"
#include "ui/output.h"

namespace {

struct LevelRow {
  const char* line;
  int16_t moves, minutes, flag;
};

const LevelRow kLevels[16] = {
    {" 1.   60 moves in   5 minutes", 60, 5, 1},    {" 2.   60 moves in  10 minutes", 60, 10, 1},
    {" 3.   60 moves in  15 minutes", 60, 15, 1},   {" 4.   60 moves in  30 minutes", 60, 30, 1},
    {" 5.   60 moves in  60 minutes", 60, 60, 1},   {" 6.   60 moves in 120 minutes", 60, 120, 1},
    {" 7.   40 moves in 120 minutes", 40, 120, 1},  {" 8.   all moves in   5 minutes", 50, 5, 2},
    {" 9.   all moves in  15 minutes", 50, 15, 2},  {"10.   all moves in  30 minutes", 50, 30, 2},
    {"11.   all moves in 150 minutes", 50, 120, 2}, {"12.    1 move  in   2 minutes", 1, 2, 0},
    {"13.    1 move  in  15 minutes", 1, 15, 0},    {"14.    1 move  in  60 minutes", 1, 60, 0},
    {"15.    1 move  in 600 minutes", 1, 600, 0},   {"16.    user defined level", 0, 0, 1}};
const int kMenuRows[16] = {3, 4, 5, 6, 7, 8, 10, 12, 13, 14, 15, 16, 17, 19, 20, 21};

// A decimal number at *p like strtol (leading blanks skipped); where no
// number stands, 0 and no advance. The value is cut to 16 bits.
int ReadNumber(const char*& p) {
  char* end = nullptr;
  const long v = strtol(p, &end, 10);
  if (end == p) return 0;
  p = end;
  return static_cast<int16_t>(v);
}

// An increment at *p in seconds, perhaps with a fraction ("0.1"): the whole
// seconds are returned (cut to 16 bits), the value in centiseconds goes to
// *cs. Where no number stands, 0 and no advance.
int ReadIncrement(const char*& p, int32_t* cs) {
  const char* start = p;
  const int secs = ReadNumber(p);
  int32_t value = secs * 100;
  if (*p == '.' && p[1] >= '0' && p[1] <= '9') {
    // Tenths and hundredths; further digits do not count.
    p++;
    for (int scale = 10; *p >= '0' && *p <= '9'; p++, scale /= 10) value += (*p - '0') * scale;
    if (value < 0) value = 0;
  } else if (p == start) {
    value = 0;
  }
  *cs = value;
  return secs;
}

void SkipBlanks(const char*& p) {
  while (*p == ' ' || *p == '\t') p++;
}

bool IsNumber(const char* word, long* out) {
  char* end = nullptr;
  errno = 0;
  const long v = strtol(word, &end, 10);
  if (end == word || errno != 0) return false;
  *out = v;
  return true;
}

// Next input word as a number; false when it is none.
bool NextNumber(long* out, char* word = nullptr, size_t size = 0) {
  char buf[40];
  if (word == nullptr) word = buf, size = sizeof buf;
  word[0] = '\0';
  scanz(word, size);
  return IsNumber(word, out);
}

// Remaining time from a word "12345" (centiseconds) or "m:ss"; the number
// that may follow in the same word goes to *extra.
int32_t ParseClockWord(const char* word, bool* minsec, long* extra) {
  const char* p = word;
  long v = strtol(p, const_cast<char**>(&p), 10);
  *minsec = false;
  if (*p == ':') {
    p++;
    const long s = strtol(p, const_cast<char**>(&p), 10);
    v = v * 60 + s;
    *minsec = true;
  }
  *extra = strtol(p, nullptr, 10);
  return static_cast<int32_t>(v);
}

// The next input word as a remaining time.
int32_t NextClockWord(bool* minsec, long* extra) {
  char word[40];
  word[0] = '\0';
  scanz(word);
  return ParseClockWord(word, minsec, extra);
}

}  // namespace

void ICS_Level() {
  char text[80];
  get_string(text, sizeof text);
  for (int i = 0; i < 3; i++)
    moves[i] = minutes[i] = seconds[i] = increment[i] = incrementCs[i] = 0;
  const char* p = text;
  for (int i = 0; i < 3; i++) {
    SkipBlanks(p);
    if (*p == '\0') break;
    moves[i] = ReadNumber(p);
    if (*p == ':') {
      // "m:ss" alone: the number was minutes, sudden death.
      minutes[i] = moves[i];
      moves[i] = 50;
      p++;
      if (*p == ' ')
        p++;
      else
        seconds[i] = ReadNumber(p);
      SkipBlanks(p);
      if (*p != '\0' && *p != 'X' && *p != '+') increment[i] = ReadIncrement(p, &incrementCs[i]);
      continue;
    }
    SkipBlanks(p);
    if (*p == 'X' || *p == '+') {
      minutes[i] = moves[i];
      moves[i] = 50;
      p++;
      continue;
    }
    minutes[i] = ReadNumber(p);
    if (*p == ':') {
      p++;
      if (*p == ' ')
        p++;
      else
        seconds[i] = ReadNumber(p);
      increment[i] = ReadIncrement(p, &incrementCs[i]);
    } else {
      SkipBlanks(p);
      if (*p != 'X' && *p != '+') increment[i] = ReadIncrement(p, &incrementCs[i]);
    }
    SkipBlanks(p);
    if (*p == 'X' || *p == '+') p++;
  }
  TimeControl[0].timeLeft = TimeControl[1].timeLeft = 0;
  TCmoves = static_cast<int16_t>(moves[0]);
  TCminutes = static_cast<int16_t>(minutes[0]);
  TCseconds = static_cast<int16_t>(seconds[0]);
  TCadd = static_cast<int16_t>(increment[0]);
  TCaddCs = incrementCs[0];
  TCflag = 1;
  if (TCmoves == 1) TCflag = 0;
  if (TCaddCs != 0) Level = 17;
  if (TCmoves == 0) {
    TCflag = 2;
    TCmoves = 50;
  }
  SetTimeControl();
}

void SetSearchTime() {
  char text[64];
  get_string(text, sizeof text);
  long n = 0;
  if (!IsNumber(text, &n) || n < 0) return;  // no number: nothing changes
  TCflag = 0;
  LoadBothClocks(0, 0, false);
  Level = static_cast<int32_t>(n);
  TCseconds = static_cast<int16_t>(n);
  TCminutes = 0;
  ElapsedTime = 0;
}

void SetMachineTime() {
  bool minsec = false;
  long extra = 0;
  const int32_t v = NextClockWord(&minsec, &extra);
  TimeControl[computer].timeLeft = minsec ? v * 100 : v;
  if (extra != 0) TimeControl[computer].movesToGo = static_cast<int16_t>(extra);
}

void SetOppTime() {
  bool minsec = false;
  long extra = 0;
  const int32_t v = NextClockWord(&minsec, &extra);
  const int32_t secs = minsec ? v : v / 100;
  CheckElapsedTime(0);
  TimeControl[opponent].timeLeft = secs * 100 + ElapsedTime;
  if (extra != 0) TimeControl[opponent].movesToGo = static_cast<int16_t>(extra);
}

void SetRemainingTime() {
  if (TCflag < 0) return;
  long m = 0;
  if (!NextNumber(&m) || m == 0) return;
  if (m < 0) m = 0;
  minutes[0] = static_cast<int32_t>(m);
  TimeControl[computer].timeLeft = static_cast<int32_t>(m * 6000);
  if (TCflag == 0) {
    TCminutes = static_cast<int16_t>(m);
    SetLevel(ilev);
  } else {
    const bool top = (computer == white) == (reverse != 0);
    GotoXY(top ? 2 : 23, 20);
    OutPrintf("%d:%02d       ", static_cast<int>(m), 0);
    OutFlush();
  }
}

void ChangeSearchDepth() {
  long n = 0;
  // Deeper than the per-ply arrays allow, or no search at all, is refused.
  if (NextNumber(&n) && n >= 1 && n <= 32) MaxSearchDepth = static_cast<int32_t>(n);
}

void SetContempt() {
  long n = 0;
  if (NextNumber(&n)) contempt = static_cast<int16_t>(n);
}

void SetLevel(int n) {
  Level = n;
  if (n < 1 || n > 16) return;
  if (n < 16) {
    const LevelRow& row = kLevels[n - 1];
    TCmoves = row.moves;
    TCminutes = row.minutes;
    TCflag = row.flag;
    return;
  }
  // 16: user defined, up to three periods.
  TCflag = 1;
  if (moves[0] == 0 && minutes[0] == 0) {
    Set1stMoves();
    Set1stTime();
  } else {
    TCminutes = static_cast<int16_t>(minutes[0]);
    TCmoves = static_cast<int16_t>(moves[0]);
  }
  if (moves[0] == -1) {
    TCmoves = 60;
    TCflag = 2;
  }
  for (int period = 1; period <= 2; period++) {
    if (moves[period] != 0 || minutes[period] != 0) continue;
    char word[40];
    word[0] = '\0';
    scanz(word);
    if (word[0] == 'N' || word[0] == 'n') {
      minutes[period] = minutes[period - 1];
      moves[period] = moves[period - 1];
      increment[period] = increment[period - 1];
      incrementCs[period] = incrementCs[period - 1];
    } else if (period == 1) {
      Set2ndMoves();
      Set2ndTime();
    } else {
      Set3rdMoves();
      Set3rdTime();
    }
  }
}

namespace {

// Reads a period's move count: a number (negative counts as 1) or "all" (-1).
bool ReadPeriodMoves(long* out) {
  char word[40];
  long n = 0;
  if (NextNumber(&n, word, sizeof word)) {
    *out = n < 0 ? 1 : n;
    return true;
  }
  if (word[0] == 'a' || word[0] == 'A') {
    *out = -1;
    return true;
  }
  return false;
}

void SetLaterMoves(int period) {
  long n = 0;
  if (TCflag > 0 && ReadPeriodMoves(&n)) moves[period] = static_cast<int32_t>(n);
}

void SetLaterTime(int period) {
  long n = 0;
  if (TCflag > 0 && NextNumber(&n)) minutes[period] = static_cast<int32_t>(n < 0 ? 0 : n);
}

}  // namespace

void Set1stMoves() {
  long n = 0;
  if (TCflag <= 0 || !ReadPeriodMoves(&n)) return;
  if (n == -1) {
    moves[0] = -1;
    TCmoves = 60;
    TCflag = 2;
  } else {
    moves[0] = static_cast<int32_t>(n);
    TCmoves = static_cast<int16_t>(n);
    TCflag = 1;
  }
  TimeControl[0].movesToGo = TimeControl[1].movesToGo = TCmoves;
}

void Set1stTime() {
  long n = 0;
  if (TCflag <= 0 || !NextNumber(&n) || n == 0) return;
  minutes[0] = static_cast<int32_t>(n);
  TCminutes = static_cast<int16_t>(n);
  TimeControl[0].timeLeft = TimeControl[1].timeLeft = static_cast<int32_t>(n * 6000);
}

void Set2ndMoves() {
  SetLaterMoves(1);
}
void Set2ndTime() {
  SetLaterTime(1);
}
void Set3rdMoves() {
  SetLaterMoves(2);
}
void Set3rdTime() {
  SetLaterTime(2);
}

void SelectLevel() {
  ClearScreen();
  GotoXY(1, 32);
  OutPrintf("%s", prognam);
  for (int i = 0; i < 16; i++) {
    GotoXY(kMenuRows[i], 20);
    OutPrintf("%s", kLevels[i].line);
  }
  TCmoves = 60;
  TCminutes = 5;
  TCseconds = 0;
  GotoXY(23, 20);
  OutPrintf("Enter Level: ");
  OutFlush();
  long n = 0;
  if (NextNumber(&n)) ilev = static_cast<int32_t>(n);
  if (ilev == 16)
    for (int i = 0; i < 3; i++) moves[i] = minutes[i] = 0;
  SetLevel(ilev);
  SetTimeControl();
  ClearScreen();
  UpdateDisplay(0, 0, 1, 0);
}
