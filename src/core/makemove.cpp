#include "core/makemove.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/board.h"
#include "core/movegen.h"
#include "core/tables.h"

uint32_t MOVE = 0;

namespace {

inline void XorCodes(int side, int kind, int sq) {
  hashkey ^= hashcode[side][kind][sq].key;
  hashbd ^= hashcode[side][kind][sq].bd;
}

inline void XorEnPassant() {
  hashkey ^= hashcode[0][0][epsquare].key;
  hashbd ^= hashcode[0][0][epsquare].bd;
}

// Takes the man on sq out of side's list: the last slot fills the gap.
inline void RemoveFromList(int side, int sq) {
  const int slot = Pindex[sq];
  const int moved = PieceList[side][PieceCnt[side]];
  PieceList[side][slot] = static_cast<int16_t>(moved);
  Pindex[moved] = static_cast<int16_t>(slot);
  PieceCnt[side]--;
}

inline void MovePawnCount(int side, int from_file, int to_file) {
  PawnCnt[side][from_file]--;
  PawnCnt[side][to_file]++;
}

// Debug builds check the position after every make and unmake and name
// the broken invariant.
void CheckPosition() {
#ifndef NDEBUG
  const char* why = nullptr;
  if (!PositionIsConsistent(&why)) {
    fprintf(stderr, "position check failed after move %d: %s\n", GameCnt, why);
    abort();
  }
#endif
}

}  // namespace

void MakeMove(int side, TreeEntry* entry) {
  ASSERT(side == white || side == black);
  ASSERT(GameCnt + 1 < kGameListSize);
  const int from = entry->from, to = entry->to;
  const uint16_t flags = entry->flags;
  const int xside = 1 - side;

  // 1. Undo record.
  GameCnt++;
  MOVE = MoveWord(*entry);
  GameEntry& g = GameList[GameCnt];
  g.move = MOVE;
  g.hashbd = hashbd;
  g.hashkey = hashkey;
  g.game50 = Game50;
  g.epsq = epsquare;

  // 2. The old en-passant square goes.
  if (epsquare) {
    XorEnPassant();
    epsquare = 0;
  }

  // 3. Castling moves king and rook together.
  if (flags & MF_CASTLE) {
    g.captured = 0;
    g.captured_color = static_cast<uint8_t>(side);
    castle(side, static_cast<uint16_t>(MOVE & 0xffff), 1);
    Game50 = GameCnt;
    CheckPosition();
    return;
  }

  // 4. What stands on the to-square.
  const int victim = board[to];
  g.captured = static_cast<int16_t>(victim);
  g.captured_color = static_cast<uint8_t>(color[to]);

  if (color[to] == neutral) {
    // 5. Quiet move: pawn moves are irreversible and may open en passant.
    if (board[from] == pawn) {
      Game50 = GameCnt;
      auto enemy_pawn = [xside](int sq) { return board[sq] == pawn && color[sq] == xside; };
      if (to - from == 16) {
        if ((to <= 30 && enemy_pawn(to + 1)) || (to > 24 && enemy_pawn(to - 1)))
          epsquare = static_cast<uint8_t>(from + 8);
      } else if (from - to == 16) {
        if ((to <= 38 && enemy_pawn(to + 1)) || (to > 32 && enemy_pawn(to - 1)))
          epsquare = static_cast<uint8_t>(from - 8);
      }
      if (epsquare) {
        XorEnPassant();
      } else if (flags & MF_EP) {
        EnPassant(xside, from, to, 1);
        MovePawnCount(side, File(from), File(to));
      }
    }
  } else {
    // 6. Capture.
    ASSERT(victim != king);
    Game50 = GameCnt;
    RemoveFromList(xside, to);
    if (victim == pawn) {
      PawnCnt[xside][File(to)]--;
      pmtl[xside] = static_cast<int16_t>(pmtl[xside] - 100);
      mtl[xside] = static_cast<int16_t>(mtl[xside] - 100);
    } else {
      emtl[xside] = static_cast<int16_t>(emtl[xside] - value[victim]);
      mtl[xside] = static_cast<int16_t>(mtl[xside] - value[victim]);
      if (emtl[xside] == 0 && emtl[side] == 0) entry->flags |= MF_BARE;
    }
    XorCodes(xside, victim, to);
    if (board[from] == pawn) MovePawnCount(side, File(from), File(to));
    Mvboard[to]++;
  }

  // 7. The man moves.
  board[to] = board[from];
  color[to] = color[from];
  Pindex[to] = Pindex[from];
  board[from] = no_piece;
  color[from] = neutral;
  PieceList[side][Pindex[to]] = static_cast<int16_t>(to);

  // 8. Promotion.
  if (flags & MF_PROMOTE) {
    const int p = flags & MF_PROMO_PIECE;
    board[to] = static_cast<int16_t>(p);
    PawnCnt[side][File(to)]--;
    emtl[side] = static_cast<int16_t>(emtl[side] + value[p]);
    mtl[side] = static_cast<int16_t>(mtl[side] + value[p] - 100);
    pmtl[side] = static_cast<int16_t>(pmtl[side] - 100);
    XorCodes(side, pawn, from);
    XorCodes(side, p, from);
  }

  // 9. Move counter and the mover's hash codes.
  Mvboard[from]++;
  XorCodes(side, board[to], from);
  XorCodes(side, board[to], to);
  CheckPosition();
}

void UnmakeMove(int side, TreeEntry* entry) {
  ASSERT(side == white || side == black);
  ASSERT(GameCnt >= 1);
  const int from = entry->from, to = entry->to;
  const uint16_t flags = entry->flags;
  const int xside = 1 - side;
  const GameEntry& g = GameList[GameCnt];
  GameCnt--;

  if (flags & MF_CASTLE) {
    castle(side, ShortMove(from, to), 2);
  } else {
    color[from] = color[to];
    board[from] = board[to];
    Pindex[from] = Pindex[to];
    PieceList[side][Pindex[from]] = static_cast<int16_t>(from);
    color[to] = g.captured_color;
    board[to] = g.captured;
    if (flags & MF_PROMOTE) {
      const int p = flags & MF_PROMO_PIECE;
      board[from] = pawn;
      pmtl[side] = static_cast<int16_t>(pmtl[side] + 100);
      PawnCnt[side][File(to)]++;
      mtl[side] = static_cast<int16_t>(mtl[side] + 100 - value[p]);
      emtl[side] = static_cast<int16_t>(emtl[side] - value[p]);
    }
    if (g.captured_color != neutral) {
      const int slot = ++PieceCnt[xside];
      PieceList[xside][slot] = static_cast<int16_t>(to);
      Pindex[to] = static_cast<int16_t>(slot);
      if (g.captured == pawn) {
        pmtl[xside] = static_cast<int16_t>(pmtl[xside] + 100);
        PawnCnt[xside][File(to)]++;
      } else {
        emtl[xside] = static_cast<int16_t>(emtl[xside] + value[g.captured]);
      }
      if (board[from] == pawn) MovePawnCount(side, File(to), File(from));
      mtl[xside] = static_cast<int16_t>(mtl[xside] + value[g.captured]);
      Mvboard[to]--;
    } else if (flags & MF_EP) {
      EnPassant(xside, from, to, 2);
      MovePawnCount(side, File(to), File(from));
    }
    Mvboard[from]--;
  }

  epsquare = g.epsq;
  hashbd = g.hashbd;
  hashkey = g.hashkey;
  Game50 = g.game50;
  CheckPosition();
}

void ThreefoldRepetition(int* count) {
  *count = 0;
  if (GameCnt <= Game50 + 2) return;
  for (int i = GameCnt - 1; i >= Game50 && i >= 1; i -= 2) {
    if (GameList[i].hashbd == hashbd && GameList[i].hashkey == hashkey) {
      if (++*count > 1) {
        strcpy(DrawComment, "Draw by repetition");
        break;
      }
    }
  }
}

int PositionIsConsistent(const char** why) {
  auto fail = [why](const char* text) {
    if (why) *why = text;
    return 0;
  };
  int16_t count[2] = {-1, -1};
  int16_t pawns[2][8] = {};
  int m[2] = {0, 0}, pm[2] = {0, 0};
  uint32_t key = 0, bd = 0;
  for (int sq = 0; sq < 64; sq++) {
    const int c = color[sq], k = board[sq];
    if (c == neutral) {
      if (k != no_piece) return fail("an empty square holds a piece kind");
      continue;
    }
    if (c != white && c != black) return fail("a square holds an unknown colour");
    if (k < pawn || k > king) return fail("a man has an unknown kind");
    count[c]++;
    m[c] += value[k];
    if (k == pawn) {
      pm[c] += 100;
      pawns[c][File(sq)]++;
      if (Rank(sq) == 0 || Rank(sq) == 7) return fail("a pawn stands on the first or last rank");
    }
    if (k == king && Pindex[sq] != 0) return fail("a king is not in slot 0");
    if (Pindex[sq] < 0 || Pindex[sq] > 15 || PieceList[c][Pindex[sq]] != sq)
      return fail("PieceList and Pindex disagree");
    key ^= hashcode[c][k][sq].key;
    bd ^= hashcode[c][k][sq].bd;
  }
  for (int s = 0; s < 2; s++) {
    if (PieceList[s][0] < 0 || board[PieceList[s][0]] != king || color[PieceList[s][0]] != s)
      return fail("slot 0 does not hold the king");
    if (count[s] != PieceCnt[s]) return fail("PieceCnt does not match the board");
    if (m[s] != mtl[s]) return fail("mtl does not match the board");
    if (pm[s] != pmtl[s]) return fail("pmtl does not match the board");
    if (emtl[s] != mtl[s] - pmtl[s] - value[king]) return fail("emtl does not match mtl and pmtl");
    if (memcmp(pawns[s], PawnCnt[s], sizeof pawns[s]) != 0)
      return fail("PawnCnt does not match the board");
  }
  if (epsquare) {
    key ^= hashcode[0][0][epsquare].key;
    bd ^= hashcode[0][0][epsquare].bd;
  }
  // A null move of the search (a record with move 0) clears epsquare but
  // leaves the hash words as they were: the square it cleared still counts.
  for (int i = 1; i <= GameCnt && i < kGameListSize; i++) {
    const GameEntry& g = GameList[i];
    if (g.move == 0 && g.epsq != 0) {
      key ^= hashcode[0][0][g.epsq].key;
      bd ^= hashcode[0][0][g.epsq].bd;
    }
  }
  if (key != hashkey || bd != hashbd) return fail("hash words do not match the board");
  return 1;
}
