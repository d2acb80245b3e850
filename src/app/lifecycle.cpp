// Start-up (EnterChess), in this order:
//   1. the interrupt key is ignored;
//   2. clock checks every 4096 nodes and the default time control;
//   3. the configuration file;
//   4. the hash tables are sized (unless the configuration did) and
//      allocated, and their sizes reported;
//   5. the keep-alive thread; the search's input poll;
//   6. the move, distance and square-colour tables;
//   7. the books, then the learning table;
//   8. the start-up level, when playing through a GUI;
//   9. a new game; no pondering time is owed.
//
// A new game (NewGame), in this order:
//   1. every module's game state: search limits, roles and flags, the
//      tree's counters, the evaluation's records, the command loop's flags,
//      notation, display, hash age, clock, book window;
//   2. open tablebase files are closed;
//   3. the game tags and the start FEN are cleared;
//   4. the board: initial position, empty record, fresh hash codes;
//   5. the time control: a new period, or the console's level menu;
//   6. mode 1 redraws the display;
//   7. derived state, the clock restarted, the books opened.
#include "app/lifecycle.h"

#include <cstdio>
#include <cstdlib>

#include "book/book.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/movetables.h"
#include "core/startup.h"
#include "egtb/egtb.h"
#include "eval/evaluate.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/gamefile.h"
#include "ui/levels.h"
#include "ui/notation.h"
#include "ui/output.h"
#include "ui/poll.h"

void PrintBanner() {
  OutPrintf("\n\nVorna Version %s\n", version);
  OutPrintf("Build of %s\n\n\n\n", Gendat);
}

// Reports the sizes of the hash tables in kilobytes (both sides' tables)
// and fills hashsize.
void PrintHashSizes() {
  const int64_t tt = static_cast<int64_t>(etblsz) * 2 * sizeof(TTEntry) / 1024;
  const int64_t egtb = static_cast<int64_t>(pegtblsz) * 2 * sizeof(EGTBEntry) / 1024;
  const int64_t eval = static_cast<int64_t>(petblsz) * 2 * sizeof(EvalEntry) / 1024;
  snprintf(hashsize, sizeof hashsize, "%dK", static_cast<int>(tt + eval));
  OutPrintf("\nHash Table Sizes:");
  OutPrintf("\tTransposition Table: %dK\n", static_cast<int>(tt));
  OutPrintf("\tEGTB Probe Cache: %dK\n", static_cast<int>(egtb));
  OutPrintf("\tEvaluation Cache: %dK\n\n", static_cast<int>(eval));
  OutPrintf("Chess\n");
  OutFlush();
}

int EnterChess() {
  IgnoreInterrupt();
  InitTimeControl();
  ReadInitFile();
  if (ttblsz == 0) {
    AskForMemSize(get_free_mem(), tb_access);
    if (ttblsz == 0) hashflag = 0;
  }
  if (hashflag && AllocateTTable() != 0) return 1;
  PrintHashSizes();
  StartKeepAliveThread(KeepAlivePing);
  SearchInputPoll = PollSearchInput;
  InitializeTables();
  OpenBook();
  InitLearn();
  if (ics && ics_level >= 0) {
    SetLevel(ics_level);
    SetTimeControl();
  }
  NewGame(1);
  PonderedTime = 0;
  return 0;
}

void NewGame(int mode) {
  NewGameSearch();
  NewGameTree();
  NewGameEval();
  NewGameCommand();
  NewGameNotation();
  NewGameDisplay();
  NewGameHash();
  NewGameClock();
  NewGameBook();
  NewGameTb();
  ClearGameTags();
  NewGameBoard();
  if (TCflag >= 1)
    SetTimeControl();
  else if (Level == 0 && !ics)
    SelectLevel();  // the console menu reads a number: never under a GUI
  if (mode == 1) UpdateDisplay(0, 0, 1, 0);
  InitializeStats();
  time0 = VornaClock();
  CheckElapsedTime(1);
  OpenBook();
}

void InitializeStats() {
  InitializeBoardStats();
  NewPositionSearch();
}

void MainLoop() {
  while (!quit) {
    if (!bothsides || mate) {
      InputCommand();
    } else {
      PonderOn = 0;
      lookahead = 0;
      SelectMove(player);
    }
    if (!quit && !mate && !force) {
      PonderOn = 0;
      lookahead = 0;
      SelectMove(computer);
    }
  }
}

void (*ExitHook)() = nullptr;

void ExitChess() {
  CloseLearn();
  OutFlush();
  if (ExitHook != nullptr) ExitHook();
  exit(0);
}
