#include "core/perft.h"

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/tables.h"

namespace {

constexpr uint64_t Bit(int sq) {
  return uint64_t{1} << sq;
}

// Mailbox steps of the eight lines out of a square: ranks and files first
// (a rook or queen attacks along them), then diagonals (bishop or queen).
constexpr int kLineStep[8] = {1, 10, -1, -10, 9, 11, -9, -11};

inline int Mailbox(int sq) {
  return 21 + (sq >> 3) * 10 + (sq & 7);
}

// What stands against the king of the side to move: the checking men, the
// squares a non-king move must reach to answer a single check (the checker
// and the squares between), and for each pinned man the line it may keep to.
struct KingWatch {
  int checkers = 0;
  uint64_t evasion = ~uint64_t{0};
  uint64_t pinned = 0;
  uint64_t pin_line[64];
};

void WatchKing(int side, int ksq, KingWatch& w) {
  const int xside = 1 - side;
  // Pawns and knights check from their squares; nothing stands between.
  const NextStep* nx = next[ptype[side][pawn]][ksq];
  for (int u = nx[ksq].nextdir; u != ksq; u = nx[u].nextdir)
    if (board[u] == pawn && color[u] == xside) w.checkers++, w.evasion = Bit(u);
  nx = next[knight][ksq];
  for (int u = nx[ksq].nextpos; u != ksq; u = nx[u].nextpos)
    if (board[u] == knight && color[u] == xside) w.checkers++, w.evasion = Bit(u);
  // Sliders: along each line the first man checks when it is an enemy
  // slider of the line's kind; an own first man is pinned when the next
  // man behind it is such a slider.
  for (int d = 0; d < 8; d++) {
    const int line_kind = d < 4 ? rook : bishop;
    uint64_t ray = 0;
    int own = -1;
    for (int m = Mailbox(ksq) + kLineStep[d]; nunmap[m] >= 0; m += kLineStep[d]) {
      const int u = nunmap[m];
      ray |= Bit(u);
      if (color[u] == neutral) continue;
      const bool slider = color[u] == xside && (board[u] == line_kind || board[u] == queen);
      if (color[u] == side) {
        if (own >= 0) break;
        own = u;
        continue;
      }
      if (slider) {
        if (own < 0) {
          w.checkers++;
          w.evasion = ray;
        } else {
          w.pinned |= Bit(own);
          w.pin_line[own] = ray;
        }
      }
      break;
    }
  }
  if (w.checkers > 1) w.evasion = 0;
}

// An en-passant capture empties two squares of one rank at once: it is
// tried on the board and the king tested.
bool EnPassantLegal(int side, int from, int ksq) {
  const int to = epsquare, taken = side == white ? to - 8 : to + 8;
  board[to] = pawn, color[to] = static_cast<int16_t>(side);
  board[from] = no_piece, color[from] = neutral;
  board[taken] = no_piece, color[taken] = neutral;
  const bool legal = !SqAtakd(ksq, 1 - side);
  board[taken] = pawn, color[taken] = static_cast<int16_t>(1 - side);
  board[from] = pawn, color[from] = static_cast<int16_t>(side);
  board[to] = no_piece, color[to] = neutral;
  return legal;
}

inline int PawnMoves(int to) {
  return Rank(to) == 0 || Rank(to) == 7 ? 4 : 1;
}

}  // namespace

int CountLegalMoves(int side) {
  ASSERT(side == white || side == black);
  const int xside = 1 - side;
  const int ksq = PieceList[side][0];
  KingWatch w;
  WatchKing(side, ksq, w);
  int count = 0;

  // 1. The king goes where the enemy does not attack once it has left its
  // square (a slider's line through the king square stays open).
  board[ksq] = no_piece, color[ksq] = neutral;
  const NextStep* kx = next[king][ksq];
  for (int u = kx[ksq].nextdir; u != ksq; u = kx[u].nextdir)
    if (color[u] != side && !SqAtakd(u, xside)) count++;
  board[ksq] = king, color[ksq] = static_cast<int16_t>(side);
  if (w.checkers > 1) return count;

  // 2. The other men, within the squares that answer a check and along
  // their pin lines.
  for (int i = PieceCnt[side]; i >= 1; i--) {
    const int o = PieceList[side][i];
    const int kind = board[o];
    const uint64_t allowed = w.pinned & Bit(o) ? w.evasion & w.pin_line[o] : w.evasion;
    if (allowed == 0) continue;
    const NextStep* nx = next[ptype[side][kind]][o];
    if (kind == pawn) {
      const int f = nx[o].nextpos;
      if (f != o && color[f] == neutral) {
        if (allowed & Bit(f)) count += PawnMoves(f);
        const int f2 = nx[f].nextpos;
        if (f2 != o && color[f2] == neutral && (allowed & Bit(f2))) count++;
      }
      for (int u = nx[o].nextdir; u != o; u = nx[u].nextdir)
        if (color[u] == xside && (allowed & Bit(u))) count += PawnMoves(u);
      continue;
    }
    int u = nx[o].nextpos;
    while (u != o) {
      if (color[u] == neutral) {
        if (allowed & Bit(u)) count++;
        u = nx[u].nextpos;
      } else {
        if (color[u] == xside && (allowed & Bit(u))) count++;
        u = nx[u].nextdir;
      }
    }
  }

  // 3. Castling: the generator's test already refuses castling out of,
  // through or into check.
  if (castld[side] == 0 && ksq == kingP[side] && w.checkers == 0)
    for (int to : {ksq + 2, ksq - 2})
      if (castle(side, ShortMove(ksq, to), 0)) count++;

  // 4. En passant, tried on the board.
  if (epsquare != 0)
    for (int from : {epmove1[epsquare], epmove2[epsquare]})
      if (board[from] == pawn && color[from] == side && EnPassantLegal(side, from, ksq)) count++;
  return count;
}

uint64_t Perft(int side, int ply, int depth) {
  if (depth <= 0) return 1;
  if (depth == 1) return static_cast<uint64_t>(CountLegalMoves(side));
  MoveList(side, ply);
  uint64_t nodes = 0;
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++) {
    MakeMove(side, e);
    // Legal when the mover's king is not left attacked.
    if (!SqAtakd(PieceList[side][0], 1 - side)) nodes += Perft(1 - side, ply + 1, depth - 1);
    UnmakeMove(side, e);
  }
  return nodes;
}

uint64_t PerftByMaking(int side, int ply, int depth) {
  if (depth <= 0) return 1;
  MoveList(side, ply);
  uint64_t nodes = 0;
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++) {
    MakeMove(side, e);
    if (!SqAtakd(PieceList[side][0], 1 - side))
      nodes += depth == 1 ? 1 : PerftByMaking(1 - side, ply + 1, depth - 1);
    UnmakeMove(side, e);
  }
  return nodes;
}
