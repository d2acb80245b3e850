#include "core/board.h"

#include <cstring>

#include "book/book.h"
#include "core/movegen.h"
#include "core/random.h"
#include "core/tables.h"
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
#include "ui/notation.h"

int16_t board[64];
int16_t color[64];
int16_t Mvboard[64];
int16_t PieceList[2][16];
int16_t PieceCnt[2];
int16_t Pindex[64];
int16_t PawnCnt[2][8];
int16_t mtl[2], pmtl[2], emtl[2];
int16_t castld[2];
uint8_t epsquare = 0;
int16_t Game50 = 1;
int16_t GameCnt = 0;
int16_t lboard[64], lcolor[64];

uint32_t hashkey = 0, hashbd = 0;
HashCode hashcode[2][8][64];

TreeEntry Tree[kTreeSize];
TreeEntry* TrPnt[kMaxPly];
TreeEntry* root = Tree;

GameEntry GameList[kGameListSize];

void InitHashCodes() {
  s_rand(1);
  for (int s = 0; s < 2; s++)
    for (int p = 0; p < 7; p++)
      for (int q = 0; q < 64; q++) {
        HashCode& h = hashcode[s][p][q];
        h.key = u_rand();
        h.key += u_rand() << 16;
        h.bd = u_rand();
        h.bd += u_rand() << 16;
      }
}

void InitializeStats() {
  epsquare = 0;
  memset(HisTab, 0, sizeof HisTab);
  memset(PawnCnt, 0, sizeof PawnCnt);
  if (hashflag) ZeroTTable();
  for (int s = 0; s < 2; s++) {
    mtl[s] = pmtl[s] = 0;
    PieceCnt[s] = 0;
    PieceList[s][0] = -1;
  }
  Sdepth = 0;
  hashkey = hashbd = 0;
  for (int sq = 0; sq < 64; sq++) {
    const int kind = board[sq];
    if (color[sq] == neutral || kind == no_piece) continue;
    const int side = color[sq];
    mtl[side] = static_cast<int16_t>(mtl[side] + value[kind]);
    if (kind == pawn) {
      pmtl[side] = static_cast<int16_t>(pmtl[side] + value[pawn]);
      PawnCnt[side][File(sq)]++;
    }
    if (kind == king) {
      PieceList[side][0] = static_cast<int16_t>(sq);
      Pindex[sq] = 0;
    } else {
      const int slot = ++PieceCnt[side];
      PieceList[side][slot] = static_cast<int16_t>(sq);
      Pindex[sq] = static_cast<int16_t>(slot);
    }
    hashkey ^= hashcode[side][kind][sq].key;
    hashbd ^= hashcode[side][kind][sq].bd;
  }
  for (int s = 0; s < 2; s++) emtl[s] = static_cast<int16_t>(mtl[s] - value[king] - pmtl[s]);
}

void NewGame(int mode) {
  // 1. Search limits and the move tree.
  MaxSearchDepth = 31;
  TrPnt[1] = TrPnt[2] = root = Tree;

  // 2. Game flags and counters.
  GameTerminated = 0;
  Developed[0] = Developed[1] = 0;
  LastScoreStr[0] = '\0';
  bothsides = reverse = quit = mate = PawnStorm = force = 0;
  epsquare = 0;
  NodeCnt = 0;
  et0 = 0;
  hint = 0;
  contempt = 0;
  PreResigns = 0;
  GameCnt = 0;
  drawAcc = 0;
  LastBookMove = 0;
  Zbmtl = Zwmtl = 0;
  CntMoves = 0;
  castld[0] = castld[1] = 0;
  OpenFyles = OpenPos = -1;
  stage = stage2 = -1;
  strcpy(DrawComment, "Draw");
  timeout = 1;
  BookMoveFound = 1;
  Game50 = 1;
  memset(CapFlag, 0, sizeof CapFlag);
  Pscore[0] = Tscore[0] = kInfinity;
  memset(Tree, 0, sizeof Tree);

  // 3. Tablebase files.
  if (tb_access > 0) VTbCloseFiles();

  // 4. The game record, tags and handshake.
  memset(GameList, 0, sizeof GameList);
  ClearGameTags();
  handshaked = 0;

  // 5. Hash codes.
  InitHashCodes();

  // 6. The initial position.
  memcpy(board, Stboard, sizeof board);
  memcpy(color, Stcolor, sizeof color);
  memset(Mvboard, 0, sizeof Mvboard);

  // 7. Roles: the engine plays Black.
  opponent = white;
  computer = black;
  player = white;
  TCindex = 0;

  // 8. Time control.
  if (TCflag >= 1)
    SetTimeControl();
  else if (Level == 0 && !ics)
    SelectLevel();  // the console menu reads a number: never under a GUI

  // 9. Display.
  if (mode == 1) UpdateDisplay(0, 0, 1, 0);

  // 10. Derived state, clock and book.
  InitializeStats();
  time0 = VornaClock();
  CheckElapsedTime(1);
  OpenBook();
}
