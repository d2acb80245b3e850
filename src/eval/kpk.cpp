#include "eval/kpk.h"

#include <algorithm>
#include <cstdlib>

namespace {

// King distance of two 1-based (file, rank) points; off-board points allowed.
int Dist(int f1, int r1, int f2, int r2) {
  return std::max(std::abs(f1 - f2), std::abs(r1 - r2));
}

}  // namespace

// The rules are tried in order; the first that applies decides. The pawn is
// on the a- to d-file (pf 1..4), ranks count from the pawn's side, and the
// side with the pawn (king on wf, wr) is to move against the bare king on
// bf, br.
int kpkwv_(int pf, int pr, int wf, int wr, int bf, int br) {
  const int R = pr == 2 ? 3 : pr;  // the double step counts as a move ahead
  const int e = std::abs(wf - pf);
  const int d1 = std::abs(bf - pf);
  const bool rook_pawn = pf == 1;
  auto dL = [&](int f, int r) { return Dist(bf, br, f, r); };
  auto dW = [&](int f, int r) { return Dist(wf, wr, f, r); };

  // 1. Rook pawn: the bare king in the corner or on the c-file.
  if (rook_pawn) {
    if (bf == 3) {
      if (wf == 1 && pr == 7 && br >= 7 && wr == 8) return 0;
      if (wf <= 3 && pr == 6 && br == 8 && wr == 6) return 1;
    } else if (br > pr && bf == 1) {
      return 0;
    }
    if (pr == 7 && bf > 2) return 1;
    if (bf < 4 && br - R > 1) return 0;
    if (bf == 3 && wf == 1 && wr - pr == 1 && br - pr == 1) return 0;
  }

  // 2. The bare king is outside the pawn's square.
  if (dL(pf, 8) > 8 - R) return 1;

  // 3. The bare king is much nearer to the pawn's rank.
  if (dL(pf, R) - dW(pf, R) < -1 && br - pr != d1) return 0;

  // 4. Rook pawn far back, the winning king in the corner.
  if (pr < 4 && pf == 1 && wr == 8 && wf < 3 && br > 6 && bf == 4) return 1;

  // 5. Knight pawn on the sixth, any pawn on the seventh.
  if (pr == 6 && pf == 2 && br == 8 && bf == 1 && ((wr == 6 && wf < 4) || (wr == 8 && wf == 4)))
    return 0;
  if (pr == 7) {
    const int K = dL(pf, 8), B = dW(pf, 7);
    if (B == 2 && wr < 8 && K == 0) return 1;
    if (wr == 6 && wf == pf && K == 0) return 1;
    if (B <= 2 && wr >= 6 && K > 0) return 1;
  }

  // 6. Pawn on the sixth.
  if (pr == 6) {
    if (dL(pf + 1, 6) > 1 && dL(pf + 1, 8) > dW(pf + 1, 6)) return 1;
    if (!rook_pawn) {
      if (dL(pf - 1, 8) > dW(pf - 1, 6)) return 1;
      if (d1 == 1 && br == 8 && dL(wf, wr + 2) == 1) return 1;
      if (d1 == 2 && br >= 7 && Dist(bf, 5, wf, wr) < 2) return 1;
    } else if (wr == 8 && wf == 1 && br == 6 && bf == 2) {
      return 0;
    }
  }

  // 7. Kings on one file, the winning king beside the pawn.
  if (e == 2 && pr > 4 && bf == wf && wr == pr && br - wr == 2) return 1;

  // 8. Pawn on the fifth.
  if (pr == 5 && !rook_pawn) {
    if (e < 2 && wr == 6) return 1;
    if (dL(pf + 1, 6) >= 2 && dW(pf + 1, 6) == 1) return 1;
    if (bf == wf && wr >= 4 && d1 == 3 && br >= 7) return 1;
    if (dL(pf - 1, 6) >= 2 && dW(pf - 1, 6) == 1) return 1;
  }

  // 9. Pawn on its home square, the bare king on the third rank.
  if (br == 3 && pr == 2 && d1 >= 2 && Dist(bf, 5, wf, wr) < 2) return 1;

  // 10. Both kings on one side, the bare king level with the pawn.
  if (br == pr && wr - pr == 2 && d1 == 1 && e >= 2 && (bf - pf) * (wf - pf) > 0) return 0;

  // 11. Rook pawn with the winning king on the rook file.
  if (wf == 1 && pf == 1 && wr == br && bf > 3) return 1;

  // 12. The winning king takes a side square ahead of the pawn.
  {
    const int sf = (wf == 1 && pf == 1) || wf >= pf ? pf + 1 : pf - 1;
    const int t = wr > br && e == 0 ? wr - 1 : wr + 1 - e;
    if (wr - pr - e > 0 && wr - br >= -1) {
      const int k = std::max(std::abs(t - wr), std::abs(sf - wf));
      if (dL(pf, R) + R - t - k >= -1 && k < std::max(std::abs(t - br), std::abs(sf - bf)))
        return 1;
    }
  }

  // 13. Rook pawn with the bare king on the d-file or beyond.
  if (rook_pawn && bf >= 4) {
    const int y = wr > br + 1 ? br : std::min(bf + br - 3, 8);
    if (y > R) {
      const int u = std::max(std::abs(y - wr), std::abs(3 - wf));
      const int v = std::max(std::abs(y - br), bf - 3);
      if (v - u < -1) return 0;
      if (u >= v && d1 - e < 1) return 0;
    }
  }

  // 14. Shoulder squares one rank ahead.
  if (dW(pf + 1, pr + 1) < dL(pf + 1, pr + 3) && dL(pf + 1, pr + 1) > dW(pf + 1, pr + 1) &&
      pr - wr != pf - wf)
    return 1;
  if (dL(pf + 1, pr + 3) == 0 && dW(pf + 1, pr + 1) == 1) return 1;
  if (!rook_pawn) {
    if (dW(pf - 1, pr + 1) < dL(pf - 1, pr + 3) && dL(pf - 1, pr + 1) > dW(pf - 1, pr + 1) &&
        wf - pf != pr - wr)
      return 1;
    if (dL(pf - 1, pr + 3) == 0 && dW(pf - 1, pr + 1) == 1) return 1;
  }

  // 15. Squares two ranks ahead.
  if (dL(pf + 1, pr + 2) > dW(pf + 1, pr + 2)) return 1;
  if (pf > 1 && dL(pf - 1, pr + 2) > dW(pf - 1, pr + 2)) return 1;

  // 16. The bare king level with the pawn.
  if (br == pr) {
    if (e < 3 && d1 != 2 && wr == pr - 1) return 1;
    if (dL(wf + 1, wr - 2) < 2 && bf - pf > 1) return 1;
    if (dL(wf - 1, wr - 2) < 2 && bf - pf < -1) return 1;
  }

  // 17. Further winning set-ups for pawns off the rook file.
  if (!rook_pawn) {
    if (d1 > 1 && br == pr && dW(pf, pr - 1) < 2) return 1;
    if (dL(wf, wr + 2) == 1 && br - pr > 2) return 1;
    if (wr < br && wr - pr >= 2 && d1 >= e) return 1;
    if (e < 3 && bf != pf && wr - pr >= 3 && wr - br < 2) return 1;
    if (d1 - e >= -1 && ((R == 3 && wr >= pr && d1 >= 3 && br - pr >= 5) || (pr == 2 && br == 8)))
      return 1;
  }

  // 18. The winning king beside the bare king's file, one step ahead.
  {
    const int g = pf > bf ? bf + 1 : bf - 1;
    if (d1 > 1 && br == R && std::max(std::abs(g - wf), std::abs(br - wr + 2)) < 2) return 1;
  }

  // 19.-21. The rest is drawn, but for two king placements level with the pawn.
  if (br != pr) return 0;
  if (bf - pf == -2 && dW(pf + 2, br - 1) < 2) return 1;
  if (pf >= 3 && bf - pf == 2) return dW(pf - 2, pr - 1) < 2 ? 1 : 0;
  return 0;
}
