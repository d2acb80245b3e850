#include "ui/command.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/lifecycle.h"
#include "book/book.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/movegen.h"
#include "core/startup.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/gamefile.h"
#include "ui/input.h"
#include "ui/levels.h"
#include "ui/notation.h"
#include "ui/output.h"
#include "ui/position.h"
#include "ui/testsuite.h"

int16_t force = 0;
int32_t analyze = 0;
int16_t post = 0;
int16_t bothsides = 0;
int16_t quit = 0;
int16_t mate = 0;
int32_t GameTerminated = 0;
uint32_t hint = 0;
int32_t GuessOkay = 0;
int32_t mydepth = 0;
int32_t WinboardProtVer = 1;
int32_t handshaked = 0;
int16_t selective = 1;
int32_t evrate = 0;
char oppnam[38] = "Opponent";
std::atomic<int32_t> watchdog{1};

void KeepAlivePing() {
  if (watchdog.load(std::memory_order_relaxed) == 1) {
    OutPrintf("tellics ping\n");
    OutFlush();
  }
}

namespace {

void Unexpected(const char* word) {
  OutPrintf("unexpected input: <%s> \n", word);
  OutFlush();
  if (ics_beep) EngineBeep();
  if (beep) {
    EngineBeep();
    EngineBeep(BeepSound::kOk);
  }
}

void Protover() {
  char arg[8];
  get_string(arg, sizeof arg);
  WinboardProtVer = arg[0] - '0';
  OutPrintf("protocol version %d recognized\n", WinboardProtVer);
  if (WinboardProtVer >= 2) {
    OutPrintf("feature myname=%c%s %s%s%c\n", '"', prognam, version, patchlevel, '"');
    OutPrintf("feature ping=0\n");
    OutPrintf("feature analyze=1\n");
    OutPrintf("feature draw=%d\n", ics_draw);
    OutPrintf("feature setboard=1\n");
    OutPrintf("feature time=1\n");
    OutPrintf("feature colors=0\n");
    if (WinboardProtVer >= 3) OutPrintf("feature level=2\n");
    OutPrintf("feature done=1\n");
  }
  OutFlush();
}

// Move-generator speed test: ten thousand generations from the opponent's side.
void SpeedTest() {
  const time_t start = time(nullptr);
  const auto clock_start = VornaClock();
  long count = 0;
  TrPnt[2] = TrPnt[1];
  for (int i = 0; i < 10000; i++) {
    MoveList(opponent, 2);
    count += TrPnt[3] - TrPnt[2];
  }
  long seconds = static_cast<long>(time(nullptr) - start);
  // Under a second: rate from the centisecond clock instead.
  long rate;
  if (seconds > 0) {
    rate = count / seconds;
  } else {
    const long cs = VornaClock() - clock_start;
    rate = count * 100 / (cs > 0 ? cs : 1);
  }
  GotoXY(24, 48);
  OutPrintf("cnt= %ld  rate= %ld", count, rate);
  ClearEol();
  OutFlush();
}

// Reads words until one is a number from 0 to 20: the operator delay.
void OperatorDelay() {
  char word[40];
  for (;;) {
    word[0] = '\0';
    scanz(word);
    const int n = atoi(word);
    if (n >= 0 && n <= 20 && word[0] != '\0') {
      OperatorTime = n;
      return;
    }
  }
}

// Takes the rest of a result line so that its comment words are never run
// as commands; each is still reported as unexpected input.
void ResultLine() {
  char rest[256];
  get_string(rest, sizeof rest);
  for (char* word = strtok(rest, " \t"); word != nullptr; word = strtok(nullptr, " \t")) {
    Unexpected(word);
  }
}

void CompileBook() {
  char name[80];
  name[0] = '\0';
  scanz(name);
  if (name[0] == '\0') return;
  if (strchr(name, '.') == nullptr) strncat(name, ".bok", sizeof name - strlen(name) - 1);
  NewGame(1);
  AddBook(name);
  NewGame(1);
}

enum class Outcome { kNone, kAccepted, kRestart };

// Runs one word of the command table; kNone when the word is no command.
Outcome RunCommand(const char* w, bool& matched) {
  matched = true;
  char arg[132];
  if (w[0] == '\0') {
    UpdateDisplay(0, 0, 1, 0);
  } else if (!strcmp(w, "bd")) {
    ClearScreen();
    UpdateDisplay(0, 0, 1, 0);
  } else if (!strcmp(w, "batch")) {
    Solve(nullptr);
  } else if (!strcmp(w, "quit")) {
    quit = 1;
    analyze = 0;
  } else if (!strcmp(w, "post")) {
    post = 1;
  } else if (!strcmp(w, "nopost")) {
    post = 0;
  } else if (!strcmp(w, "edit")) {
    EditBoard();
  } else if (!strcmp(w, "force")) {
    force = 1;
  } else if (!strcmp(w, "analyze")) {
    time0 = VornaClock();
    force = 1;
    analyze = 1;
    return Outcome::kRestart;
  } else if (!strcmp(w, "exit")) {
    analyze = 0;
  } else if (!strcmp(w, "book")) {
    SwitchBook(1);
  } else if (!strcmp(w, "learn")) {
    SwitchLearn();
  } else if (!strcmp(w, "undo") && GameCnt > 0) {
    Undo();
    GameTerminated = 0;
    if (analyze) return Outcome::kRestart;
  } else if (!strcmp(w, "do")) {
    Redo();
  } else if (!strcmp(w, "result")) {
    watchdog = 1;
    GameTerminated = 1;
    ResultLine();
  } else if (!strcmp(w, "random")) {
  } else if (!strcmp(w, "name")) {
    scanz(oppnam, sizeof oppnam - 1);  // room for the blank a saved game adds
  } else if (!strcmp(w, "protover")) {
    Protover();
  } else if (!strcmp(w, "setboard")) {
    get_string(arg, 121);
    if (FEN_to_pos(arg) != 0) {
      OutPrintf("tellusererror Illegal position\n");
      OutFlush();
    } else {
      mate = 0;
      GameTerminated = 0;
    }
    ZeroTTable();
    memset(Tree, 0, sizeof Tree);
    if (analyze) return Outcome::kRestart;
  } else if (!strcmp(w, "ping")) {
    get_string(arg, 32);
    OutPrintf("pong %s\n", arg);
    OutFlush();
  } else if (!strcmp(w, "xboard")) {
  } else if (!strcmp(w, "accepted")) {
    get_string(arg, 31);
  } else if (!strcmp(w, "draw")) {
    if (ics_draw && drawAcc >= 4) {
      OutPrintf("offer draw\n");
      OutFlush();
    }
  } else if (!strcmp(w, "new")) {
    const int16_t keep_force = analyze ? force : 0;
    NewGame(1);
    force = keep_force;  // analysis goes on in force mode
    watchdog = 1;
    if (info[0] != '\0') strcpy(info, "whisper");
    if (analyze) return Outcome::kRestart;
  } else if (!strcmp(w, "computer") && info[0] != '\0') {
    strcpy(info, "kibitz");
  } else if (!strcmp(w, "list")) {
    char name[80];
    name[0] = '\0';
    scanz(name);
    if (name[0] != '\0') ListGame(name);
  } else if (!strcmp(w, "level") || !strcmp(w, "clock")) {
    ICS_Level();
  } else if (!strcmp(w, "st")) {
    SetSearchTime();
  } else if (!strcmp(w, "tc")) {
    SetRemainingTime();
  } else if (!strncmp(w, "optim", 5)) {
    OperatorDelay();
  } else if (!strcmp(w, "time")) {
    watchdog = 0;
    SetMachineTime();
  } else if (!strcmp(w, "otim")) {
    SetOppTime();
  } else if (!strcmp(w, "hash")) {
    hashflag = (hashflag || ttblsz == 0) ? 0 : 1;
  } else if (!strcmp(w, "beep")) {
    beep = !beep;
  } else if (!strcmp(w, "hint")) {
    GiveHint();
  } else if (!strcmp(w, "both")) {
    bothsides = !bothsides;
    Sdepth = 0;
    lookahead = 0;
    SelectMove(opponent);
    return Outcome::kAccepted;
  } else if (!strcmp(w, "reverse")) {
    reverse = !reverse;
    ClearScreen();
    UpdateDisplay(0, 0, 1, 0);
  } else if (!strcmp(w, "switch") || !strcmp(w, "go")) {
    // Once the game is over on the board nobody is to move: the roles stay,
    // so that the side to move is still the one whose move is awaited.
    if (!mate) {
      computer = 1 - computer;
      opponent = 1 - opponent;
    }
    force = 0;
    watchdog = 0;
    Sdepth = 0;
    return Outcome::kAccepted;
  } else if ((!strcmp(w, "back") || !strcmp(w, "remove")) && GameCnt > 1 &&
             GameList[GameCnt - 1].move != 0) {
    Undo();
    Undo();
  } else if (!strcmp(w, "ib")) {
    InitBook();
  } else if (!strcmp(w, "sb")) {
    StatBook();
  } else if (!strcmp(w, "zb")) {
    CompileBook();
  } else if (!strcmp(w, "load")) {
    GetGame(0);
  } else if (!strcmp(w, "loadlast")) {
    GetGame(1);
  } else if (!strcmp(w, "pget")) {
    GetPosition();
  } else if (!strcmp(w, "pput")) {
    PutPosition();
  } else if (!strcmp(w, "save")) {
    SaveGame(0);
  } else if (!strcmp(w, "pgnex")) {
    ExportGame(nullptr);
  } else if (!strcmp(w, "depth")) {
    ChangeSearchDepth();
  } else if (!strcmp(w, "easy")) {
    easy = 1;
  } else if (!strcmp(w, "hard")) {
    easy = 0;
  } else if (!strcmp(w, "contempt")) {
    SetContempt();
  } else if (!strcmp(w, "style")) {
    char word[40];
    word[0] = '\0';
    scanz(word);
    if (word[0] == '0') selective = 0;
    if (word[0] == '1') selective = 1;
  } else if (!strcmp(w, "test")) {
    SpeedTest();
  } else {
    matched = false;
  }
  return Outcome::kNone;
}

// Ponders on the expected reply, or analyses, before the next word is read.
// Returns true when a pondered move was confirmed and the engine has moved.
bool Prepare() {
  quit = 0;
  GuessOkay = 0;
  uint32_t predicted = hint;
  player = opponent;
  PonderedTime = 0;
  puzzling = 0;

  // 2. Analysis of the side to move until input arrives.
  if (analyze) {
    if (ByteCnt == 0) {
      PonderOn = 1;
      lookahead = 1;
      SelectMove(opponent);
    }
    Sdepth = mydepth = 0;
    hint = 0;
    return false;
  }

  // 3. A short search for the expected reply when none is known.
  if (!easy && !force && !GameTerminated && ByteCnt == 0) {
    time0 = VornaClock();
    PonderOn = 1;
    OutFlush();
    if (hint == 0) {
      const int32_t saved_depth = MaxSearchDepth;
      Sdepth = 0;
      MaxSearchDepth = evrate <= 1499 ? 1 : evrate <= 7499 ? 2 : 3;
      puzzling = 1;
      lookahead = 2;
      SelectMove(opponent);
      puzzling = 0;
      predicted = hint = MoveInfo[1] != 0 ? ShortMove(root->from, root->to) : 0;
      player = opponent;
      Sdepth = 0;
      MaxSearchDepth = saved_depth;
    }
  }

  // 4. Pondering on it.
  if (!force && !easy && predicted != 0 && ByteCnt == 0 && !GameTerminated) {
    algbr(static_cast<int16_t>(predicted >> 8), static_cast<int16_t>(predicted & 0xff), 0);
    char text[8];
    snprintf(text, sizeof text, "%s", mvstr);
    uint32_t made = 0;
    if (VerifyMove(text, 1, &made)) {
      lookahead = 1;
      SelectMove(computer);
      if (PonderOn == 1) VerifyMove(text, 2, &made);
    }
    Sdepth = 0;
  }

  // 5. The prediction came true: the engine has already moved.
  if (GuessOkay) {
    CheckElapsedTime(1);
    PonderOn = 0;
    Sdepth = 0;
    return ByteCnt == 0 && !GameTerminated;
  }
  return false;
}

}  // namespace

void NewGameCommand() {
  GameTerminated = 0;
  bothsides = quit = mate = force = 0;
  hint = 0;
  handshaked = 0;
}

void InputCommand() {
  char word[80];
  for (;;) {
    if (Prepare()) continue;
    bool accepted = false;
    bool restart = false;
    while (!accepted && !quit && !restart) {
      // 1. The next word.
      word[0] = '\0';
      scanz(word);
      PonderOn = 0;
      Sdepth = mydepth = 0;
      PonderedTime = 0;
      player = opponent;

      // 2. Moves.
      uint32_t made = 0;
      if (NormalizeMoveText(word, sizeof word, player)) {
        if (GameTerminated) {
          OutPrintf("move not accepted because game already closed\n");
          OutFlush();
          continue;
        }
        if (VerifyMove(word, 0, &made)) {
          accepted = true;
        } else {
          OutPrintf("Illegal move: %s\n", word);
          OutFlush();
          continue;
        }
      }
      // 3. A move entered in force mode that the book did not expect.
      if (accepted && force && (made & 0xffff) != hint) LastBookMove++;

      // 4. Commands.
      bool matched = false;
      const Outcome outcome = RunCommand(word, matched);
      if (outcome == Outcome::kAccepted) accepted = true;
      if (outcome == Outcome::kRestart) restart = true;
      if (matched || accepted) continue;
      if (!force) analyze = 0;
      if (analyze) {
        restart = true;
      } else if (word[0] != '.') {
        Unexpected(word);
      }
    }
    if (restart && !quit) continue;
    break;
  }
  CheckElapsedTime(1);
  if (force) {
    computer = opponent;
    opponent = 1 - computer;
  }
}
