#include "eval/pieces.h"

#include "core/board.h"
#include "core/movetables.h"
#include "core/tables.h"
#include "core/vorna.h"
#include "eval/evaluate.h"

const int16_t BMBLTY[14] = {-8, -4, 1, 4, 6, 8, 10, 12, 13, 14, 15, 16, 16, 16};
const int16_t RMBLTY[15] = {-9, -2, 4, 7, 9, 10, 11, 12, 13, 14, 14, 14, 14, 14, 14};

namespace {

constexpr int kMinorLess = 0x4FFF;  // attack word without the knight and bishop flags

// Last step of every piece term: the piece of kind with code V on sq is
// attacked. Hanging (attacked by a lesser man, by two including its own
// class, or undefended) costs 14 and is counted, twice when it cannot move
// away; a piece without pawn cover or attacked by its class or less loses 6.
int AttackedPiece(int sq, int kind, int V) {
  const int A = atk1[sq] & kMinorLess, E = atk2[sq] & kMinorLess;
  if (E == 0) return 0;
  int s = 0;
  if (E > V + 1 || A == 0) {
    s -= 14;
    HungVar[c1]++;
    if (PieceTrapped(sq, kind)) HungVar[c1]++;
  }
  if (A < 0x4000 || E >= V) s -= 6;
  return s;
}

// Mobility, attacks next to the enemy king, pins and discovered attacks of
// the slider of kind on sq. Adds to s and returns the squares counted.
int SlidingWalk(int sq, int kind, int& s) {
  const NextStep* nx = next[kind][sq];
  const uint64_t zone = KingZone[EnemyKing];
  int m = 0;
  int candidate = -1;  // first man met on the current ray
  int x = nx[sq].nextpos;
  while (x != sq) {
    const bool last_on_ray = nx[x].nextpos == nx[x].nextdir;
    // 1. Aim at the enemy king's surroundings.
    if ((zone >> x) & 1) s += KATAK;
    if (color[x] == neutral) {
      // 2. Mobility, also behind a pin candidate.
      m++;
      if (last_on_ray) candidate = -1;
      x = nx[x].nextpos;
      continue;
    }
    if (candidate < 0) {
      // 3. First man: kings and pawns end the ray, others may be pinned.
      if (board[x] == king || board[x] == pawn || last_on_ray) {
        x = nx[x].nextdir;
      } else {
        candidate = x;
        x = nx[x].nextpos;
      }
      continue;
    }
    // 4. Second man: a pin or a discovered attack on a bigger enemy man.
    if (color[x] == c2 && board[x] > kind) {
      if (color[candidate] == c2) {
        s += 5;
        if (board[x] == king) {
          s += 5;
          HungVar[c2]++;
        }
        if (atk2[candidate] == 0 || atk1[candidate] > control[board[candidate]] + 1) {
          s += 5;
          HungVar[c2]++;
        }
      } else {
        s += 8;
      }
    }
    candidate = -1;
    x = nx[x].nextdir;
  }
  return m;
}

// The bishop on sq boxed in on a7/h7 (a2/h2 for Black) by enemy pawns.
bool BishopTrapped(int sq) {
  auto is = [](int q, int side, int kind) { return board[q] == kind && color[q] == side; };
  if (c1 == white) {
    if (sq == 48) return is(41, black, pawn) && is(50, black, pawn) && atk2[57] != 0;
    if (sq == 55) return is(46, black, pawn) && is(53, black, pawn) && atk2[62] != 0;
  } else {
    if (sq == 8) return is(17, white, pawn) && is(10, white, pawn) && atk2[1] != 0;
    if (sq == 15) return is(22, white, pawn) && is(13, white, pawn) && atk2[6] != 0;
  }
  return false;
}

bool Holds(int sq, int side, int kind) {
  return board[sq] == kind && color[sq] == side;
}

}  // namespace

int16_t ScoreKnight(int sq) {
  ASSERT(sq >= 0 && sq < 64 && board[sq] == knight && color[sq] == c1);
  // 1. Square value; knights like closed positions.
  int s = Mknight[c1][sq];
  if (stage > 1) s += 4 - OpenPos;

  // 2. A knight in front of the c-pawn blocks it; one in the enemy half
  // likes a weak square.
  const bool own_half = c1 == white ? Rank(sq) <= 3 : Rank(sq) >= 4;
  if (own_half) {
    if (c1 == white && sq == 18 && Holds(10, white, pawn) &&
        (Holds(12, white, pawn) || Holds(20, white, pawn)))
      s += 2 * stage - 20;
    if (c1 == black && sq == 42 && Holds(50, black, pawn) &&
        (Holds(52, black, pawn) || Holds(44, black, pawn)))
      s += 2 * stage - 20;
  } else if (WfieldBoard[sq] != 0) {
    s += 8;
  }

  // 3. Attacked?
  s += AttackedPiece(sq, knight, 0x0800);
  return static_cast<int16_t>(s);
}

int16_t ScoreBishop(int sq) {
  ASSERT(sq >= 0 && sq < 64 && board[sq] == bishop && color[sq] == c1);
  // 1. Square value.
  int s = BishopBonus + Mbishop[c1][sq];

  // 2. Mobility and the weak squares of its colour.
  const int m = SlidingWalk(sq, bishop, s);
  s += (Wfield_Cnt[FieldColor[sq]] >> 2) + BMBLTY[m > 13 ? 13 : m];

  // 3. Its square colour.
  Color_Bishop[c1] = static_cast<int16_t>(Color_Bishop[c1] | (FieldColor[sq] + 1));

  // 4. Shut in on a7 or h7.
  if (BishopTrapped(sq)) {
    const int A = atk1[sq] & kMinorLess, E = atk2[sq] & kMinorLess;
    s -= 44;
    if (A == 0) s -= 44;
    if (E == 0) return static_cast<int16_t>(s);
    s -= 44;
  }

  // 5. Attacked?
  s += AttackedPiece(sq, bishop, 0x0800);
  return static_cast<int16_t>(s);
}

int16_t ScoreRook(int sq) {
  ASSERT(sq >= 0 && sq < 64 && board[sq] == rook && color[sq] == c1);
  const int f = File(sq);
  // 1. Targets found by the pawn term.
  int s = Rook_Precious[c1] + RookBonus;

  // 2. Mobility.
  const int m = SlidingWalk(sq, rook, s);
  s += RMBLTY[m > 14 ? 14 : m];

  // 3. Open and half-open files; a pawn right in front on the first rank.
  if (PC1[f] == 0) {
    s += 8;
    if (PC2[f] == 0) s += RHOPNF;
  } else if (c1 == white ? Rank(sq) == 0 && board[sq + 8] == pawn
                         : Rank(sq) == 7 && board[sq - 8] == pawn) {
    s -= 8;
  }

  // 4. The seventh rank.
  const int seventh = rank7[c1] * 8 + f;
  if (Rank(sq) == rank7[c1] && pmtl[c2] > 100) {
    const bool king_cut = c1 == white ? Rank(EnemyKing) == 7 : Rank(EnemyKing) == 0;
    s += RookEnding && king_cut ? 24 : 12;
  } else if (atk1[seventh] & 0x0400) {
    s += 9;
  }

  // 5. Defended by the other rook.
  if (atk1[sq] & 0x0400) s += 2;

  // 6. Closeness to the enemy king.
  if (stage > 2) s += 14 - taxidata[sq][EnemyKing];

  // 7. Attacked?
  s += AttackedPiece(sq, rook, 0x0400);
  return static_cast<int16_t>(s);
}

int16_t ScoreQueen(int sq) {
  ASSERT(sq >= 0 && sq < 64 && board[sq] == queen && color[sq] == c1);
  const int f = File(sq);
  // 1. Closeness to the enemy king, after the opening.
  int s = stage < 3 ? 0 : 14 - taxidata[sq][EnemyKing];

  // 2. Right next to the enemy king, safe, on a weak square, backed by a rook.
  if (distdata[sq][EnemyKing] < 3) {
    s += 3;
    if (atk2[sq] == 0) {
      s += 4;
      if (WfieldBoard[sq] != 0) {
        s += 4;
        if (atk1[sq] & 0x0400) KID[c2]++;
      }
    }
  }

  // 3. Far from both kings on a wing with own pawns.
  const int wf = File(wking), bf = File(bking);
  if (pmtl[c1] > 400 && PC1[f] != 0 &&
      ((f <= 1 && wf >= 5 && bf >= 5) || (f >= 6 && wf <= 2 && bf <= 2)))
    s -= 8;

  // 4. Attacked?
  s += AttackedPiece(sq, queen, 0x0200);
  return static_cast<int16_t>(s);
}

int PieceTrapped(int sq, int kind) {
  ASSERT(sq >= 0 && sq < 64 && kind >= knight && kind <= king);
  const NextStep* nx = next[ptype[c1][kind]][sq];
  int x = nx[sq].nextpos;
  while (x != sq) {
    if (color[x] == c1) {
      x = nx[x].nextdir;
      continue;
    }
    if (atk2[x] == 0 || (color[x] == c2 && board[x] >= kind)) return 0;
    x = StepAfter(nx, x, color[x] != neutral);
  }
  return 1;
}
