#include "core/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/movetables.h"
#include "egtb/egtb.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/notation.h"
#include "ui/output.h"

const char* const prognam = "Vorna";
const char* const version = "B.68";
const char* const patchlevel = "";
const char* const Gendat = "02.02.2004";
char vornapath[128];
char hashsize[16];

void PrintBanner() {
  OutPrintf("\n\nVorna Version %s\n", version);
  OutPrintf("Build of %s\n\n\n\n", Gendat);
}

void SetVornaPath(const char* argv0) {
  snprintf(vornapath, sizeof vornapath, "%s", argv0);
  for (int i = static_cast<int>(strlen(vornapath)) - 1; i >= 0; i--) {
    if (vornapath[i] == '/' || vornapath[i] == '\\') break;
    vornapath[i] = '\0';
  }
}

int64_t get_free_mem() {
  return static_cast<int64_t>(ics_maxhash) << 20;
}

void AskForMemSize() {
  const int64_t mem = get_free_mem();
  if (mem <= 2097152) {
    hashflag = 0;
    return;
  }
  // Tablebase cache and evaluation cache take their share first (8-byte
  // entries, two tables each), the transposition table the rest (20 bytes,
  // two tables).
  const int64_t g = tb_access ? mem / 8 : 0;
  const int64_t e = tb_access ? mem / 8 : mem / 4;
  pegtblsz = static_cast<int32_t>(g >> 4);
  petblsz = static_cast<int32_t>(e >> 4);
  const int64_t n =
      (mem - 16 * static_cast<int64_t>(petblsz) - 16 * static_cast<int64_t>(pegtblsz)) / 40;
  int64_t size = 1;
  while (size * 2 <= n - 8) size *= 2;
  ttblsz = n - 8 >= 1 ? static_cast<int32_t>(size) : 0;
  ovlsz = static_cast<int32_t>((n - ttblsz) >> 2);
  etblsz = ttblsz + 4 * ovlsz;
}

void PrintHashSizes() {
  const int64_t tt = static_cast<int64_t>(etblsz) * 20 >> 9;
  const int64_t egtb = static_cast<int64_t>(pegtblsz) * 8 >> 9;
  const int64_t eval = static_cast<int64_t>(petblsz) * 8 >> 9;
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
  node_inc = 4096;
  ilev = 16;
  Level = 16;
  TCmoves = 40;
  TCminutes = 120;
  TCseconds = 0;
  TCflag = 1;
  ReadInitFile();
  if (ttblsz == 0) {
    AskForMemSize();
    if (ttblsz == 0) hashflag = 0;
  }
  if (hashflag && AllocateTTable() != 0) return 1;
  PrintHashSizes();
  StartKeepAliveThread(KeepAlivePing);
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

void ExitChess() {
  CloseLearn();
  OutFlush();
  exit(0);
}
