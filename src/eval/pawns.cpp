#include "eval/pawns.h"

#include "core/board.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/tables.h"
#include "core/vorna.h"
#include "eval/evaluate.h"

const int16_t ISOLANI[8] = {-8, -12, -16, -20, -20, -16, -12, -8};
const int16_t BACKWARD[16] = {0, -8, -16, -20, -22, -22, -22, -22, -22, 0, 0, 0, 0, 0, 0, 0};
const int16_t SafePassed[8] = {0, 0, 0, 4, 12, 16, 20, 0};
const int16_t PassedBlocked[8] = {0, 0, 0, 0, -5, -12, -22, 0};
const int32_t PassedConnected[8] = {0, 4, 6, 8, 18, 52, 72, 72};

const int32_t PassedPawn0[8][8] = {
    {720, 720, 720, 720, 720, 720, 720, 720}, {455, 450, 445, 440, 440, 445, 450, 455},
    {355, 350, 345, 340, 340, 345, 350, 355}, {245, 240, 235, 230, 230, 235, 240, 245},
    {150, 145, 140, 135, 135, 140, 145, 150}, {70, 65, 60, 55, 55, 60, 65, 70},
    {70, 65, 60, 55, 55, 60, 65, 70},         {0, 0, 0, 0, 0, 0, 0, 0}};
const int32_t PassedPawn1[8][8] = {
    {600, 600, 600, 600, 600, 600, 600, 600}, {318, 308, 298, 285, 285, 298, 303, 318},
    {135, 125, 115, 105, 105, 115, 125, 135}, {98, 88, 78, 68, 68, 78, 88, 98},
    {70, 60, 50, 40, 40, 50, 60, 70},         {30, 20, 10, 0, 0, 10, 20, 30},
    {30, 20, 10, 0, 0, 10, 20, 30},           {0, 0, 0, 0, 0, 0, 0, 0}};
const int32_t PassedPawn2[8][8] = {
    {600, 600, 600, 600, 600, 600, 600, 600}, {290, 280, 270, 260, 260, 270, 280, 290},
    {100, 90, 80, 70, 70, 80, 90, 100},       {80, 70, 60, 50, 50, 60, 70, 80},
    {45, 35, 25, 20, 20, 25, 35, 45},         {22, 17, 10, 0, 0, 10, 17, 22},
    {22, 17, 10, 0, 0, 10, 17, 22},           {0, 0, 0, 0, 0, 0, 0, 0}};

namespace {

constexpr int kPawnAttack = 0x3FFF;  // an attack word above this includes a pawn
constexpr int kMinorLess = 0x4FFF;   // attack word without the knight and bishop flags

// BACKWARD by the number of attackers; more than 15 reads the last entry.
int Backward(int n) {
  return BACKWARD[n > 15 ? 15 : n];
}

bool OwnPawn(int sq, int side) {
  return board[sq] == pawn && color[sq] == side;
}

// Rank of sq counted from side's own first rank.
int RelRank(int sq, int side) {
  return side == white ? Rank(sq) : 7 - Rank(sq);
}

// Marks w as a weak square of c1 and returns what it costs the pawn.
int MarkWeak(int w) {
  const int v = pbishop[w] / 2;
  WfieldBoard[w] = static_cast<int16_t>(v);
  Wfield_Cnt[FieldColor[w]] = static_cast<int16_t>(Wfield_Cnt[FieldColor[w]] + v);
  int s = 0;
  if (atk2[w] & kDiagonalAttack) s -= v;
  const int own_king = c1 == white ? wking : bking;
  if (color[w] == c2 && distdata[w][own_king] <= 2) s -= KSFTY / 2;
  return s;
}

// A pawn that may be passed; it is not after all when an enemy pawn covers
// its path (what was added until then stays).
void ScorePassed(int sq, int side, int A, int E, int& s, int r, int f, int up) {
  const int own_king = c1 == white ? wking : bking;
  const int enemy_king = c1 == white ? bking : wking;
  const int ahead = sq + up, behind = sq - up;
  const bool pawn_defended = (A & 0x4000) != 0;

  // 1. Can the enemy king catch it?
  const int rr = side == c2 ? r - 1 : r;
  bool catchable = RelRank(enemy_king, c1) >= rr && distdata[sq][enemy_king] < 8 - rr;
  if (catchable && pmtl[c1] == 100 && pmtl[c2] == 0 && mtl[c1] - mtl[c2] <= 199) {
    if (emtl[c1] <= 360)
      s -= 152;
    else if (emtl[c1] <= 1089)
      s -= 52;
  }

  // 2. Is its path contested?
  bool contested = E != 0 && side == c2;
  for (int x = ahead; x >= 0 && x < 64; x += up) {
    if (atk2[x] > kPawnAttack) return;
    if ((atk2[x] != 0 || color[x] != neutral) && (emtl[c2] > 550 || atk1[x] == 0)) contested = true;
  }

  // 3. The own king escorts it; the walk stops at the last rank.
  if (contested && catchable && (atk1[sq] & 0x0100)) {
    for (int x = sq; x >= 0 && x < 64 && (atk1[x] & 0x0100); x += up) {
      s += 2 * stage;
      if (RelRank(x, c1) == 7) {
        catchable = false;
        break;
      }
    }
  }

  // 4. Base value by distance to promotion and file.
  const int entry = c1 == white ? 63 - sq : sq;
  const int d = entry / 8, c = entry % 8;
  if (RookEnding && (f == 0 || f == 7))
    s += (ppmply * PassedPawn2[d][c]) >> 4;
  else if (catchable || contested)
    s += (ppmply * PassedPawn2[d][c]) >> 3;
  else if (emtl[c2] == 0)
    s += PassedPawn0[d][c];
  else
    s += (ppmply * PassedPawn1[d][c]) >> 3;

  // 5. Kings: the enemy's far, the own near.
  s += ymply * distdata[sq][enemy_king] - mmply * distdata[sq][own_king];

  // 6. Rooks behind and in front of it.
  const int F = emtl[white] == 550 && emtl[black] == 550 ? 4 : 1;
  if (atk1[sq] & 0x0400) {
    if (atk1[behind] & 0x0400)
      s += F * SafePassed[r];
    else if ((atk1[ahead] & 0x0400) || (board[ahead] == rook && color[ahead] == c1))
      s -= F * SafePassed[r];
  }
  if ((atk2[sq] & 0x0400) && (atk1[behind] & 0x0400)) s -= F * SafePassed[r];
  if (F == 4 && pmtl[c2] == 0) s += distdata[own_king][sq] <= 1 ? 15 : -15;

  // 7. The square ahead free or blocked.
  if (color[ahead] == neutral) {
    if ((r == 6 && atk2[ahead] == 0) || !contested) {
      s += 48;
      if (mtl[c1] < mtl[c2]) KID[c1] = 1;
    }
  } else {
    s += PassedBlocked[r];
    if (color[ahead] == c2 && (atk1[sq] & 0xFF) < (atk2[sq] & 0xFF) && !pawn_defended)
      s += 4 * PassedBlocked[r];
  }

  // 8. Who controls the square ahead; on the seventh the queening square.
  if (color[ahead] == neutral && (atk1[ahead] & 0xFF) >= (atk2[ahead] & 0xFF)) {
    s += SafePassed[r];
    if (r == 6) {
      int bonus;
      if ((atk1[ahead] & 0xFF) > (atk2[ahead] & 0xFF)) {
        bonus = 220;
      } else if ((atk2[sq] & 0x0400) && (atk2[behind] & 0x0400)) {
        s += 22;
        bonus = 0;
      } else {
        bonus = color[behind] == c2 ? 120 : 220;
      }
      if (bonus != 0) s += side == c2 ? 44 : bonus;
    }
  }

  // 9. Support of a far advanced pawn.
  if (r >= 4) {
    if (!pawn_defended)
      s += Backward(E & 0xFF);
    else
      s += emtl[c2] <= 550 ? 44 : emtl[c2] <= 1100 ? 22 : 11;
  }

  // 10. Connected with a passed pawn scored before it.
  if (emtl[c2] != 0) {
    int q = f > 0 ? PP1[f - 1] : 64;
    if (q == 64 || distdata[q][sq] > 1) q = f < 7 ? PP1[f + 1] : 64;
    if (q < 64 && distdata[q][sq] <= 1) {
      s += PassedConnected[r] + stage2 + PassedConnected[RelRank(q, c1)];
      if (RookEnding) s += distdata[own_king][sq] <= 1 || distdata[own_king][q] <= 1 ? 36 : 18;
      if (atk1[ahead] > kPawnAttack || atk1[q + up] > kPawnAttack) s += PassedConnected[r];
    }
  }

  // 11. Record it.
  PP1[f] = static_cast<int8_t>(sq);
}

}  // namespace

// Told for White; Black is the mirror image through up = -8 and ranks
// counted from Black's side.
int16_t ScorePawn(int sq, int side) {
  ASSERT(sq >= 0 && sq < 64 && board[sq] == pawn && color[sq] == c1);
  ASSERT(side == white || side == black);
  const int up = c1 == white ? 8 : -8;
  const int r = RelRank(sq, c1), f = File(sq);
  ASSERT(r >= 1 && r <= 6);
  const int ahead = sq + up;
  const int A = atk1[sq] & kMinorLess, E = atk2[sq] & kMinorLess;
  const int nE = E & 0xFF;
  const bool pawn_defended = (A & 0x4000) != 0;

  // 1. Square value.
  int s = c1 == white ? Mwpawn[sq] : Mbpawn[sq];

  // 2. Pawns against a lone bishop want the other colour, pawns beside a
  // lone bishop of their own want it too (or the same colour when the
  // opponent has more than a minor piece).
  if (emtl[c2] == 360) s += BishCol[c2] == FieldColor[sq] ? -12 : 12;
  if (emtl[c1] == 360) {
    const bool same = BishCol[c1] == FieldColor[sq];
    if (emtl[c2] <= 360)
      s += same ? -12 : 12;
    else
      s += same ? 12 : -12;
  }

  // 3. A blocked centre pawn on its home square.
  if (r == 1 && (f == 3 || f == 4) && color[ahead] != neutral) s -= 15;

  // 4. Rammed and defended by a pawn, with no pieces to help.
  if (r < 4 && emtl[c1] == 0 && pawn_defended && board[ahead] == pawn && color[ahead] == c2)
    s -= 15;

  // 5. Doubled, isolated and backward pawns.
  const bool isolated = (f == 0 || PC1[f - 1] == 0) && (f == 7 || PC1[f + 1] == 0);
  if (PC1[f] >= 2) {
    s += -5 - stage - stage2;
    if (PC2[f] == 0) s -= 5;
    if (!pawn_defended) s += Backward(nE) - 5;
  } else if (isolated) {
    s += ISOLANI[f];
    if (PC2[f] == 0) {
      Rook_Precious[c2] = 5;
      s += Backward(nE);
    }
    if (board[ahead] != pawn) s += MarkWeak(ahead);
  } else if (!pawn_defended) {
    if (atk1[ahead] <= kPawnAttack) {
      if (board[ahead] != pawn) s += MarkWeak(ahead);
      if (r < 4) {
        s += Backward(nE);
        if (PC2[f] == 0) {
          s -= 9;
          Rook_Precious[c2] = 5;
        } else if (board[ahead] != pawn) {
          s -= 4;
        }
        if (color[ahead] != neutral) s -= 5;
        const int ahead2 = ahead + up;
        if (atk1[ahead2] <= kPawnAttack && board[ahead2] != pawn) s += MarkWeak(ahead2);
        if (emtl[c1] == 0 && atk2[ahead] > kPawnAttack) s -= 15;
      }
    } else {
      const bool flanked = f > 0 && f < 7 && OwnPawn(sq - 1, c1) && OwnPawn(sq + 1, c1);
      if (atk2[ahead] > kPawnAttack && PC2[f] == 0 && !flanked && r < 4 && HasRook[c2]) {
        Rook_Precious[c2] = 5;
        s += Backward(nE) - 4;
      }
    }
  }

  // 6. Strong centre: a d- or e-pawn from its fourth rank on, with a pawn of
  // its own on its right.
  if ((f == 3 || f == 4) && r >= 3 && OwnPawn(sq + 1, c1)) CentStr[c1] = 1;

  // 7. Passed pawns: alone on a file without enemy pawns, or (doubled, or
  // late in the game) with a free file ahead.
  bool examine = PC1[f] == 1 && PC2[f] == 0;
  if (!examine && (PC1[f] >= 2 || (PC1[f] == 1 && stage >= 7))) {
    examine = true;
    for (int x = ahead; x >= 0 && x < 64; x += up)
      if (board[x] == pawn) {
        examine = false;
        break;
      }
  }
  if (examine) ScorePassed(sq, side, A, E, s, r, f, up);

  // 8. Attacked pawns.
  if (E != 0) {
    if (E <= 0x4001 && A != 0) {
      if (A < E) s -= 6;
    } else {
      s -= 14;
      HungVar[c1]++;
      const int ahead2 = ahead + up;
      bool way_out = color[ahead] == neutral && atk1[ahead] >= atk2[ahead];
      if (!way_out && r == 1)
        way_out = color[ahead] == neutral && atk2[ahead] <= kPawnAttack &&
                  color[ahead2] == neutral && atk1[ahead2] >= atk2[ahead2];
      if (!way_out && f > 0 && color[ahead - 1] == c2) way_out = true;
      if (!way_out && f < 7 && color[ahead + 1] == c2) way_out = true;
      if (!way_out) HungVar[c1]++;
    }
  }

  return static_cast<int16_t>(s);
}
