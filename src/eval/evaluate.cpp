#include "eval/evaluate.h"

#include <cstdlib>
#include <cstring>

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/tables.h"
#include "egtb/egtb.h"
#include "eval/king.h"
#include "eval/kpk.h"
#include "eval/pawns.h"
#include "eval/pieces.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/treesearch.h"

int16_t atak[2][64];

int16_t wking, bking;
int16_t c1, c2;
int16_t EnemyKing;
int16_t* atk1;
int16_t* atk2;
int16_t* PC1;
int16_t* PC2;
int8_t* PP1;
int8_t passed_fl[2][8];
int16_t CentStr[2];
int16_t Color_Bishop[2];
int16_t Developed[2];
int16_t WfieldBoard[64];
int16_t Wfield_Cnt[2];
int16_t Rook_Precious[2];

int16_t HungVar[2];
int16_t KID[2];
int16_t NoBreathHole[2];
int16_t InChk;
int32_t Terminate;
int32_t slk;
bool EvalCheckKnown = false;
int32_t EvalKnownCompared = 0, EvalKnownMismatches = 0;
const int16_t* KingRiskPtr[2] = {nullptr, nullptr};
int16_t WeakFields[64];
int16_t KingRisk[2], BaseRisk[2];

int16_t (*const ScorePiece[7])(int sq) = {nullptr,   nullptr,    ScoreKnight, ScoreBishop,
                                          ScoreRook, ScoreQueen, ScoreKing};

// Rows from rank 1 up: a1 is entry 0.
const int32_t DyingKing[64] = {0,  8,  16, 24, 24, 16, 8,  0,  8,  32, 40, 48, 48, 40, 32, 8,
                               16, 40, 56, 64, 64, 56, 40, 16, 24, 48, 64, 72, 72, 64, 48, 24,
                               24, 48, 64, 72, 72, 64, 48, 24, 16, 40, 56, 64, 64, 56, 40, 16,
                               8,  32, 40, 48, 48, 40, 32, 8,  0,  8,  16, 24, 24, 16, 8,  0};
const int32_t DriveToWhiteCorner[64] = {
    40, 40, 50, 60, 70, 80, 90, 99, 40, 20, 30, 40, 50, 60, 80, 90, 50, 30, 10, 20, 30, 40,
    60, 80, 60, 40, 20, 0,  10, 30, 50, 70, 70, 50, 30, 10, 0,  20, 40, 60, 80, 60, 40, 30,
    20, 10, 30, 50, 90, 80, 60, 50, 40, 30, 20, 40, 99, 90, 80, 70, 60, 50, 40, 40};
const int32_t DriveToBlackCorner[64] = {
    99, 90, 80, 70, 60, 50, 40, 40, 90, 80, 60, 50, 40, 30, 20, 40, 80, 60, 40, 30, 20, 10,
    30, 50, 70, 50, 30, 10, 0,  20, 40, 60, 60, 40, 20, 0,  10, 30, 50, 70, 50, 30, 10, 20,
    30, 40, 60, 80, 40, 20, 30, 40, 50, 60, 80, 90, 40, 40, 50, 60, 70, 80, 90, 99};

namespace {

// Material sums that name endgames.
constexpr int kBishopAndKnight = value[bishop] + value[knight];  // 708
constexpr int kTwoKnights = 2 * value[knight];                   // 696
constexpr int kKingRook = value[king] + value[rook];             // 1750
constexpr int kKingRookPawn = kKingRook + value[pawn];           // 1850

constexpr int kMaxOneMinor = 549;  // emtl of at most one minor piece, no rook
constexpr int kBareKing = 1200;

// King steps of the bare king: rank and file parts.
constexpr int incr[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int incf[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// Full evaluations of this search kept for the positions that come back
// (a leaf of one iteration is a leaf of the next): the score and what the
// search reads besides, under the position's hash words and what else the
// terms read that the hash words leave out: the side, castling and king
// moves, the weights and the root tables (a new epoch for each).
struct KnownEval {
  uint64_t position;
  uint32_t rest;
  int32_t score;
  int16_t hung[2], kid[2], breath[2];
  int16_t in_check;
  int16_t terminate;
};
static_assert(sizeof(KnownEval) == 32);
constexpr int kKnownEvals = 1 << 16;
KnownEval Known[kKnownEvals];
uint32_t KnownEpoch = 1;

uint32_t RestOfKey(int side) {
  const uint32_t moved =
      static_cast<uint32_t>(side | castld[white] << 1 | castld[black] << 2 |
                            (Mvboard[kingP[white]] != 0) << 3 | (Mvboard[kingP[black]] != 0) << 4);
  return ((KnownEpoch * 0x9E3779B1u) ^ WeightsKey) * 0x01000193u ^ moved;
}

// Passed pawns on neighbouring files pair up in the order of the piece
// list, which the same position reached another way may not share.
bool DependsOnListOrder() {
  for (int s = white; s <= black; s++) {
    unsigned files = 0;
    for (int f = 0; f < 8; f++)
      if (passed_fl[s][f] < 64) files |= 1u << f;
    if (files & (files >> 1)) return true;
  }
  return false;
}

int16_t Add16(int16_t a, int b) {
  return static_cast<int16_t>(a + b);
}

bool KingInCorner() {
  for (int s = 0; s < 2; s++) {
    const int k = PieceList[s][0];
    if (k == 0 || k == 7 || k == 56 || k == 63) return true;
  }
  return false;
}

// The values left for the search with every score.
int32_t Finish(int side, int xside, int ply, int32_t score) {
  Pscore[ply] = score - (mtl[side] - mtl[xside]);
  const int to = static_cast<int>(MOVE & 0xff);
  // At the root MOVE is 64 -> 64: no man gave the check.
  if (InChk == 0 || to >= 64) {
    ChkFlag[ply - 1] = 0;
  } else {
    ChkFlag[ply - 1] = Pindex[to] == 0 ? -1 : Pindex[to];
    ExtFlag[ply] = static_cast<int16_t>(ExtFlag[ply] | MF_CHECK);
  }
  return score;
}

// Max-distance of two 1-based (file, rank) points.
int Dist(int f1, int r1, int f2, int r2) {
  const int df = std::abs(f1 - f2), dr = std::abs(r1 - r2);
  return df > dr ? df : dr;
}

// King and pawn against king: the verdict of the rule cascade, with the bare
// king's replies tried when it is to move. Score for W.
int32_t KingPawnKing(int W, int side) {
  const int L = 1 - W;
  int p = -1;
  for (int i = 1; i <= PieceCnt[W]; i++)
    if (board[PieceList[W][i]] == pawn) p = PieceList[W][i];
  ASSERT(p >= 0);
  const int wk = PieceList[W][0], lk = PieceList[L][0];

  // 1. Normalise: pawn on files 1..4, ranks from the pawn's side.
  const bool flip_files = File(p) >= 4;
  auto nf = [&](int sq) { return flip_files ? 8 - File(sq) : File(sq) + 1; };
  auto nr = [&](int sq) { return W == white ? Rank(sq) + 1 : 8 - Rank(sq); };
  const int pf = nf(p), pr = nr(p), wf = nf(wk), wr = nr(wk), bf = nf(lk), br = nr(lk);

  bool won;
  if (side == W) {
    // 2. The pawn's side to move.
    won = kpkwv_(pf, pr, wf, wr, bf, br) == 1;
  } else {
    // 3. The bare king to move: every reply must still lose.
    won = true;
    bool tried = false;
    for (int k = 0; k < 8 && won; k++) {
      const int tf = bf + incf[k], tr = br + incr[k];
      if (tf < 1 || tf > 8 || tr < 1 || tr > 8) continue;
      if (Dist(tf, tr, wf, wr) <= 1) continue;
      if (tf == pf && tr == pr) {
        won = false;
        break;
      }
      if (tr == pr + 1 && (tf == pf - 1 || tf == pf + 1)) continue;
      tried = true;
      if (kpkwv_(pf, pr, wf, wr, tf, tr) == 0) won = false;
    }
    if (!tried) won = false;
  }

  // 4. Score on the real board.
  if (won) return 400 + 10 * distdata[p][lk] + 50 * pr;
  return 10 + 5 * distdata[p][lk] - 5 * distdata[wk][lk];
}

// Pawns only against a bare king: rook-pawn fortresses, else the race of
// each pawn against the king. Score for W.
int32_t PawnsAgainstKing(int W, int side) {
  const int L = 1 - W;
  const int wk = PieceList[W][0], lk = PieceList[L][0];
  const bool a_file = PawnCnt[W][0] * 100 == pmtl[W];
  const bool h_file = PawnCnt[W][7] * 100 == pmtl[W];
  if (W == white) {
    if ((a_file && (lk == 56 || lk == 57 || lk == 48 || lk == 49)) ||
        (h_file && (lk == 54 || lk == 63 || lk == 55 || lk == 62))) {
      Terminate = 1;
      return 0;
    }
  } else {
    if ((a_file && (lk == 0 || lk == 1 || lk == 9 || lk == 8)) ||
        (h_file && (lk == 6 || lk == 7 || lk == 14 || lk == 15))) {
      Terminate = 1;
      return 0;
    }
  }

  int32_t s = 0;
  for (int i = 1; i <= PieceCnt[W]; i++) {
    const int p = PieceList[W][i];
    if (board[p] != pawn) continue;
    const int r = Rank(p);
    int32_t v = 400;
    int target;
    if (W == white) {
      const int rr = side == L ? r - 1 : r;
      bool caught = Rank(lk) >= rr && distdata[p][lk] < 8 - rr;
      for (int x = p;; x += 8) {
        if (color[x] != white && !SqAtakd(x, white)) break;
        v += 10;
        if (Rank(x) == 7) {
          caught = false;
          break;
        }
      }
      v = caught ? v + 10 * r : 500 + 50 * r;
      target = r < 6 ? p + 16 : p + 8;
    } else {
      const int rr = side == L ? r + 1 : r;
      bool caught = Rank(lk) <= rr && distdata[p][lk] <= rr;
      for (int x = p;; x -= 8) {
        if (color[x] != black && !SqAtakd(x, black)) break;
        v += 20;
        if (Rank(x) == 0) {
          caught = false;
          break;
        }
      }
      v = caught ? v + 10 * (7 - r) : 500 + 50 * (7 - r);
      target = r <= 1 ? p - 8 : p - 16;
    }
    s += v + 8 * (taxidata[lk][target] - taxidata[wk][target]);
  }
  return s;
}

// A bare king against pieces only or pawns only.
int32_t BareKingMode(int side, int xside, int ply) {
  const int own_king = PieceList[side][0];
  // 1. The king can be taken.
  if (SqAtakd(PieceList[xside][0], side)) return 10001 - ply;
  HungVar[0] = HungVar[1] = 0;

  // 2. Cached.
  int32_t score;
  if (ply > 2 && ProbeEvalTable(side, &score, HungVar, KID, NoBreathHole, &InChk, &Terminate))
    return Finish(side, xside, ply, score);

  // 3. The stronger side W against the bare king L.
  UpdateWeights();
  const int W = mtl[white] <= mtl[black] ? black : white;
  const int L = 1 - W;
  const int wk = PieceList[W][0], lk = PieceList[L][0];
  int32_t s = 0;
  if (pmtl[W] == 0) {
    // 4. Pieces only.
    if (emtl[W] == kBishopAndKnight) {
      const int32_t* T = LoneBishCol == 0 ? DriveToWhiteCorner : DriveToBlackCorner;
      s = 4 * T[lk] + 580 - taxidata[wk][lk] - distdata[PieceList[W][1]][lk] -
          distdata[PieceList[W][2]][lk];
    } else if (emtl[W] == kTwoKnights || emtl[W] <= value[knight]) {
      s = 0;
      Terminate = 1;
    } else if (emtl[W] <= 360) {
      s = 0;
    } else {
      s = emtl[W] - DyingKing[lk] + 500 - 2 * distdata[wk][lk];
    }
  } else if (pmtl[W] == 100) {
    // 5. One pawn.
    s = KingPawnKing(W, side);
  } else {
    // 6. Two or more pawns.
    s = PawnsAgainstKing(W, side);
  }

  // 7. Store whatever the stage.
  score = side == W ? s : -s;
  InChk = static_cast<int16_t>(SqAtakd(own_king, xside));
  UpdateEvalTable(side, &score, HungVar, KID, NoBreathHole, InChk, Terminate);
  return Finish(side, xside, ply, score);
}

// Minor-piece home squares not holding their piece, for one side.
int16_t CountDeveloped(int base) {
  int16_t n = 0;
  if (board[base + 1] != knight) n++;
  if (board[base + 2] != bishop) n++;
  if (board[base + 5] != bishop) n++;
  if (board[base + 6] != knight) n++;
  return n;
}

// An outside passed pawn of side: the first file from the edge, walking
// inwards, that holds its passed pawn before any pawn blocks the walk.
int16_t RemotePassers(int side) {
  int16_t bonus = 0;
  const int xside = 1 - side;
  for (int f = 0; f < 8; f++) {
    if (PawnCnt[xside][f]) break;
    if (passed_fl[side][f] < 64) {
      bonus = Add16(bonus, RemotePassed);
      break;
    }
    if (PawnCnt[side][f]) break;
  }
  for (int f = 7; f >= 0; f--) {
    if (PawnCnt[xside][f]) break;
    if (passed_fl[side][f] < 64) {
      bonus = Add16(bonus, RemotePassed);
      break;
    }
    if (PawnCnt[side][f]) break;
  }
  return bonus;
}

// The first pawn of side in piece-list order (64 when none).
int FirstPawn(int side) {
  for (int i = 1; i <= PieceCnt[side]; i++)
    if (board[PieceList[side][i]] == pawn) return PieceList[side][i];
  return 64;
}

// Two pawns against none in a knight ending: worth a bonus unless they are
// the same rook pawn doubled.
bool TwoPawnsCount(int side) {
  const int p = FirstPawn(side);
  if (p == 64) return false;
  const int f = File(p);
  return PawnCnt[side][f] == 1 || (f >= 1 && f <= 6);
}

// Endgame scaling; S for side.
int32_t ScaleEnding(int side, int32_t S) {
  const int xside = 1 - side;
  // 1. Bishops on different colours.
  if (Color_Bishop[white] + Color_Bishop[black] == 3) {
    if (emtl[white] == 360 && emtl[black] == 360)
      S >>= 1;
    else if (emtl[white] <= 1089 && emtl[black] <= 1089)
      S = (S >> 2) * 3;
  }
  // 2. Minor-piece endings a pawn up.
  if (emtl[white] >= 1 && emtl[white] <= kMaxOneMinor && emtl[black] >= 1 &&
      emtl[black] <= kMaxOneMinor) {
    if ((S > 0 && pmtl[side] == pmtl[xside] + 100) || (S < 0 && pmtl[xside] == pmtl[side] + 100))
      S /= 2;
  }
  // 3. The leader has no pawns.
  if (S > 0 && pmtl[side] == 0)
    S = emtl[side] <= kMaxOneMinor ? S / 4 : S / 2;
  else if (S <= 0 && pmtl[xside] == 0)
    S = emtl[xside] <= kMaxOneMinor ? S / 4 : S / 2;
  // 4. Knight against knight.
  if (emtl[white] == 348 && emtl[black] == 348) {
    const int ps = pmtl[side] / 100, px = pmtl[xside] / 100;
    if (ps == 2 && px == 0) {
      if (TwoPawnsCount(side)) S += 75;
    } else if (px == 2 && ps == 0) {
      if (TwoPawnsCount(xside)) S -= 75;
    } else if (ps == px) {
      S /= 2;
    } else if (ps > px) {
      S += px <= 2 ? -25 : 65;
    } else {
      S += ps <= 2 ? 25 : -65;
    }
  }
  // 5. Bishop and the wrong rook pawns against a bare king.
  if (mtl[white] > mtl[black] && emtl[white] == 360 && emtl[black] == 0) {
    const int bk = PieceList[black][0];
    if ((PawnCnt[white][0] * 100 == pmtl[white] && Color_Bishop[white] != FieldColor[56] + 1 &&
         (bk == 56 || bk == 57 || bk == 49 || bk == 48)) ||
        (PawnCnt[white][7] * 100 == pmtl[white] && Color_Bishop[white] != FieldColor[63] + 1 &&
         (bk == 54 || bk == 63 || bk == 55 || bk == 62))) {
      Terminate = 1;
      S = 0;
    }
    return S;
  }
  if (mtl[black] > mtl[white] && emtl[black] == 360 && emtl[white] == 0) {
    const int wk = PieceList[white][0];
    if ((PawnCnt[black][0] * 100 == pmtl[black] && Color_Bishop[black] != FieldColor[0] + 1 &&
         (wk == 0 || wk == 1 || wk == 9 || wk == 8)) ||
        (PawnCnt[black][7] * 100 == pmtl[black] && Color_Bishop[black] != FieldColor[7] + 1 &&
         (wk == 6 || wk == 7 || wk == 14 || wk == 15))) {
      Terminate = 1;
      S = 0;
    }
    return S;
  }
  // 6. Queen against queen.
  if (pmtl[white] <= 100 && pmtl[black] <= 100 && emtl[white] == 1090 && emtl[black] == 1090 &&
      S >= -7999 && S <= 7999)
    S /= 4;
  // 7. Rook and pawn against rook, the defending king in front of the pawn.
  if (pmtl[white] == value[pawn] && mtl[white] == kKingRookPawn && mtl[black] == kKingRook) {
    const int p = board[PieceList[white][1]] == pawn ? PieceList[white][1] : PieceList[white][2];
    const int bk = PieceList[black][0];
    if (std::abs(File(bk) - File(p)) <= 1 && bk > p) S /= 2;
  } else if (pmtl[black] == value[pawn] && mtl[black] == kKingRookPawn && mtl[white] == kKingRook) {
    const int p = board[PieceList[black][1]] == pawn ? PieceList[black][1] : PieceList[black][2];
    const int wk = PieceList[white][0];
    if (std::abs(File(wk) - File(p)) <= 1 && wk < p) S /= 2;
  }
  return S;
}

}  // namespace

int QuiescenceMargin(int ply) {
  ASSERT(ply >= 1 && ply < kMaxPly);
  if ((ExtFlag[ply] & MF_PAWN_THREAT) ||
      (emtl[white] <= kMaxOneMinor && emtl[black] <= kMaxOneMinor))
    return 250;
  if (CptrFlag[ply - 1]) {
    const GameEntry& g = GameList[GameCnt];
    const int to = static_cast<int>(MOVE & 0xff);
    if (g.captured == pawn || (to < 64 && board[to] == pawn)) {
      if ((g.captured_color == white && to >= 48) || (g.captured_color == black && to <= 15))
        return 250;
      return 174;
    }
  }
  return 98;
}

int32_t evaluate(int side, int xside, int ply, int32_t alpha, int32_t beta) {
  ASSERT(side == white || side == black);
  ASSERT(xside == 1 - side);
  ASSERT(ply >= 1 && ply < kMaxPly);
  const int own_king = PieceList[side][0], opp_king = PieceList[xside][0];

  // 1. Nothing hangs yet.
  HungVar[0] = HungVar[1] = 0;

  // 2. Bare minor pieces: a draw unless a king is cornered.
  if (pmtl[white] == 0 && pmtl[black] == 0 && emtl[white] <= kMaxOneMinor &&
      emtl[black] <= kMaxOneMinor) {
    if (SqAtakd(opp_king, side)) return 10001 - ply;
    if (!KingInCorner()) {
      Terminate = 1;
      InChk = static_cast<int16_t>(SqAtakd(own_king, xside));
      return Finish(side, xside, ply, 0);
    }
  }

  // 3. Tablebases, near the root or after a capture inside the horizon.
  if (PieceCnt[white] + PieceCnt[black] + 2 <= tb_access &&
      (ply < Sdepth || (ply <= Xdepth && CptrFlag[ply - 1]) || Sdepth <= 3)) {
    if (SqAtakd(opp_king, side)) return 10001 - ply;
    int32_t tb = 0;
    bool found = false;
    if (ply >= 2 && ProbeEGTBTable(side, &tb)) {
      found = tb != kInfinity;
    } else if (nEGTBProbe(ply, side, &tb)) {
      tb_hits++;
      UpdateEGTBTable(side, tb);
      found = true;
    } else {
      UpdateEGTBTable(side, kInfinity);
    }
    if (found) {
      Terminate = 1;
      InChk = static_cast<int16_t>(SqAtakd(own_king, xside));
      if (tb != 0) return tb;
      return Finish(side, xside, ply, 0);
    }
  }

  // 4. A bare king against pieces only or pawns only.
  Terminate = 0;
  if ((mtl[white] == kBareKing && (pmtl[black] == 0 || emtl[black] == 0)) ||
      (mtl[black] == kBareKing && (pmtl[white] == 0 || emtl[white] == 0))) {
    slk = 1;
    return BareKingMode(side, xside, ply);
  }

  // 5. Refresh the root tables deep in the tree.
  slk = 0;
  if (ply == Sdepth - 5) ExaminePosition();

  // 6. Choose the amount of work.
  enum class Work { kFull, kCached, kLazyA, kLazyB };
  Work work;
  int32_t est = 0;
  if (ply == 1) {
    work = Work::kFull;
  } else if (ply == Sdepth || Sdepth == 1) {
    work = Work::kCached;
  } else if ((emtl[white] == 0 && pmtl[black] > 0) || (emtl[black] == 0 && pmtl[white] > 0)) {
    work = Work::kCached;
  } else if (ply < Sdepth) {
    work = emtl[white] > kMaxOneMinor || emtl[black] > kMaxOneMinor ? Work::kLazyA : Work::kCached;
  } else if (ExtFlag[ply] & MF_PROMOTE) {
    work = Work::kCached;
  } else {
    est = mtl[side] - mtl[xside] - Pscore[ply - 1];
    const int margin = QuiescenceMargin(ply);
    work = est <= alpha - margin || est >= beta + margin ? Work::kLazyB : Work::kCached;
  }

  int32_t score = 0;
  if (work == Work::kLazyA || work == Work::kLazyB) {
    // 6a. Material plus the parent's positional part.
    if (SqAtakd(opp_king, side)) return 10001 - ply;
    HungVar[0] = HungVar[1] = 0;
    InChk = static_cast<int16_t>(SqAtakd(own_king, xside));
    if (work == Work::kLazyA)
      score = mtl[side] - mtl[xside] - Pscore[ply - 1];
    else
      score = est < beta ? est + 75 : est - 75;
    return Finish(side, xside, ply, score);
  }

  // 6b. Cache, never at plies 1 and 2.
  bool cached = false;
  if (work == Work::kCached && ply > 2 &&
      ProbeEvalTable(side, &score, HungVar, KID, NoBreathHole, &InChk, &Terminate)) {
    if (SqAtakd(opp_king, side)) return 10001 - ply;
    cached = true;
  }

  // 6c. Full evaluation, or the one made before of the same position.
  if (!cached) {
    KnownEval* known = nullptr;
    uint32_t rest = 0;
    const uint64_t position = static_cast<uint64_t>(hashbd) << 32 | hashkey;
    if (ply > 2) {
      // The weights follow the evaluations made: none for an illegal position.
      if (SqAtakd(opp_king, side)) return 10001 - ply;
      UpdateWeights();
      rest = RestOfKey(side);
      known = &Known[(hashkey ^ rest) & (kKnownEvals - 1)];
    }
    const bool seen = known != nullptr && known->position == position && known->rest == rest;
    if (seen && !EvalCheckKnown) {
      score = known->score;
      for (int s = 0; s < 2; s++) {
        HungVar[s] = known->hung[s];
        KID[s] = known->kid[s];
        NoBreathHole[s] = known->breath[s];
      }
      InChk = known->in_check;
      Terminate = known->terminate;
    } else {
      KID[0] = KID[1] = 0;
      NoBreathHole[0] = NoBreathHole[1] = 1;
      ataks(side, atak[side]);
      if (atak[side][opp_king]) return 10001 - ply;
      ataks(xside, atak[xside]);
      InChk = static_cast<int16_t>(atak[xside][own_king] & 0xff);
      ScorePosition(side, &score);
      if (known != nullptr && !DependsOnListOrder()) {
        const KnownEval e = {position,
                             rest,
                             score,
                             {HungVar[0], HungVar[1]},
                             {KID[0], KID[1]},
                             {NoBreathHole[0], NoBreathHole[1]},
                             InChk,
                             static_cast<int16_t>(Terminate)};
        if (seen) {
          EvalKnownCompared++;
          if (memcmp(known, &e, sizeof e) != 0) EvalKnownMismatches++;
        }
        *known = e;
      }
    }
    if (stage > 2) UpdateEvalTable(side, &score, HungVar, KID, NoBreathHole, InChk, Terminate);
  }

  // 7. King danger for the extensions of the full-width search.
  if (ply <= Sdepth) {
    for (int s = 0; s < 2; s++) {
      KingRisk[s] = KID[s];
      BaseRisk[s] = NoBreathHole[s];
    }
  }
  return Finish(side, xside, ply, score);
}

void ScoreFor(int side) {
  c1 = static_cast<int16_t>(side);
  c2 = static_cast<int16_t>(1 - side);
  atk1 = atak[c1];
  atk2 = atak[c2];
  PC1 = PawnCnt[c1];
  PC2 = PawnCnt[c2];
  PP1 = passed_fl[c1];
  EnemyKing = PieceList[c2][0];
}

void ClearTermRecords() {
  memset(WfieldBoard, 0, sizeof WfieldBoard);
  memset(Rook_Precious, 0, sizeof Rook_Precious);
  memset(Wfield_Cnt, 0, sizeof Wfield_Cnt);
  memset(CentStr, 0, sizeof CentStr);
  memset(Color_Bishop, 0, sizeof Color_Bishop);
  memset(passed_fl, 64, sizeof passed_fl);
}

void ScorePosition(int side, int32_t* result) {
  ASSERT(side == white || side == black);
  const int xside = 1 - side;

  // 1. Kings and weights.
  wking = PieceList[white][0];
  bking = PieceList[black][0];
  UpdateWeights();

  // 2. Fresh records.
  ClearTermRecords();
  Developed[white] = CountDeveloped(0);
  Developed[black] = CountDeveloped(56);
  int16_t sum[2] = {0, 0};

  // 3. Pawns, White's first.
  for (int s = white; s <= black; s++) {
    ScoreFor(s);
    for (int i = 1; i <= PieceCnt[s]; i++) {
      const int sq = PieceList[s][i];
      if (board[sq] == pawn) sum[s] = Add16(sum[s], ScorePawn(sq, side));
    }
    if (CentStr[s]) sum[s] = Add16(sum[s], 8);
  }

  // 4. Outside passed pawns.
  if (RookEnding == 0 && stage2 > 3)
    for (int s = white; s <= black; s++) sum[s] = Add16(sum[s], RemotePassers(s));

  // 5. Pieces, the king first.
  for (int s = white; s <= black; s++) {
    ScoreFor(s);
    for (int i = 0; i <= PieceCnt[s]; i++) {
      const int sq = PieceList[s][i];
      const int kind = board[sq];
      if (kind != pawn && kind != no_piece) sum[s] = Add16(sum[s], ScorePiece[kind](sq));
    }
  }

  // 6. Bishop pair.
  for (int s = white; s <= black; s++)
    if (Color_Bishop[s] == 3) sum[s] = Add16(sum[s], BishopPairBonus);

  // 7. More than one man hanging.
  if (HungVar[side] > 1) sum[side] = Add16(sum[side], -16);
  if (HungVar[xside] > 1) sum[xside] = Add16(sum[xside], -16);

  // 8. Material and position.
  int32_t S = sum[side] + mtl[side] - mtl[xside] - sum[xside];

  // 9. The side ahead likes to trade pieces.
  const int trade = (pmtl[white] + pmtl[black]) / 128 + 4 * stage;
  if (S >= 1 && S <= 7999 && mtl[side] > mtl[xside] + 75)
    S += trade;
  else if (S >= -7999 && S <= -1 && mtl[side] < mtl[xside] - 75)
    S -= trade;

  // 10. Endgame scaling.
  if (stage2 > 3) S = ScaleEnding(side, S);
  *result = S;
}

int MaterialRemis() {
  bool remis = false;
  auto cannot_win = [](int s) {
    return pmtl[s] == 0 && (emtl[s] == kTwoKnights || emtl[s] <= value[knight]);
  };
  if (mtl[white] == kBareKing)
    remis = cannot_win(black);
  else if (mtl[black] == kBareKing)
    remis = cannot_win(white);
  if (!remis && pmtl[white] == 0 && pmtl[black] == 0 && emtl[white] <= kMaxOneMinor &&
      emtl[black] <= kMaxOneMinor && !KingInCorner())
    remis = true;
  if (!remis) return 0;
  strcpy(DrawComment, "Insufficient Material");
  return 1;
}

void ForgetEvaluations() {
  KnownEpoch++;
}

void NewGameEval() {
  ForgetEvaluations();
  Developed[0] = Developed[1] = 0;
  PawnStorm = 0;
  Zbmtl = Zwmtl = 0;
  OpenFyles = OpenPos = -1;
  stage = stage2 = -1;
}
