#include "core/movegen.h"

#include "core/board.h"
#include "core/makemove.h"
#include "core/movetables.h"
#include "core/tables.h"

TreeEntry* NextPnt = Tree;
int16_t TreeOverflow = 0;

// Centralisation of knights and bishops, for move ordering.
const int32_t pknight[64] = {-4, 0,  8,  10, 10, 8,  0,  -4, 4,  8,  16, 20, 20, 16, 8,  4,
                             8,  16, 24, 28, 28, 24, 16, 8,  10, 20, 28, 32, 32, 28, 20, 10,
                             10, 20, 28, 32, 32, 28, 20, 10, 8,  16, 24, 28, 28, 24, 16, 8,
                             4,  8,  16, 20, 20, 16, 8,  4,  -4, 0,  8,  10, 10, 8,  0,  -4};
const int32_t pbishop[64] = {14, 14, 14, 14, 14, 14, 14, 14, 14, 22, 18, 18, 18, 18, 22, 14,
                             14, 18, 22, 22, 22, 22, 18, 14, 14, 18, 22, 22, 22, 22, 18, 14,
                             14, 18, 22, 22, 22, 22, 18, 14, 14, 18, 22, 22, 22, 22, 18, 14,
                             14, 22, 18, 18, 18, 18, 22, 14, 14, 14, 14, 14, 14, 14, 14, 14};

namespace {

// Reserves n tree entries; false (and the overflow mark) when they do not fit.
bool Room(int n) {
  if (NextPnt + n <= Tree + kTreeSize) return true;
  TreeOverflow = 1;
  return false;
}

void Append(uint32_t move, uint16_t flags, int32_t score) {
  NextPnt->score = score;
  SetMoveWord(*NextPnt, (move & 0xffff) | (static_cast<uint32_t>(flags) << 16));
  NextPnt++;
}

bool IsEmpty(int sq) {
  return color[sq] == neutral;
}
bool IsPawn(int sq) {
  return board[sq] == pawn;
}

void AddCapture(int from, int to, uint16_t flags, int32_t score) {
  if (Room(1)) Append(ShortMove(from, to), flags, score);
}

void GenerateEnPassant(int side, int ply, int xside, bool scored) {
  if (epsquare == 0) return;
  for (int from : {epmove1[epsquare], epmove2[epsquare]}) {
    if (board[from] != pawn || color[from] != side) continue;
    const uint16_t flags = MF_CAPTURE | MF_EP;
    if (scored)
      AssignBonus(ply, ShortMove(from, epsquare), flags, xside);
    else
      AddCapture(from, epsquare, flags, 99);
  }
}

// Does a pawn advance to its sixth rank threaten to run on? Only while the
// defender is short of pieces, and not when both diagonals ahead hold pawns.
bool PawnRunThreat(int side, int to) {
  const int ahead = side == white ? 8 : -8;
  if (emtl[1 - side] > 1640 || !IsEmpty(to + ahead)) return false;
  const int left = to + ahead - 1, right = to + ahead + 1;
  const bool left_blocked = File(to) == 0 || IsPawn(left);
  const bool right_blocked = File(to) == 7 || IsPawn(right);
  return !(left_blocked && right_blocked);
}

}  // namespace

void AssignBonus(int ply, uint32_t move, uint16_t flags, int xside) {
  const int side = 1 - xside;
  const int from = (move >> 8) & 0xff, to = move & 0xff;
  const int kind = board[from];

  int32_t s = 0;
  if (color[to] != neutral) {
    // 1. Captures, recaptures worth most.
    s += 512;
    if (to == static_cast<int>(MOVE & 0xff)) s += 500;
    s += value[board[to]] - kind;
  } else {
    // 2. Quiet moves (en passant aside): a check bonus near the root.
    if (flags & MF_CAPTURE) s += 611;
    if (ply <= 2) {
      const int16_t saved_board = board[to], saved_color = color[to];
      board[to] = board[from], color[to] = color[from];
      board[from] = no_piece, color[from] = neutral;
      if (SqAtakd(PieceList[xside][0], side)) s += 32;
      board[from] = board[to], color[from] = color[to];
      board[to] = saved_board, color[to] = saved_color;
    }
  }

  // 3. Terms of the moving kind.
  switch (kind) {
    case knight:
      s += (pknight[to] - pknight[from]) / 2;
      break;
    case bishop:
      s += (pbishop[to] - pbishop[from]) / 2;
      break;
    case rook: {
      const int pt = PawnCnt[side][File(to)], pf = PawnCnt[side][File(from)];
      if (pt == 0 && pf > 0) s += 10;
      if (pt > 0 && pf == 0) s -= 10;
      break;
    }
    case pawn:
      switch (Rank(to)) {
        case 0:
        case 7:
          if (!Room(4)) return;
          Append(move, flags | MF_PROMOTE | queen, s - 19200);
          Append(move, flags | MF_PROMOTE | knight, s - 19400);
          Append(move, flags | MF_PROMOTE | rook, s - 19450);
          Append(move, flags | MF_PROMOTE | bishop, s + 500 - 20000);
          return;
        case 1:
        case 6:
          s += 600;
          flags |= MF_PAWN_THREAT;
          break;
        case 2:
          if (side == black && PawnRunThreat(side, to)) {
            s += 15;
            flags |= MF_PAWN_THREAT;
          }
          break;
        case 5:
          if (side == white && PawnRunThreat(side, to)) {
            s += 15;
            flags |= MF_PAWN_THREAT;
          }
          break;
        default:
          if (PawnCnt[side][File(to)] == 0 && PawnCnt[side][File(from)] > 1) s += 12;
          break;
      }
      break;
    default:
      break;
  }

  // 4. Append.
  if (Room(1)) Append(move, flags, s - 20000);
}

void MoveList(int side, int ply) {
  ASSERT(side == white || side == black);
  ASSERT(ply >= 1 && ply < kMaxPly - 1);
  const int xside = 1 - side;
  NextPnt = TrPnt[ply];

  for (int i = PieceCnt[side]; i >= 0; i--) {
    const int o = PieceList[side][i];
    const int kind = board[o];
    const NextStep* nx = next[ptype[side][kind]][o];
    if (kind != pawn) {
      int u = nx[o].nextpos;
      while (u != o) {
        if (IsEmpty(u)) {
          AssignBonus(ply, ShortMove(o, u), 0, xside);
          u = nx[u].nextpos;
        } else {
          if (color[u] == xside) AssignBonus(ply, ShortMove(o, u), MF_CAPTURE, xside);
          u = nx[u].nextdir;
        }
      }
    } else {
      const int f = nx[o].nextpos;
      if (f != o && IsEmpty(f)) {
        AssignBonus(ply, ShortMove(o, f), 0, xside);
        const int f2 = nx[f].nextpos;
        if (f2 != o && IsEmpty(f2)) AssignBonus(ply, ShortMove(o, f2), 0, xside);
      }
      const int c1 = nx[o].nextdir;
      if (c1 != o) {
        if (color[c1] == xside) AssignBonus(ply, ShortMove(o, c1), MF_CAPTURE, xside);
        const int c2 = nx[c1].nextdir;
        if (c2 != o && color[c2] == xside) AssignBonus(ply, ShortMove(o, c2), MF_CAPTURE, xside);
      }
    }
  }

  if (castld[side] == 0 && PieceList[side][0] == kingP[side]) {
    const int o = kingP[side];
    for (int to : {o + 2, o - 2}) {
      const uint16_t m = ShortMove(o, to);
      if (castle(side, m, 0)) AssignBonus(ply, m, MF_CASTLE, xside);
    }
  }
  GenerateEnPassant(side, ply, xside, true);
  TrPnt[ply + 1] = NextPnt;
}

namespace {

// Pawns about to promote: on the seventh rank captures and pushes that
// promote to a queen; on the sixth (near the horizon) captures and pushes
// that threaten to run.
void AddPawnAdvances(int o, const NextStep* nx, bool seventh, int xside) {
  const int p1 = nx[o].nextdir;
  const int p2 = p1 != o ? nx[p1].nextdir : o;
  for (int c : {p1, p2}) {
    if (c == o || color[c] != xside) continue;
    if (seventh)
      AddCapture(o, c, MF_CAPTURE | MF_PROMOTE | queen, value[queen]);
    else
      AddCapture(o, c, MF_CAPTURE | MF_PAWN_THREAT, value[board[c]] + 255);
  }
  const int f = nx[o].nextpos;
  if (f != o && IsEmpty(f)) {
    if (seventh)
      AddCapture(o, f, MF_PROMOTE | queen, value[queen]);
    else
      AddCapture(o, f, MF_PAWN_THREAT, 256);
  }
}

// A capture, tried for check when test is set; a checking capture is
// scored one higher.
void AddTestedCapture(int side, int from, int to, int kind, int ksq, bool test) {
  const int victim = board[to];
  if (test && GivesCheck(side, from, to, ksq))
    AddCapture(from, to, MF_CAPTURE | MF_CHECK, value[victim] + 1 - kind);
  else
    AddCapture(from, to, MF_CAPTURE, value[victim] - kind);
}

}  // namespace

void CaptureList(int side, int xside, int ply, int horizon) {
  ASSERT(side == white || side == black);
  ASSERT(ply >= 1 && ply < kMaxPly - 1);
  NextPnt = TrPnt[ply];
  for (int i = 0; i <= PieceCnt[side]; i++) {
    const int o = PieceList[side][i];
    const int k = board[o];
    const NextStep* nx = next[ptype[side][k]][o];
    if (sweep[k]) {
      int u = nx[o].nextpos;
      while (u != o) {
        if (IsEmpty(u)) {
          u = nx[u].nextpos;
        } else {
          if (color[u] == xside) AddCapture(o, u, MF_CAPTURE, value[board[u]] - k);
          u = nx[u].nextdir;
        }
      }
      continue;
    }
    const bool seventh = k == pawn && Rank(o) == rank7[side];
    const bool sixth = k == pawn && Rank(o) == rank6[side] && ply <= horizon + 1;
    if (seventh || sixth) {
      AddPawnAdvances(o, nx, seventh, xside);
      continue;
    }
    for (int u = nx[o].nextdir; u != o; u = nx[u].nextdir)
      if (color[u] == xside) AddCapture(o, u, MF_CAPTURE, value[board[u]] - k);
  }
  GenerateEnPassant(side, ply, xside, false);
  TrPnt[ply + 1] = NextPnt;
}

bool GivesCheck(int side, int from, int to, int ksq) {
  const int16_t saved_board = board[to], saved_color = color[to];
  board[to] = board[from], color[to] = color[from];
  board[from] = no_piece, color[from] = neutral;
  const bool check = SqAtakd(ksq, side) != 0;
  board[from] = board[to], color[from] = color[to];
  board[to] = saved_board, color[to] = saved_color;
  return check;
}

void CheckCaptureList(int side, int xside, int ply, int g, int horizon) {
  ASSERT(side == white || side == black);
  ASSERT(g == 1 || g == 2);
  ASSERT(ply >= 1 && ply < kMaxPly - 1);
  NextPnt = TrPnt[ply];
  const int ksq = PieceList[xside][0];
  for (int i = 0; i <= PieceCnt[side]; i++) {
    const int o = PieceList[side][i];
    const int k = board[o];
    const NextStep* nx = next[ptype[side][k]][o];
    if (sweep[k]) {
      // Sliders: every capture is tried for check; quiet checks to empty
      // squares (with g 1 only rooks and queens on the king's rank).
      const bool quiet = g == 2 || k == rook || k == queen;
      int u = nx[o].nextpos;
      while (u != o) {
        if (IsEmpty(u)) {
          if (quiet && (g == 2 || Rank(u) == Rank(ksq)) && GivesCheck(side, o, u, ksq))
            AddCapture(o, u, MF_CHECK, 1);
          u = nx[u].nextpos;
        } else {
          if (color[u] == xside) AddTestedCapture(side, o, u, k, ksq, true);
          u = nx[u].nextdir;
        }
      }
      continue;
    }
    const bool seventh = k == pawn && Rank(o) == rank7[side];
    const bool sixth = k == pawn && Rank(o) == rank6[side] && ply <= horizon + 1;
    if (seventh || sixth) {
      AddPawnAdvances(o, nx, seventh, xside);
      continue;
    }
    // Pawns, knights and the king: captures (tried for check only with
    // g 2), and with g 2 the knight's quiet checks.
    for (int u = nx[o].nextdir; u != o; u = nx[u].nextdir) {
      if (color[u] == xside)
        AddTestedCapture(side, o, u, k, ksq, g == 2);
      else if (IsEmpty(u) && g == 2 && k == knight && GivesCheck(side, o, u, ksq))
        AddCapture(o, u, MF_CHECK, 1);
    }
  }
  GenerateEnPassant(side, ply, xside, false);
  TrPnt[ply + 1] = NextPnt;
}

int SqAtakd(int sq, int side) {
  ASSERT(sq >= 0 && sq < 64);
  ASSERT(side == white || side == black);
  // 1. Pawns: the squares from which a pawn of side would take on sq.
  const NextStep* nx = next[ptype[1 - side][pawn]][sq];
  for (int u = nx[sq].nextdir; u != sq; u = nx[u].nextdir)
    if (board[u] == pawn && color[u] == side) return 1;
  // 2. King.
  const int ksq = PieceList[side][0];
  if (ksq >= 0 && distdata[ksq][sq] == 1) return 1;
  // 3. Diagonals and 4. lines.
  for (int type : {bishop, rook}) {
    nx = next[type][sq];
    int u = nx[sq].nextpos;
    while (u != sq) {
      if (IsEmpty(u)) {
        u = nx[u].nextpos;
      } else {
        if (color[u] == side && (board[u] == type || board[u] == queen)) return 1;
        u = nx[u].nextdir;
      }
    }
  }
  // 5. Knights.
  nx = next[knight][sq];
  for (int u = nx[sq].nextpos; u != sq; u = nx[u].nextpos)
    if (board[u] == knight && color[u] == side) return 1;
  return 0;
}

int castle(int side, uint16_t move, int mode) {
  const int o = move >> 8, k = move & 0xff;
  const bool h_side = k > o;
  const int r = h_side ? o + 3 : o - 4;
  const int d = h_side ? k - 1 : k + 1;
  const int xside = 1 - side;

  if (mode == 0) {
    if (board[o] != king || color[o] != side || board[r] != rook || color[r] != side) return 0;
    if (Mvboard[o] != 0 || Mvboard[r] != 0) return 0;
    if (!IsEmpty(k) || !IsEmpty(d) || !IsEmpty(k - 1)) return 0;
    if (SqAtakd(o, xside) || SqAtakd(k, xside) || SqAtakd(d, xside)) return 0;
    return 1;
  }

  const int from_k = mode == 1 ? o : k, to_k = mode == 1 ? k : o;
  const int from_r = mode == 1 ? r : d, to_r = mode == 1 ? d : r;
  if (mode == 1) {
    Mvboard[o]++, Mvboard[r]++;
    castld[side] = 1;
    const HashCode& k1 = hashcode[side][king][o];
    const HashCode& k2 = hashcode[side][king][k];
    const HashCode& r1 = hashcode[side][rook][r];
    const HashCode& r2 = hashcode[side][rook][d];
    hashkey ^= k1.key ^ k2.key ^ r1.key ^ r2.key;
    hashbd ^= k1.bd ^ k2.bd ^ r1.bd ^ r2.bd;
  } else {
    castld[side] = 0;
    Mvboard[o]--, Mvboard[r]--;
  }
  board[to_k] = king, color[to_k] = static_cast<int16_t>(side), Pindex[to_k] = 0;
  PieceList[side][0] = static_cast<int16_t>(to_k);
  board[to_r] = rook, color[to_r] = static_cast<int16_t>(side), Pindex[to_r] = Pindex[from_r];
  PieceList[side][Pindex[to_r]] = static_cast<int16_t>(to_r);
  board[from_k] = board[from_r] = no_piece;
  color[from_k] = color[from_r] = neutral;
  return 1;
}

void EnPassant(int xside, int from, int to, int mode) {
  const int sq = to > from ? to - 8 : to + 8;
  if (mode == 1) {
    const int slot = Pindex[sq];
    const int last = PieceCnt[xside];
    PieceList[xside][slot] = PieceList[xside][last];
    Pindex[PieceList[xside][slot]] = static_cast<int16_t>(slot);
    PieceCnt[xside]--;
    mtl[xside] = static_cast<int16_t>(mtl[xside] - 100);
    pmtl[xside] = static_cast<int16_t>(pmtl[xside] - 100);
    PawnCnt[xside][File(sq)]--;
    board[sq] = no_piece;
    color[sq] = neutral;
    hashkey ^= hashcode[xside][pawn][sq].key;
    hashbd ^= hashcode[xside][pawn][sq].bd;
  } else {
    const int slot = ++PieceCnt[xside];
    PieceList[xside][slot] = static_cast<int16_t>(sq);
    Pindex[sq] = static_cast<int16_t>(slot);
    mtl[xside] = static_cast<int16_t>(mtl[xside] + 100);
    pmtl[xside] = static_cast<int16_t>(pmtl[xside] + 100);
    PawnCnt[xside][File(sq)]++;
    board[sq] = pawn;
    color[sq] = static_cast<int16_t>(xside);
  }
}

void ataks(int side, int16_t* a) {
  for (int sq = 0; sq < 64; sq++) a[sq] = 0;
  for (int i = PieceCnt[side]; i >= 0; i--) {
    const int o = PieceList[side][i];
    const int kind = board[o];
    const int16_t code = control[kind];  // read once: a may alias the tables
    if (sweep[kind]) {
      const NextStep* nx = next[kind][o];
      int u = nx[o].nextpos;
      while (u != o) {
        a[u] = static_cast<int16_t>((a[u] + 1) | code);
        u = StepAfter(nx, u, !IsEmpty(u));
      }
    } else {
      // The nextdir chain laid out flat: no load waits for the one before.
      const StepSet& st = Steps[ptype[side][kind]][o];
      for (int k = 0; k < st.count; k++) {
        const int u = st.sq[k];
        a[u] = static_cast<int16_t>((a[u] + 1) | code);
      }
    }
  }
}
