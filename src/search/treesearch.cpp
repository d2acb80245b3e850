#include "search/treesearch.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "book/learn.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/tables.h"
#include "eval/evaluate.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/ordering.h"
#include "search/stats.h"
#include "timectl/clock.h"

int64_t NodeCnt = 0;
int32_t Tscore[kMaxPly];
uint8_t CapFlag[49];
uint8_t* const CptrFlag = CapFlag + 8;

uint16_t PV = 0;
int32_t Xdepth = 0;
int32_t maxhorizon = 0;
int32_t IncHorizon[kMaxPly];
int32_t Pscore[kMaxPly];
int16_t ChkFlag[kMaxPly];
int16_t ExtFlag[kMaxPly];

namespace {

// Rough piece values for the equal-trade extension of pawn endings.
constexpr int16_t Rval[7] = {0, 1, 3, 3, 5, 9, 32};

// Depth-1 margin by own king danger: the more danger, the less a big
// static lead means.
constexpr int32_t kStaticMargin[7] = {35, 125, 375, 1928, 1928, 1928, 1928};

// Window slack of the depth and generator decisions.
constexpr int32_t kSlack = 22;

// Undoes the node's extensions however it returns.
struct HorizonGuard {
  int ply;
  int extensions = 0;
  ~HorizonGuard() {
    Xdepth -= extensions;
    maxhorizon -= IncHorizon[ply];
  }
};

// Counts a beta cut-off by move p by the kind of move and node.
[[maybe_unused]] void CountCutoff(int ply, int depth, bool full_width, bool first,
                                  const TreeEntry& p, uint16_t hash_move) {
  if (!full_width) {
    Count(kStQCutoffs);
    if (first) Count(kStQFirstCutoffs);
    return;
  }
  Count(kStCutoffs);
  if (first) Count(kStFirstCutoffs);
  if (depth >= 2) {
    Count(kStDeepCutoffs);
    if (first) Count(kStDeepFirstCutoffs);
  }
  const uint16_t sm = ShortMove(p.from, p.to);
  if (hash_move != 0 && sm == hash_move)
    Count(kStCutHash);
  else if (p.flags & (MF_CAPTURE | MF_PROMOTE))
    Count(kStCutCapture);
  else if (sm == killr0[ply] || sm == killr1[ply] || sm == killr2[ply] || sm == killr3[ply] ||
           (ply >= 3 && sm == killr1[ply - 2]))
    Count(kStCutKiller);
  else
    Count(kStCutQuiet);
}

// The side to move gave check with each of its last two moves.
bool BothChecks(int ply) {
  return ply > 4 && ChkFlag[ply - 2] != 0 && ChkFlag[ply - 4] != 0;
}

}  // namespace

void NewGameTree() {
  NodeCnt = 0;
  memset(CapFlag, 0, sizeof CapFlag);
  Pscore[0] = Tscore[0] = kInfinity;
}

int32_t TreeSearch(int side, int ply, int depth, int32_t alpha, int32_t beta, uint32_t* bstline,
                   int* rpt, int nullflag) {
  ASSERT(side == white || side == black);
  ASSERT(ply >= 1 && ply < kMaxPly);
  const int xside = 1 - side;

  // 1. Node entry: one earlier occurrence since the last irreversible move
  // is a draw here.
  NodeCnt++;
  Count(kStNodes);
  *rpt = 0;
  for (int i = GameCnt - 1; i >= Game50 && i >= 0; i -= 2) {
    if (GameList[i].hashbd == hashbd && GameList[i].hashkey == hashkey) {
      *rpt = 1;
      return 0;
    }
  }

  // 2. Static evaluation. Mates, settled endgames, the last ply of the
  // tree and a full game record end the node here, as does a depth at
  // which no shorter mate than the one found can exist.
  int32_t e = evaluate(side, xside, ply, alpha, beta);
  if (e > kMateBound || ply >= kMaxPly - 1 || Terminate || root->score + ply > kMateNextMove ||
      GameCnt + 1 >= kGameListSize)
    return e;

  const int own_risk = *KingRiskPtr[side];
  const int opp_risk = *KingRiskPtr[xside];
  const int mto = MoveTo(MOVE);
  const int mto_rank = Rank(mto);
  const int own_king = PieceList[side][0];

  // 3. Perpetual check: the same man checks for the third time and cannot
  // be taken.
  if (InChk && depth < 1 && own_risk < 2 && ply > 5 && ChkFlag[ply - 1] == ChkFlag[ply - 3] &&
      ChkFlag[ply - 3] == ChkFlag[ply - 5] && GameCnt - Game50 > 4 && mto < 64 &&
      !SqAtakd(mto, side)) {
    *rpt = 1;
    return 0;
  }

  // 4. A capture that left both sides without pieces adds a ply.
  IncHorizon[ply] = 0;
  HorizonGuard guard{ply};
  if (ExtFlag[ply] & MF_BARE) {
    Xdepth++;
    depth++;
    guard.extensions = 1;
    Count(kStExtBare);
  }

  bool full_width = depth >= 1;
  int gen = 0;  // quiescence generator
  if (full_width) {
    // 5. Extension candidates of a full-width node.
    const GameEntry& last = GameList[GameCnt];
    const GameEntry& prev = GameList[GameCnt > 0 ? GameCnt - 1 : 0];
    const int opp_king = PieceList[xside][0];
    Stat why = kStatCount;  // the first rule that makes the node a candidate
    const auto mark = [&why](Stat rule) {
      if (why == kStatCount) why = rule;
    };
    // A recapture at ply 2 that won more than the ply-1 capture, next to
    // the enemy king.
    if (!InChk && ply == 3 && CptrFlag[1] != 0 && CptrFlag[1] == CptrFlag[2] && ChkFlag[1] == 0 &&
        value[last.captured] > value[prev.captured] + 100 &&
        distance(CptrFlag[2] - 1, opp_king) <= 2)
      mark(kStExtGain);
    // An even trade in a pawn ending.
    if (!InChk && emtl[0] == 0 && emtl[1] == 0 && CptrFlag[ply - 1] != 0 &&
        CptrFlag[ply - 2] != 0 && Rval[last.captured] == Rval[prev.captured])
      mark(kStExtTrade);
    // A pawn reaching its seventh rank or a passed pawn running.
    if (ply >= 4 && (ExtFlag[ply] & MF_PAWN_THREAT) &&
        (depth <= 2 || (ExtFlag[ply - 2] & MF_PAWN_THREAT)))
      mark(kStExtPawn);
    if (Sdepth + 1 >= Xdepth) {
      // (a) A recapture inside the window.
      if (CptrFlag[ply - 1] != 0 && CptrFlag[ply - 1] == CptrFlag[ply - 2] && e >= alpha - 64 &&
          e <= beta + 64)
        mark(kStExtRecapture);
      // (b) The enemy queen closing in on the king after a capture there.
      if (mto < 64 && board[mto] == queen && ply >= 3 && istage <= 7 && CptrFlag[ply - 2] != 0 &&
          distance(CptrFlag[ply - 2] - 1, own_king) <= 3 && distance(mto, own_king) <= 2 &&
          distance(MoveFrom(MOVE), own_king) > 2 && !SqAtakd(mto, side))
        mark(kStExtQueen);
      // (c) A run of four captures on one square beside the enemy king.
      if (ply > 4 && CptrFlag[ply - 1] != 0 && CptrFlag[ply - 1] == CptrFlag[ply - 2] &&
          CptrFlag[ply - 2] == CptrFlag[ply - 3] && CptrFlag[ply - 3] == CptrFlag[ply - 4] &&
          distance(CptrFlag[ply - 1] - 1, opp_king) <= 2)
        mark(kStExtCaptureRun);
    }

    if (why != kStatCount) {
      if (Xdepth < maxhorizon || (ply > 5 && InChk && ChkFlag[ply - 3] && ChkFlag[ply - 5])) {
        Xdepth++;
        depth++;
        guard.extensions++;
        Count(why);
      } else if (depth <= 1 && ply >= 4) {
        // Out of budget: only check runs and advanced pawns near the
        // horizon keep a second ply.
        if (InChk && ply <= Xdepth + own_risk && ChkFlag[ply - 3]) {
          Xdepth++;
          guard.extensions++;
          depth = 2;
          Count(kStExtCheckRun);
        } else {
          depth = 1;
          if (ply <= Xdepth + 2 && (ExtFlag[ply] & MF_PAWN_THREAT) &&
              (ExtFlag[ply - 2] & (MF_PAWN_THREAT | MF_CHECK)) && (mto < 16 || mto > 47)) {
            depth = 2;
            Count(kStExtPawnLate);
          }
        }
      }
      // A double check widens the budget too.
      if (ply <= Xdepth && InChk >= 2) {
        Xdepth++;
        depth++;
        guard.extensions++;
        maxhorizon++;
        IncHorizon[ply]++;
        Count(kStExtDoubleCheck);
      }
    } else if (opp_risk >= 2 && BothChecks(ply) &&
               !(ChkFlag[ply - 2] == ChkFlag[ply - 4] &&
                 (CptrFlag[ply - 4] == 0 || CptrFlag[ply - 2] == 0 || CptrFlag[ply - 1] != 0))) {
      // Check-sequence extension against an exposed king.
      if (depth == 1 && ply <= Xdepth + 1 && ply <= maxhorizon + 2 && Sdepth >= 4) {
        Xdepth++;
        guard.extensions++;
        depth = 2;
        Count(kStExtCheckSeq);
      }
    }
  } else {
    // 6. Quiescent node: widen to full width for checks and threats near
    // the horizon, else choose how many checks to look at.
    const bool king_on_rank = BaseRisk[side] && Rank(own_king) == mto_rank;
    if (InChk && ply <= Xdepth + 1) {
      full_width = true;
      Count(kStWidenCheck);
    } else if (ply <= Xdepth + 2 && ply <= Sdepth + 4) {
      if (InChk && (e >= alpha - kSlack || own_risk > 1 || king_on_rank)) {
        full_width = true;
        Count(kStWidenCheck);
      } else if ((ExtFlag[ply] & MF_PAWN_THREAT) && (mto < 16 || mto > 47)) {
        full_width = true;
        Count(kStWidenPawn);
      } else if (depth == 0 && HungVar[side] - HungVar[xside] >= 2 && ply < maxhorizon &&
                 e >= alpha - kSlack) {
        full_width = true;
        Count(kStWidenHung);
      } else if (e > alpha + kSlack) {
        gen = 0;
      } else if (BothChecks(ply) && (ChkFlag[ply - 2] != ChkFlag[ply - 4] ||
                                     (CptrFlag[ply - 2] != 0 && CptrFlag[ply - 1] == 0))) {
        gen = 2;
      } else if (opp_risk >= 2) {
        gen = 2;
      } else {
        gen = BaseRisk[xside] ? 1 : 0;
      }
    } else if (ply <= Xdepth + 4) {
      if (e >= alpha - kSlack && InChk && (own_risk > 1 || (own_risk == 1 && king_on_rank))) {
        full_width = true;
        Count(kStWidenCheck);
      } else if (e > beta + kSlack) {
        gen = 0;
      } else if (BothChecks(ply)) {
        if (ChkFlag[ply - 2] == ChkFlag[ply - 4] &&
            (CptrFlag[ply - 2] == 0 || CptrFlag[ply - 1] != 0))
          gen = BaseRisk[xside] ? 1 : 0;
        else
          gen = opp_risk > 1 ? 2 : (BaseRisk[xside] ? 1 : 0);
      } else {
        gen = BaseRisk[xside] ? 1 : 0;
      }
    }
    if (full_width) depth = 1;
  }

  int32_t best = -kInfinity;
  int32_t alpha2 = alpha;
  bool threatened = false;
  TTEntry* slot = nullptr;
  uint16_t hash_move = 0;

  if (!full_width) {
    // 7. Quiescence: stand pat, then captures and perhaps checks.
    Count(kStQNodes);
    if (e >= beta) {
      bstline[ply] = 0;
      return e;
    }
    if (gen == 0 || ply < 5)
      CaptureList(side, xside, ply, Xdepth);
    else
      CheckCaptureList(side, xside, ply, gen, Xdepth);
    best = e;
    alpha2 = std::max(alpha, e);
  } else {
    // 8. Hash table and learning: an exact entry settles the node, a bound
    // may close the window.
    const auto settled = [&](int flags, int32_t* result) {
      if (flags == 0) return false;
      bstline[ply + 1] = 0;
      bstline[ply] = PV;
      if (flags == kExact) {
        *result = e;
        return true;
      }
      if (alpha >= beta) {
        *result = flags == kLowerBound ? alpha : beta;
        return true;
      }
      return false;
    };
    int32_t result = 0;
    if (hashflag && settled(ProbeTTable(side, depth, &alpha, &beta, &e, ply, &slot), &result)) {
      Count(kStTTCutoffs);
      return result;
    }
    if (ply < 4 && learn && settled(ProbeLearn(side, depth, &alpha, &beta, &e, ply), &result))
      return result;

    // 9. Static margin at depth 1: a big enough lead stands pat.
    if (depth == 1 && !nullflag && HungVar[side] == 0 && emtl[0] > 348 && emtl[1] > 348 &&
        !(ExtFlag[ply] & MF_PAWN_THREAT) && !InChk &&
        e >= beta + kStaticMargin[std::clamp(own_risk, 0, 6)]) {
      Count(kStMarginCutoffs);
      bstline[ply] = 0;
      return e;
    }

    // 10. Generation; in check near the root the moves are tried for
    // legality until two are found: none is mate, one is forced and
    // searched a ply deeper.
    hash_move = PV;
    MoveList(side, ply);
    OrderMoves(side, ply, hash_move);
    if (ply <= Xdepth && InChk == 1) {
      int legal = 0;
      for (TreeEntry* p = TrPnt[ply]; p < TrPnt[ply + 1] && legal < 2; p++) {
        MakeMove(side, p);
        if (SqAtakd(PieceList[side][0], xside))
          p->score = -32000;
        else
          legal++;
        UnmakeMove(side, p);
      }
      if (legal == 0) return ply - kMateValue;
      if (legal == 1) {
        depth++;
        Xdepth++;
        guard.extensions++;
        maxhorizon++;
        IncHorizon[ply]++;
        Count(kStExtSingleReply);
      }
    }

    // 11. Null move: let xside move twice; if that still fails high the
    // node is cut, if it loses badly the node is threatened.
    const int32_t parent_moves = ply >= 2 ? static_cast<int32_t>(TrPnt[ply] - TrPnt[ply - 1]) : 0;
    if (depth >= 2 && !nullflag && !InChk &&
        (CptrFlag[ply - 1] == 0 || depth > 3 || CptrFlag[ply - 2] != 0) &&
        TrPnt[ply + 1] - TrPnt[ply] >= 12 && parent_moves >= 12 && emtl[0] > 348 && emtl[1] > 348 &&
        mtl[0] + mtl[1] > 4000 && (ply > Sdepth / 4 || (emtl[0] > 1090 && emtl[1] > 1090)) &&
        GameCnt + 1 < kGameListSize) {
      Count(kStNullTries);
      const uint32_t saved_move = MOVE;
      const uint8_t saved_ep = epsquare;
      GameCnt++;
      GameEntry& g = GameList[GameCnt];
      g.move = 0;
      g.score = 0;
      g.depth = 0;
      g.captured = no_piece;
      g.captured_color = neutral;
      g.game50 = Game50;
      g.epsq = epsquare;
      g.hashbd = hashbd;
      g.hashkey = hashkey;
      epsquare = 0;
      Tscore[ply] = e;
      CptrFlag[ply] = 0;
      ExtFlag[ply + 1] = 0;
      PV = 0;
      const int r = (depth > 3 || e < alpha - kSlack) ? 2 : 1;
      if (r == 1) Count(kStNullR1);
      Sdepth -= r;
      Xdepth -= r;
      maxhorizon -= r;
      uint32_t line[kMaxPly];
      line[ply + 1] = 0;
      int null_rpt;
      const int32_t n =
          -TreeSearch(xside, ply + 1, depth - 1 - r, -beta, -alpha, line, &null_rpt, 1);
      Sdepth += r;
      Xdepth += r;
      maxhorizon += r;
      GameCnt--;
      epsquare = saved_ep;
      MOVE = saved_move;
      if (timeout) return -Tscore[ply - 1];
      if (n >= beta) {
        Count(kStNullCutoffs);
        if (n >= 9000) return n;
        return n > beta + kSlack ? n - 23 : beta;
      }
      if (((ply < Sdepth && n < alpha - 400) || n < ply - 9992) && depth < 4 &&
          e >= alpha - kSlack) {
        threatened = true;
        Count(kStNullThreats);
      }
      if (n > alpha) best = alpha2 = n;
    }
  }

  // 12. Move loop, best first by lazy selection.
  TreeEntry* const first = TrPnt[ply];
  TreeEntry* const end = TrPnt[ply + 1];
  if (first == end) return e;
  const int32_t start_best = best, start_alpha = alpha2;
  const bool prune = !full_width && emtl[0] != 0 && emtl[1] != 0;
  TreeEntry* best_entry = first;
  bool researched = false;
  int searched = 0;  // moves searched in this pass
  uint32_t line[kMaxPly];
  const int count = static_cast<int>(end - first);
  for (int i = 0; i < count; i++) {
    TreeEntry* const p = first + i;
    TreeEntry* top = p;
    for (TreeEntry* q = p + 1; q < end; q++)
      if (q->score > top->score) top = q;
    if (top != p) std::swap(*p, *top);
    line[ply + 1] = 0;

    // Captures that cannot bring the score up to the window are skipped;
    // with captures only, so are all that follow.
    if (prune && e + p->score < alpha2 - 23) {
      if (gen == 0) break;
      if (!(p->flags & MF_CHECK)) continue;
    }

    if (searched++ == 0 && hash_move != 0 && !researched) {
      Count(kStHashMoveNodes);
      if (ShortMove(p->from, p->to) == hash_move) Count(kStHashMoveFirst);
    }
    MakeMove(side, p);
    PV = 0;
    CptrFlag[ply] = (p->flags & MF_CAPTURE) ? static_cast<uint8_t>(p->to + 1) : 0;
    ExtFlag[ply + 1] = static_cast<int16_t>(p->flags);
    Tscore[ply] = p->score;
    int child_rpt;
    int32_t s = -TreeSearch(xside, ply + 1, depth - 1, -beta, -alpha2, line, &child_rpt, 0);
    p->score = s;
    if (child_rpt) p->flags |= MF_REPEAT;
    if (GameCnt - Game50 > 100) {
      // Fifty moves without a capture or pawn move: a draw.
      p->flags |= MF_REPEAT;
      p->score = s = 0;
    } else if (s == -kMatedAtRoot - ply && ChkFlag[ply] == 0) {
      // No legal reply and no check: stalemate.
      p->score = s = 0;
    }
    UnmakeMove(side, p);

    if (s > best && !timeout) {
      best = s;
      best_entry = p;
      if (s > alpha2) {
        alpha2 = s;
        if (threatened && !researched) {
          // The null move showed a threat: search the node once more,
          // a ply deeper.
          researched = true;
          Count(kStThreatResearch);
          searched = 0;
          depth++;
          best = start_best;
          alpha2 = start_alpha;
          best_entry = first;
          i = -1;
          continue;
        }
      }
      bstline[ply] = MoveWord(*p);
      for (int j = ply + 1; j < kMaxPly && (bstline[j] = line[j]) != 0; j++) {
      }
    }

    if (NodeCnt > ETnodes) CheckElapsedTime(0);
    if (timeout) return -Tscore[ply - 1];
    if (best >= beta) {
      if constexpr (kStats) CountCutoff(ply, depth, full_width, searched == 1, *p, hash_move);
      break;
    }
  }

  // 13. Results: hash and learning stores, refutation, history, killers.
  if (best == ply - kMateValue) bstline[ply] = 0;
  if (best_entry->flags & MF_REPEAT) *rpt = -1;
  const uint32_t best_move = MoveWord(*best_entry);
  if (full_width && *rpt == 0 && ply > Sdepth && !(best_entry->flags & (MF_REPEAT | MF_PROMOTE)))
    Count(kStTTBeyond);
  if (full_width && *rpt == 0 && ply <= Sdepth && !(best_entry->flags & (MF_REPEAT | MF_PROMOTE))) {
    if (hashflag) PutInTTable(side, depth, best, alpha, beta, best_move, ply, slot);
    if (ply < 4 && LastIteration && learn)
      PutInLearn(side, depth, best, alpha, beta, best_move, ply);
  }
  if (full_width && best >= alpha2 && ply <= Sdepth && !(best_entry->flags & MF_CAPTURE))
    RecordBestMove(side, ply, depth, Sdepth, *best_entry, best, beta);
  return best;
}
