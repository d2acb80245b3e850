#include "core/board.h"

#include <cstring>

#include "core/random.h"
#include "core/tables.h"

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
char DrawComment[64] = "Draw";

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

void InitializeBoardStats() {
  epsquare = 0;
  memset(PawnCnt, 0, sizeof PawnCnt);
  for (int s = 0; s < 2; s++) {
    mtl[s] = pmtl[s] = 0;
    PieceCnt[s] = 0;
    PieceList[s][0] = -1;
  }
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

void NewGameBoard() {
  TrPnt[1] = TrPnt[2] = root = Tree;
  memset(Tree, 0, sizeof Tree);
  epsquare = 0;
  GameCnt = 0;
  Game50 = 1;
  castld[0] = castld[1] = 0;
  memset(GameList, 0, sizeof GameList);
  strcpy(DrawComment, "Draw");
  InitHashCodes();
  memcpy(board, Stboard, sizeof board);
  memcpy(color, Stcolor, sizeof color);
  memset(Mvboard, 0, sizeof Mvboard);
}
