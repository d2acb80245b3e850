#include "eval/king.h"

#include "core/board.h"
#include "core/movetables.h"
#include "core/tables.h"
#include "core/vorna.h"
#include "eval/evaluate.h"

const int16_t KTHRT[36] = {0,   -5,  -20, -36, -52, -68, -80, -80, -80, -80, -80, -80,
                           -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80,
                           -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -80};

namespace {

constexpr int kMinorLess = 0x4FFF;  // attack word without the knight and bishop flags

// Walks the lines of move-table type from the king on sq. A square that an
// enemy slider of flags aims at is threatened (n), unless the king's side
// holds it against a single attacker (t -= 3); a line ends at the first man,
// and an enemy man on an aimed-at square is not counted.
void WalkLines(int sq, int type, int flags, int& n, int& t) {
  const NextStep* nx = next[type][sq];
  int x = nx[sq].nextpos;
  while (x != sq) {
    if (atk2[x] & flags) {
      if (color[x] == c2) {
        x = nx[x].nextdir;
        continue;
      }
      if (atk1[x] != 0 && (atk2[x] & 0xFF) < 2)
        t -= 3;
      else
        n++;
    }
    x = StepAfter(nx, x, color[x] != neutral);
  }
}

// Files near a king on file f: its own, one neighbour, and the rook file for
// a king on c or f. Returns how many were written.
int FilesNearKing(int f, int files[3]) {
  int k = 0;
  files[k++] = f;
  const bool left = f == 1 || f == 2 || f == 3 || f == 7;
  files[k++] = left ? f - 1 : f + 1;
  if (f == 2) files[k++] = 0;
  if (f == 5) files[k++] = 7;
  return k;
}

}  // namespace

int16_t ScoreKing(int sq) {
  ASSERT(sq >= 0 && sq < 64 && board[sq] == king && color[sq] == c1);
  const int A = atk1[sq] & kMinorLess, E = atk2[sq] & kMinorLess;

  // 1. Square value.
  int s = Mking[c1][sq];

  // 2. Attack on the king while enough pieces remain.
  if (KSFTY > 0) {
    const int w = (KSFTY * Developed[c2]) >> 2;
    int n = 0, t = 0;

    // 2.1 Squares around the king that enemy pieces aim at.
    if (HasBishop[c2] || HasQueen[c2]) WalkLines(sq, bishop, kDiagonalAttack, n, t);
    if (HasRook[c2] || HasQueen[c2]) WalkLines(sq, rook, 0x0400 | 0x0200, n, t);
    if (HasKnight[c2]) {
      const NextStep* nx = next[knight][sq];
      for (int x = nx[sq].nextdir; x != sq; x = nx[x].nextdir) {
        if (!(atk2[x] & kKnightAttack) || color[x] == c2) continue;
        if (atk1[x] == 0 || (atk2[x] & 0xFF) >= 2)
          n++;
        else
          t -= 3;
      }
    }

    // 2.2 Threats weighted by the enemy's development.
    t += KTHRT[n > 35 ? 35 : n] * w / 16;

    // 2.3 The squares next to the king: shield pawns, free squares,
    // dominated squares, and queen contact.
    int p = 0, f = 0, d = 0;
    const NextStep* nx = next[king][sq];
    for (int x = nx[sq].nextdir; x != sq; x = nx[x].nextdir) {
      const int16_t e = atk2[x];
      if (board[x] == pawn) {
        p++;
      } else if (color[x] == neutral && e == 0) {
        f++;
        if (Rank(x) != Rank(sq)) NoBreathHole[c1] = 0;
      }
      if (atk1[x] < e) {
        d++;
        if ((e & 0x0200) && e > 0x0201 && atk1[x] < 0x0200) t -= 6 * w;
      }
    }

    // 2.4 Too few shield pawns or free squares, too many dominated.
    if (p < 2) {
      t -= w;
      if ((d > 2 || p == 0) && NoBreathHole[c1] == 1) KID[c1]++;
    }
    if (d > 1) t -= w;
    if (f < 2) t -= w;
    if (t < -60 || f < 2) KID[c1]++;

    // 2.5 The attack term.
    s += t;
  }

  // 3. Castled, or moved without castling.
  if (castld[c1])
    s += KCASTLD;
  else if (Mvboard[kingP[c1]] != 0)
    s += KMOVD;

  // 4. Open files near the king, while the enemy has heavy pieces.
  if (HasRook[c2] || HasQueen[c2]) {
    int files[3];
    const int k = FilesNearKing(File(sq), files);
    for (int i = 0; i < k; i++) {
      const int g = files[i];
      if (PC1[g] == 0) {
        KID[c1]++;
        s += KHOPN;
        if (PC2[g] == 0) s += KHOPNX;
      } else if (PC2[g] == 0) {
        s += KHOPNX;
      }
    }
  }

  // 5. Late in the game a king on a weak square in the enemy half.
  const bool enemy_half = c1 == white ? Rank(sq) >= 4 : Rank(sq) <= 3;
  if (stage > 5 && enemy_half && WfieldBoard[sq] != 0) s += 3 * stage - 15;

  // 6. In check.
  if (E != 0) {
    if (E > 0x0101 || A == 0) {
      s -= 14;
      HungVar[c1]++;
    }
    if (A < 0x4000 || E > 0x00FF) s -= 6;
  }
  return static_cast<int16_t>(s);
}
