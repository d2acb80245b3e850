#include "eval/examine.h"

#include "core/board.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/vorna.h"
#include "eval/evaluate.h"
#include "eval/weights.h"

int32_t Mwpawn[64], Mbpawn[64];
int32_t Mknight[2][64], Mbishop[2][64], Mking[2][64];
int16_t HasKnight[2], HasBishop[2], HasRook[2], HasQueen[2];
int32_t BishCol[2] = {55, 55};
int32_t LoneBishCol = 0;
int16_t PawnStorm = 0;

// Rows from rank 1 up: a1 is entry 0.
const int32_t KingOpening[64] = {-1,  0,   -4,  -10, -10, -4,  0,   -1,  -4,  -4,  -8,  -12, -12,
                                 -8,  -4,  -4,  -12, -16, -20, -20, -20, -20, -16, -12, -16, -20,
                                 -24, -24, -24, -24, -20, -16, -16, -20, -24, -24, -24, -24, -20,
                                 -16, -12, -16, -20, -20, -20, -20, -16, -12, -4,  -4,  -8,  -12,
                                 -12, -8,  -4,  -4,  -1,  0,   -4,  -10, -10, -4,  0,   -1};
const int32_t KingEnding[64] = {0,  6,  12, 18, 18, 12, 6,  0,  6,  12, 18, 24, 24, 18, 12, 6,
                                12, 18, 24, 30, 30, 24, 18, 12, 18, 24, 30, 36, 36, 30, 24, 18,
                                18, 24, 30, 36, 36, 30, 24, 18, 12, 18, 24, 30, 30, 24, 18, 12,
                                6,  12, 18, 24, 24, 18, 12, 6,  0,  6,  12, 18, 18, 12, 6,  0};
const int32_t PawnAdvance[64] = {0,  0,  0,  0,  0,  0,  0,  0,  4,  4,  4,  0,  0,  4,  4,  4,
                                 4,  6,  8,  12, 12, 8,  6,  4,  6,  8,  14, 24, 24, 14, 8,  6,
                                 8,  12, 16, 28, 28, 16, 12, 8,  12, 16, 18, 32, 32, 18, 16, 12,
                                 12, 16, 24, 32, 32, 24, 16, 12, 0,  0,  0,  0,  0,  0,  0,  0};
const int16_t UNDEV[7] = {4, 4, 4, 4, 3, 2, 1};

namespace {

// Square a pawn is heading for, and how strongly the kings are drawn to it:
// 5 for a free path, 1 when its file ahead is blocked or covered by a pawn.
struct PawnTarget {
  int target;
  int weight;
};

PawnTarget TargetOf(int p) {
  const int side = color[p];
  const int step = side == white ? 8 : -8;
  const int xside = 1 - side;
  int weight = 5;
  for (int x = p + step; x >= 0 && x < 64; x += step) {
    if (board[x] == pawn || atak[xside][x] > 0x3FFF) {
      weight = 1;
      break;
    }
  }
  int target;
  if (side == white)
    target = Rank(p) == 6 ? p + 8 : p + 16;
  else
    target = Rank(p) == 1 ? p - 8 : p - 16;
  ASSERT(target >= 0 && target < 64);
  return {target < 0 ? 0 : target > 63 ? 63 : target, weight};
}

bool HasPawnBeside(int side, int f) {
  return (f > 0 && PawnCnt[side][f - 1] > 0) || (f < 7 && PawnCnt[side][f + 1] > 0);
}

}  // namespace

void ExaminePosition() {
  ForgetEvaluations();
  // 1. Kings, attacks, and the weights recomputed in any case.
  wking = PieceList[white][0];
  bking = PieceList[black][0];
  ataks(white, atak[white]);
  ataks(black, atak[black]);
  Zwmtl = Zbmtl = 0;
  OpenFyles = OpenPos = -1;
  UpdateWeights();

  // 2. Piece counts.
  for (int s = 0; s < 2; s++) {
    HasKnight[s] = HasBishop[s] = HasRook[s] = HasQueen[s] = 0;
    for (int i = 1; i <= PieceCnt[s]; i++) {
      switch (board[PieceList[s][i]]) {
        case knight:
          HasKnight[s]++;
          break;
        case bishop:
          HasBishop[s]++;
          break;
        case rook:
          HasRook[s]++;
          break;
        case queen:
          HasQueen[s]++;
          break;
        default:
          break;
      }
    }
    BishCol[s] = 55;
  }

  // 3. Kings on opposite wings early on.
  const int wkf = File(wking), bkf = File(bking);
  PawnStorm = stage <= 4 && ((wkf <= 2 && bkf >= 5) || (bkf <= 2 && wkf >= 5)) ? 1 : 0;

  // 4. Base tables, the king blended between opening and ending.
  for (int sq = 0; sq < 64; sq++) {
    for (int s = 0; s < 2; s++) {
      Mknight[s][sq] = pknight[sq];
      Mbishop[s][sq] = pbishop[sq];
      Mking[s][sq] = (stage * KingEnding[sq] + (10 - stage) * KingOpening[sq]) / 10;
    }
  }

  // 5. Minor pieces still at home.
  if (stage <= 6) {
    const int32_t u = UNDEV[stage] * OpenPos;
    Mknight[white][1] -= u;
    Mknight[white][6] -= u;
    Mknight[black][57] -= u;
    Mknight[black][62] -= u;
    Mbishop[white][2] -= u;
    Mbishop[white][5] -= u;
    Mbishop[black][58] -= u;
    Mbishop[black][61] -= u;
  }

  // Pawn targets do not depend on the square being filled. A set-up
  // position may hold up to fifteen pawns a side.
  PawnTarget targets[32];
  int ntargets = 0;
  for (int s = 0; s < 2; s++)
    for (int i = 1; i <= PieceCnt[s]; i++)
      if (board[PieceList[s][i]] == pawn) targets[ntargets++] = TargetOf(PieceList[s][i]);

  // 6. Square by square.
  for (int sq = 0; sq < 64; sq++) {
    const int f = File(sq), r = Rank(sq);
    const int d = distdata[sq][wking], e = distdata[sq][bking];

    // 6.1 Outposts: no enemy pawn can ever attack the square.
    bool safe_white = true, safe_black = true;
    for (int x = sq; x < 64; x += 8)
      if (atak[black][x] > 0x3FFF) safe_white = false;
    for (int x = sq; x >= 0; x -= 8)
      if (atak[white][x] > 0x3FFF) safe_black = false;

    // 6.2 Pawn advance, more for a pawn without neighbours.
    const int wfactor = HasPawnBeside(white, f) ? 7 : 9;
    const int bfactor = HasPawnBeside(black, f) ? 7 : 9;
    Mwpawn[sq] = wfactor * PawnAdvance[sq] / 10 + PawnBonus;
    Mbpawn[sq] = bfactor * PawnAdvance[63 - sq] / 10 + PawnBonus;

    // 6.3 Pawn shelter: the wing squares while the king is at home, else
    //     the squares around it off the centre files.
    const bool wing = f <= 1 || f >= 6;
    const bool centre = f == 3 || f == 4;
    if (Mvboard[4] == 0) {
      if (r <= 2 && wing) Mwpawn[sq] += PAWNSHIELD / 2;
    } else if (!centre && d <= 2) {
      Mwpawn[sq] += PAWNSHIELD;
    }
    if (Mvboard[60] == 0) {
      if (r >= 5 && wing) Mbpawn[sq] += PAWNSHIELD / 2;
    } else if (!centre && e <= 2) {
      Mbpawn[sq] += PAWNSHIELD;
    }

    // 6.4 Pawn storm against a king on the other wing.
    if (PawnStorm) {
      if ((f >= 5 && wkf <= 3) || (f <= 2 && wkf >= 4)) Mwpawn[sq] += -21 + 3 * r;
      if ((f >= 5 && bkf <= 3) || (f <= 2 && bkf >= 4)) Mbpawn[sq] += -3 * r;
    }

    // 6.5 Knights near both kings, near enemy men, and on outposts.
    Mknight[white][sq] += 10 - d - e;
    Mknight[black][sq] += 10 - d - e;
    for (int i = 0; i <= PieceCnt[black]; i++)
      if (distdata[sq][PieceList[black][i]] <= 2) Mknight[white][sq] += KNIGHTPOST;
    for (int i = 0; i <= PieceCnt[white]; i++)
      if (distdata[sq][PieceList[white][i]] <= 2) Mknight[black][sq] += KNIGHTPOST;
    if (safe_white) {
      Mknight[white][sq] += KNIGHTSTRONG;
      Mbishop[white][sq] += BISHOPSTRONG;
    }
    if (safe_black) {
      Mknight[black][sq] += KNIGHTSTRONG;
      Mbishop[black][sq] += BISHOPSTRONG;
    }

    // 6.6 Bishop colours.
    if (board[sq] == bishop) {
      LoneBishCol = FieldColor[sq];
      if (HasBishop[color[sq]] == 1) BishCol[color[sq]] = FieldColor[sq];
    }

    // 6.7 Kings drawn to the squares in front of the pawns.
    int32_t t = 0;
    for (int i = 0; i < ntargets; i++) t += targets[i].weight * taxidata[sq][targets[i].target];
    if (t != 0) {
      Mking[white][sq] -= t * stage2 / 10;
      Mking[black][sq] -= t * stage2 / 10;
    }
  }
}
