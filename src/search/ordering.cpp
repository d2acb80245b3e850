#include "search/ordering.h"

#include <cstring>

#include "core/board.h"
#include "search/stats.h"

uint8_t HisTab[1024];
RefEntry RefTab[1024];
uint16_t killr0[kMaxPly], killr1[kMaxPly], killr2[kMaxPly], killr3[kMaxPly];

void ClearOrdering() {
  memset(HisTab, 0, sizeof HisTab);
  memset(RefTab, 0, sizeof RefTab);
  memset(killr0, 0, sizeof killr0);
  memset(killr1, 0, sizeof killr1);
  memset(killr2, 0, sizeof killr2);
  memset(killr3, 0, sizeof killr3);
}

void OrderMoves(int side, int ply, uint16_t hash_move) {
  ASSERT(side == white || side == black);
  ASSERT(ply >= 1 && ply < kMaxPly - 1);
  const uint16_t first = hash_move ? hash_move : killr0[ply];
  const uint16_t older = ply >= 3 ? killr1[ply - 2] : 0;
  const uint32_t last = GameList[GameCnt].move;
  const RefEntry& ref = RefTab[(side * 8 + board[MoveFrom(last)]) * 64 + MoveTo(last)];
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++) {
    const uint16_t sm = ShortMove(e->from, e->to);
    // 1. Hash move or mate killer, then the killers of this ply and of the
    // ply two above.
    if (sm == first)
      e->score += 2000;
    else if (sm == killr1[ply])
      e->score += 60;
    else if (sm == killr2[ply])
      e->score += 50;
    else if (sm == killr3[ply])
      e->score += 40;
    else if (sm == older)
      e->score += 30;
    // 2. Quiet moves below the root: the refutation of the last move and
    // the history.
    if (color[e->to] == neutral && !(e->flags & MF_CAPTURE) && ply > 1) {
      if (sm == ref.move) e->score += 4 + ref.bonus;
      e->score += HisTab[(side * 8 + board[e->from]) * 64 + e->to];
    }
  }
}

void UpdateKillers(int ply, uint16_t move, int32_t best, int32_t beta) {
  if (best < beta) {
    killr3[ply] = move;
  } else if (move != killr1[ply]) {
    killr2[ply] = killr1[ply];
    killr1[ply] = move;
  }
  killr0[ply] = best >= 9000 ? move : 0;
}

void RecordBestMove(int side, int ply, int depth, int sdepth, const TreeEntry& best_entry,
                    int32_t best, int32_t beta) {
  const uint16_t best_short = ShortMove(best_entry.from, best_entry.to);
  const uint32_t last = GameList[GameCnt].move;
  if (last != 0) {
    RefEntry& ref = RefTab[(side * 8 + board[MoveFrom(last)]) * 64 + MoveTo(last)];
    if (ref.bonus < depth) {
      ref.move = best_short;
      ref.bonus = static_cast<int16_t>(depth);
    }
  }
  const int kind = board[best_entry.from];
  if (sdepth >= 0 && sdepth < 31) {
    uint8_t& h = HisTab[(side * 8 + kind) * 64 + best_entry.to];
    h = static_cast<uint8_t>(h + ((depth << 5) >> sdepth));
    Count(kStHistoryUpdates);
    if (((depth << 5) >> sdepth) == 0) Count(kStHistoryZero);
  }
  UpdateKillers(ply, best_short, best, beta);
}

void AgeHistory() {
  for (auto& h : HisTab) h >>= 2;
}
