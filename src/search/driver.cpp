#include "search/driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/tables.h"
#include "egtb/egtb.h"
#include "eval/evaluate.h"
#include "search/hashtable.h"
#include "search/ordering.h"
#include "search/stats.h"
#include "search/treesearch.h"
#include "timectl/clock.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/display.h"
#include "ui/notation.h"
#include "ui/output.h"

int32_t computer = 1;
int32_t opponent = 0;
int32_t player = 0;
int16_t easy = 1;
int32_t PonderOn = 0;
int32_t lookahead = 0;
int32_t puzzling = 0;
int32_t timeout = 0;
int32_t WouldTimeout = 0;
int32_t Sdepth = 0;
int32_t MaxSearchDepth = 31;
int32_t IterationCap = 0;
int32_t BookMoveFound = 1;
uint32_t PrVar[kMaxPly];
int16_t MoveInfo[4];
int32_t RootCnt = 0;
int32_t inEGTB = 0;
int32_t tb_hits = 0;
int32_t LastItScore = 0;
int32_t LastScore = 0;
int32_t Zscore = 0, zwndw = 20;
int32_t LastIteration = 0;
int32_t istage = 0, istage2 = 0;

namespace {

constexpr int kGuardIndex = 2048;
constexpr char kGuard[] = "STACK OKAY";
static_assert(sizeof kGuard == 11);

const int16_t KingRisk0 = 0;

// Per-call state of the move choice.
uint16_t LastBest = 0, EasyMove = 0;
int32_t NewBest = 0, SaveNewBest = 0, FailLow = 0, FailHigh = 0;

void WriteGuard() {
  memcpy(reinterpret_cast<char*>(&Tree[kGuardIndex]), kGuard, sizeof kGuard);
}
bool GuardIntact() {
  return memcmp(reinterpret_cast<const char*>(&Tree[kGuardIndex]), kGuard, sizeof kGuard) == 0;
}

// The search runs on the opponent's time. A ponder hit turns it into the
// engine's own search in the middle, so this is asked afresh each time.
bool Pondering() {
  return lookahead != 0;
}

bool BareKings() {
  return mtl[white] == 1200 && mtl[black] == 1200;
}

// No pawns and at most one minor piece on the board: no sequence of moves
// mates, so a GUI accepts the draw claim. Two knights, or a minor against a
// minor, can still mate with the loser's help; a claim there is refused and
// loses, so the engine plays on (its evaluation still scores them drawn).
bool NoMatePossible() {
  return pmtl[white] + pmtl[black] == 0 && emtl[white] + emtl[black] <= value[bishop];
}

// The time the root search grants itself, judged before each root move
// after the first.
void RootExtraTime(int32_t best, int32_t alpha, const TreeEntry& next) {
  if (best > alpha || best >= LastItScore - 40) {
    if (best > alpha) {
      const int32_t d = best - Zscore;
      if (d > -zwndw)
        ExtraTime = best > next.score + 4 * zwndw ? -(ResponseTime / 3) : 0;
      else if (d > -3 * zwndw)
        ExtraTime = ResponseTime;
      else if (d > -9 * zwndw)
        ExtraTime = 2 * ResponseTime;
      else
        ExtraTime = 4 * ResponseTime;
    } else {
      ExtraTime = 3 * ResponseTime;
    }
  } else {
    ExtraTime = 6 * ResponseTime;
  }
  NewBest = 0;
}

// A queen move of the attacker early in the game that lands next to the
// enemy king, safely and on a weak square, is searched a ply deeper.
bool QueenRaid(int side, const TreeEntry& e) {
  if (board[e.to] != queen || istage >= 6) return false;
  const int enemy_king = PieceList[1 - side][0];
  return distance(e.to, enemy_king) <= 2 && distance(e.from, enemy_king) > 3 &&
         !SqAtakd(e.to, 1 - side) && WeakFields[e.to] != 0;
}

// Moves entry e to the front of the root list, the others down by one.
void MoveToFront(TreeEntry* e) {
  TreeEntry* first = TrPnt[1];
  if (e == first) return;
  const TreeEntry saved = *e;
  memmove(first + 1, first, static_cast<size_t>(e - first) * sizeof(TreeEntry));
  *first = saved;
}

}  // namespace

void Sort(TreeEntry* first, TreeEntry* last) {
  TreeEntry* best = first;
  for (TreeEntry* p = first + 1; p <= last; p++)
    if (p->score > best->score) best = p;
  if (best != first) {
    const TreeEntry t = *first;
    *first = *best;
    *best = t;
  }
}

int32_t BaseSearch(int side, [[maybe_unused]] int ply, int depth, int32_t alpha, int32_t beta,
                   uint32_t* line, int* rpt) {
  const int xside = 1 - side;
  // 1. Learning only early in games under a clock.
  learn = (TCflag > 0 && istage <= 6 && GameCnt <= 70 && LearnFlag) ? 1 : 0;

  // 2. Node entry.
  NodeCnt++;
  Count(kStNodes);
  IncHorizon[0] = IncHorizon[1] = 0;
  Xdepth = Sdepth;
  ExtFlag[0] = ExtFlag[1] = 0;

  // 3. King danger counts only while enough material is left.
  if (pmtl[0] + pmtl[1] < 601 && emtl[0] + emtl[1] < 2921) {
    KingRiskPtr[0] = KingRiskPtr[1] = &KingRisk0;
  } else {
    KingRiskPtr[0] = &KingRisk[0];
    KingRiskPtr[1] = &KingRisk[1];
  }

  // 4. Static evaluation; a settled result needs no search.
  *rpt = 0;
  const int32_t e = evaluate(side, xside, 1, alpha, beta);
  if (abs(e) >= 9000) return e;

  // 5. The weak squares of the root, for the queen-raid extension.
  if (Sdepth == 1) memcpy(WeakFields, WfieldBoard, sizeof WeakFields);

  // 6. Check at the root adds a ply.
  if (InChk) {
    Xdepth++;
    depth++;
    Count(kStExtRootCheck);
  }
  RootCnt = 0;
  int32_t best = -12000, alpha2 = alpha;
  uint32_t childline[kMaxPly + 1];

  // 7. The root moves in list order.
  for (TreeEntry* entry = TrPnt[1]; entry < TrPnt[2] && best < beta && beta >= -11999; entry++) {
    MoveInfo[0] = static_cast<int16_t>(RootCnt + 1);
    MoveInfo[2] = entry->from;
    MoveInfo[3] = entry->to;
    memset(childline, 0, sizeof childline);
    if (entry != TrPnt[1]) RootExtraTime(best, alpha, *entry);

    int32_t s;
    if (entry->flags & MF_FINAL) {
      s = entry->score;
    } else {
      PV = 0;
      MakeMove(side, entry);
      CptrFlag[1] = (entry->flags & MF_CAPTURE) ? static_cast<uint8_t>(entry->to + 1) : 0;
      Tscore[1] = entry->score;
      ExtFlag[2] = 0;
      const bool raid = QueenRaid(side, *entry);
      if (raid) Count(kStExtQueen);
      const int child_depth = raid ? depth : depth - 1;
      int r = 0;
      s = -TreeSearch(xside, 2, child_depth, -beta, -alpha2, childline, &r, 0);
      if (r) entry->flags |= MF_REPEAT;
      // Mates are final; so are draws by the fifty-move rule and stalemate.
      if (abs(s) >= kMateNextMove || s < -9000) entry->flags |= MF_FINAL;
      if (GameCnt - Game50 > 100 || (s == kMateNextMove && ChkFlag[1] == 0)) {
        entry->flags |= MF_REPEAT | MF_DRAW_SCORE | MF_FINAL;
        s = side == computer ? contempt : -contempt;
      }
      UnmakeMove(side, entry);
    }
    const bool in_range = s >= -kMateNextMove && s <= kMateNextMove;
    if (((entry->flags & (MF_FINAL | MF_DRAW_SCORE)) || abs(s) > kMateBound) && in_range)
      entry->score = s;
    if (Sdepth == 1) entry->score = s;

    const bool first = entry == TrPnt[1];
    if ((s > best || first) && in_range) {
      entry->score = s;
      if (!timeout && s > best) {
        best = s;
        if (s > alpha2 && Sdepth > 1) alpha2 = s;
        line[1] = MoveWord(*entry);
        for (int p = 2; p < kMaxPly && (line[p] = childline[p]) != 0; p++) {
        }
        TreeEntry* now = entry;
        if (!first && s > TrPnt[1]->score) {
          MoveToFront(entry);
          now = TrPnt[1];
          ShowBestTime();
        }
        if (s <= alpha && first && FailHigh) now->score = alpha;
        if (Sdepth >= 4) ShowResults(s, line, s <= alpha ? '?' : s >= beta ? '!' : ' ');
      }
    } else if (Sdepth == 1 || (s <= alpha2 && s < entry->score)) {
      entry->score = s;
    }

    if (NodeCnt > ETnodes) CheckElapsedTime(0);
    if (timeout) return -Tscore[0];
    RootCnt++;
  }

  // 8. Results of the pass.
  if (best == kMatedAtRoot) line[1] = 0;
  const TreeEntry& top = *TrPnt[1];
  if (top.flags & MF_REPEAT) *rpt = -1;
  if (*rpt == 0 && Sdepth > 3 && learn && !(top.flags & (MF_REPEAT | MF_PROMOTE)))
    PutInLearn(side, depth, best, alpha, beta, MoveWord(top), 1);
  if (best >= alpha2 && !(top.flags & MF_CAPTURE) && best > -12000)
    UpdateKillers(1, ShortMove(top.from, top.to), best, beta);
  if (best == -12000) return Tscore[0];
  return best;
}

namespace {

// One iteration with an aspiration window around the last score.
int32_t AspirationSearch(int side, int* rpt) {
  int32_t hi = 9995, lo = -9995;
  int32_t w = (emtl[0] == 0 || emtl[1] == 0) ? 85 : (emtl[0] <= 1089 || emtl[1] <= 1089) ? 44 : 0;
  int32_t score = LastItScore + w;
  for (int tries = 0;; tries++) {
    if (SaveNewBest) NewBest = 1;
    int32_t c = score == lo ? score + 1 + w : score - w;
    if (c + w > -kMatedAtRoot) c = -kMatedAtRoot - w;
    if (c - 1 - w < -kMateNextMove) c = w + 1 - kMateNextMove;
    if (tries > 0) Count(kStResearches);
    const int64_t nodes_before = NodeCnt;
    score = BaseSearch(side, 1, Sdepth, c - 1 - w, c + w, PrVar, rpt);
    if (tries > 0) CountMany(kStResearchNodes, NodeCnt - nodes_before);
    if (score < c - w) {
      Count(kStFailLows);
      // Fail low: more time, a wider window below.
      ExtraTime = score < LastItScore - 40 ? 6 * ResponseTime : 2 * ResponseTime;
      hi = score;
      FailLow = 1;
      if (FailHigh) break;
      NewBest = SaveNewBest = 0;
      if (score < LastItScore - 50) WouldTimeout = 0;
    } else if (score < c + w) {
      break;
    } else {
      Count(kStFailHighs);
      ExtraTime = 0;
      lo = score;
      FailHigh = 1;
      if (score > LastItScore + 150 && TCflag > 0 &&
          3 * (ElapsedTime + PonderedTime) > 2 * ResponseTime) {
        if (Pondering())
          WouldTimeout = 1;
        else
          timeout = 1;
      }
      if (FailLow) break;
      // A mate proved by the fail high is final. A re-search cannot prove it
      // again, since the tree search no longer looks past the mate's depth,
      // and its fail low would report the window's edge as a false mate.
      if (score > kMateBound) break;
    }
    w += tries < 4 ? 13 : 50;
    if (lo >= hi || timeout) break;
  }
  return score;
}

// The time extension for the next iteration, from how this one went.
void NextExtraTime(int32_t score, int32_t t2, uint16_t best) {
  const GameEntry& last = GameList[GameCnt];
  const bool recapture = last.captured != 0 && MoveTo(last.move) == MoveTo(best);
  if (score > t2 + 120 && best == LastBest && recapture && !NewBest) {
    ExtraTime = 0;
    if (GameCnt >= LastBookMove + 6 && score > -200) ResponseTime = ResponseTime * 7 / 8;
  } else if (best == EasyMove && EasyMove == LastBest && score > LastScore - 53 && !NewBest) {
    ExtraTime = score < -149 ? ResponseTime : 0;
  } else if (score > Zscore - zwndw && score > t2 + 80) {
    const bool doubt = GameCnt < LastBookMove + 6 || score < -199 || best != LastBest;
    ExtraTime = doubt ? ResponseTime : 0;
  } else if (score > Zscore - 3 * zwndw) {
    ExtraTime = score > LastScore - 26 ? ResponseTime : ResponseTime * 3 / 2;
  } else {
    ExtraTime = 3 * ResponseTime;
  }
}

void StopOrWouldStop() {
  if (lookahead != 0)
    WouldTimeout = 1;
  else
    timeout = 1;
}

// Brings the first legal root move to the front, the others keeping their
// order.
void LegalMoveFirst(int side) {
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
    MakeMove(side, e);
    const bool legal = !SqAtakd(PieceList[side][0], 1 - side);
    UnmakeMove(side, e);
    if (legal) {
      std::rotate(TrPnt[1], e, e + 1);
      return;
    }
  }
}

// Iterative deepening until time, depth or a settled score ends it.
void Iterate(int side, int* rpt) {
  TreeEntry* const last = TrPnt[2] - 1;
  for (;;) {
    // Pondering and analysis run until input arrives; the prediction search
    // and real moves stop at the depth limit.
    if (timeout || (Sdepth >= MaxSearchDepth && (Sdepth > 31 || lookahead != 1))) return;
    if (IterationCap > 0 && Sdepth >= IterationCap) return;
    ChkFlag[0] = 0;
    Xdepth = Sdepth + 1;
    maxhorizon = Sdepth + 4;
    if (Xdepth < 4) {
      EasyMove = 0;
      maxhorizon = Sdepth + 3;
    }
    if (Xdepth < 3) maxhorizon--;
    if (Xdepth > 13) maxhorizon++;
    FailLow = FailHigh = 0;
    if (SaveNewBest) NewBest = 1;
    Sdepth = Xdepth;
    CountIteration(Sdepth);

    int32_t score = Sdepth == 1 ? BaseSearch(side, 1, 1, -kMateNextMove, -kMatedAtRoot, PrVar, rpt)
                                : AspirationSearch(side, rpt);

    // After the iteration: age the history, seed the mate killers.
    LastItScore = score;
    if (Sdepth >= 2) AgeHistory();
    for (int p = 0; p < kMaxPly; p++)
      killr0[p] = (p >= 1 && p <= Sdepth) ? static_cast<uint16_t>(PrVar[p] & 0xffff) : 0;
    score = TrPnt[1]->score;
    if (!timeout)
      for (TreeEntry* p = TrPnt[1] + 1; p < last; p++) Sort(p, last);
    ShowResults(score, PrVar, ' ');

    const int32_t t2 = TrPnt[1] + 1 <= last ? (TrPnt[1] + 1)->score : -12000;
    const uint16_t best = static_cast<uint16_t>(PrVar[1] & 0xffff);
    NextExtraTime(score, t2, best);
    if (Sdepth == 3 && score > t2 + 80) EasyMove = best;

    // Stop conditions, judged on the clock as the iteration ends.
    if (TCflag > 0) ReadElapsedTime();
    int32_t v = 0;
    if (abs(score) > 8999) timeout = 1;
    if (Sdepth == 7 && score == 0 && PieceCnt[0] + PieceCnt[1] + 2 <= tb_access &&
        nEGTBProbe(1, side, &v))
      timeout = 1;
    if (t2 < -8999) StopOrWouldStop();
    if (TCflag > 0 && 4 * (ElapsedTime + PonderedTime) > 2 * ResponseTime + ExtraTime)
      StopOrWouldStop();
    // At the hard limit (a clock down to its reserve) the next iteration
    // would stop at its first check: do not start it.
    if (TCflag > 0 && ElapsedTime + PonderedTime >= HardTimeLimit()) StopOrWouldStop();
    if (!(Pondering() && !WouldTimeout))
      LastIteration =
          TCflag > 0 && Sdepth >= 5 && 16 * (ElapsedTime + PonderedTime) > ResponseTime + ExtraTime;
    if (!GuardIntact() || TreeOverflow) {
      timeout = 1;
      ShowMessage("Suche terminiert wegen Zug-Stack-Overflow !");
      OutPrintf("\a");
      OutFlush();
    }
    if (!timeout) {
      Zscore = Zscore == 0 ? score : (Zscore + score) / 2;
      if (best == LastBest) {
        NewBest = 0;
        if (SaveNewBest > 0) SaveNewBest--;
      } else {
        SaveNewBest = 2;
        NewBest = 1;
      }
      LastBest = best;
    }
    zwndw = abs(Zscore) / 12 + 20;
    Zscore = (Zscore + score) / 2;
  }
}

}  // namespace

void NewGameSearch() {
  MaxSearchDepth = 31;
  timeout = 1;
  BookMoveFound = 1;
  opponent = white;
  computer = black;
  player = white;
}

void NewPositionSearch() {
  memset(HisTab, 0, sizeof HisTab);
  if (hashflag) ZeroTTable();
  Sdepth = 0;
}

void SelectMove(int side) {
  const int xside = 1 - side;

  // 1. Reset.
  inEGTB = 0;
  WouldTimeout = 0;
  AbandonMove = 0;
  InitBestTime();
  timeout = 0;
  if (!Pondering()) player = side;
  if (!ics_book) LastBookMove = -20;
  selective = ics_selective ? 1 : 0;
  ETnodes = NodeCnt = 0;
  if constexpr (kStats) ResetStats();
  Zscore = 0;
  zwndw = 20;
  TreeOverflow = 0;

  // 2. The budget.
  SetResponseTime(side);

  // 3. Root tables of the evaluation.
  stage = -1;
  ExaminePosition();
  ExtraTime = 0;
  LastIteration = FailLow = FailHigh = LastScore = Tscore[0] = Tscore[1] = WouldTimeout = 0;
  LastBest = 0;
  BestTime = tb_hits = 0;

  // 4. Greeting, once a game, at the first search for a move of its own.
  if (!handshaked && GameCnt < 2 && !Pondering()) {
    kibitz();
    handshaked = 1;
  }

  // 5. Fresh ordering tables.
  WriteGuard();
  ClearOrdering();
  MOVE = ShortMove(64, 64);
  PV = 0;
  if (!Pondering()) hint = 0;
  memset(PrVar, 0, sizeof PrVar);

  // 6. Static score and stages.
  int32_t score = 0;
  ScorePosition(side, &score);
  Pscore[0] = 0;
  istage = stage;
  istage2 = stage2;

  // 7. Tablebase position?
  int32_t v = 0;
  if (PieceCnt[0] + PieceCnt[1] + 2 <= tb_access && nEGTBProbe(1, side, &v)) inEGTB = 1;

  // 8. The root list.
  SaveNewBest = NewBest = 0;
  int rpt = 0;
  TrPnt[1] = TrPnt[2] = root = Tree;
  MoveList(side, 1);
  OrderMoves(side, 1, PV);
  InChk = static_cast<int16_t>(SqAtakd(PieceList[side][0], xside));

  // 9. Legal moves; illegal ones stay in the list and search as lost. The
  // position after a root move lies at ply 2, so that a mating move scores
  // as the search scores it. A capture down to the bare kings is a draw; a
  // move into a table that is not there leaves the position to the search.
  MoveInfo[1] = 0;
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
    MakeMove(side, e);
    if (!SqAtakd(PieceList[side][0], xside)) {
      MoveInfo[1]++;
      if (inEGTB && nEGTBProbe(2, xside, &v)) {
        e->score = -v;
        tb_hits++;
      } else if (inEGTB && PieceCnt[0] + PieceCnt[1] == 0) {
        e->score = 0;
      } else if (inEGTB) {
        inEGTB = 0;
      }
    }
    UnmakeMove(side, e);
  }
  NodeCnt = tb_hits;
  TreeEntry* const last = TrPnt[2] - 1;

  if (inEGTB && MoveInfo[1] > 0) {
    // 10. A won tablebase position is played without search.
    Sort(TrPnt[1], last);
    if (root->score > 0) {
      timeout = 1;
      ShowResults(root->score, nullptr, ' ');
    }
  }
  if (MoveInfo[1] == 0) {
    // 11. No legal move: stalemate or mate.
    timeout = 1;
    if (!Pondering()) {
      if (!InChk) {
        strcpy(DrawComment, "Stalemate");
        root->score = 0;
        root->flags = MF_DRAW_SCORE;
      } else {
        root->score = kMatedAtRoot;
      }
      mate = 1;
    }
  } else {
    // 12. The generation order, draws that need no search, the book. In a
    // tablebase position the legal moves carry their table scores, so the
    // sort puts the best of them first and the losing ones last.
    for (TreeEntry* p = TrPnt[1]; p < last; p++) Sort(p, last);
    const bool fifty = GameCnt - Game50 > 100, drawn = fifty || BareKings();
    if (drawn) timeout = 1;
    // Without a search the first move of the order is played, and it need
    // not be legal: the first legal one goes first.
    if (timeout) LegalMoveFirst(side);
    if (drawn && !Pondering()) {
      strcpy(DrawComment, fifty ? "draw by 50 moves rule" : "Insufficient material");
      root->score = 0;
      root->flags = MF_DRAW_SCORE;
    }
    BookMoveFound = 0;
    if (GameCnt < LastBookMove + 8 && !puzzling && !analyze) {
      if (!Pondering()) {
        if (OpeningBook()) {
          BookMoveFound = 1;
          timeout = 1;
          ShowResults(0, nullptr, ' ');
        }
      } else {
        int index = 0, weight = 0;
        if (RepFromBook(&index, &weight)) timeout = 1;
      }
    }
  }

  // 13. Iterations.
  Iterate(side, &rpt);

  // 14. The end of the call.
  LastScore = root->score;
  score = Tscore[0] = Tscore[1] = root->score;
  if (root->score < -12000 && MoveInfo[1] > 0) {
    root->flags |= MF_DRAW_SCORE;
    strcpy(DrawComment, "Stalemate");
  } else if (BareKings()) {
    strcpy(DrawComment, "Insufficient material");
    root->score = 0;
    root->flags |= MF_DRAW_SCORE;
    timeout = 1;
  }
  if (Pondering()) {
    if (GameCnt + 1 < kGameListSize) memset(&GameList[GameCnt + 1], 0, sizeof(GameEntry));
    return;
  }
  if (!BookMoveFound) hint = PrVar[2] & 0xffff;
  CheckElapsedTime(1);
  if (AbandonMove) {
    // The GUI took the move away (force, result, new or quit arrived): the
    // side to move stays to move, and its move is now expected as input.
    AbandonMove = 0;
    opponent = player = side;
    computer = xside;
    Sdepth = 0;
    return;
  }
  bool moved = false;
  if (root->score < -kMateNextMove || MoveInfo[1] == 0 || GameCnt >= kGameSize - 1) {
    algbr(0, 0, 0);
    if (GameCnt >= kGameSize - 1) mate = 1;
  } else {
    memcpy(lboard, board, sizeof lboard);
    memcpy(lcolor, color, sizeof lcolor);
    MakeMove(side, root);
    moved = true;
    ThreefoldRepetition(&rpt);
    if (rpt > 1 || (MaterialRemis() && NoMatePossible())) root->flags |= MF_DRAW_SCORE;
  }
  OutputMove();
  if (root->score == kMatedAtRoot || root->score == kMateNextMove) mate = 1;
  if (mate) hint = 0;
  if (moved) {
    GameEntry& g = GameList[GameCnt];
    g.score = static_cast<int16_t>(root->score);
    g.depth = static_cast<int16_t>(Sdepth);
    g.seconds = static_cast<int16_t>(ElapsedTime / 100);
    CorrectClock(side);
  }
  if (root->flags & MF_DRAW_SCORE) mate = 1;
  if (GameCnt < kGameSize - 1)
    memset(&GameList[GameCnt + 1], 0, sizeof(GameEntry));
  else
    mate = 1;
  player = xside;
  Sdepth = 0;
}
