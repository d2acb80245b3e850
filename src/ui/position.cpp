#include "ui/position.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/vorna.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "ui/command.h"
#include "ui/display.h"
#include "ui/gamefile.h"

namespace {

constexpr char kLetters[2][8] = {" PNBRQK", " pnbrqk"};

// Corner squares and the castling letter that keeps each rook unmoved.
struct CastleRight {
  char letter;
  int side;
  int rook_sq;
};
constexpr CastleRight kCastleRights[4] = {
    {'K', white, 7}, {'Q', white, 0}, {'k', black, 63}, {'q', black, 56}};
constexpr int kKingHome[2] = {4, 60};
constexpr int16_t kMovedRook = 10;

// One blank-separated field of the text.
struct Field {
  const char* text;
  size_t len;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The next field after *p, advancing *p past it; empty at the end of the text.
Field NextField(const char** p) {
  const char* s = *p;
  while (*s != '\0' && IsBlank(*s)) s++;
  const char* start = s;
  while (*s != '\0' && !IsBlank(*s)) s++;
  *p = s;
  return Field{start, static_cast<size_t>(s - start)};
}

// A position read from a FEN, not yet applied.
struct Setup {
  int16_t board[64];
  int16_t color[64];
  int side;            // side to move
  bool may_castle[4];  // in the order of kCastleRights
  bool castled;        // '-': both sides count as having castled
  int ep_named;        // en-passant square that could follow a double step, 0 = none
  int ep;              // the same, when a pawn of the side to move can take there
};

// Placement, rank 8 down to rank 1. A '/' ends a rank (the rest of a short
// rank is empty), as does the end of the field for the last rank; a rank may
// not hold more than eight squares.
bool ReadPlacement(Field f, Setup* s) {
  for (int sq = 0; sq < 64; sq++) {
    s->board[sq] = no_piece;
    s->color[sq] = neutral;
  }
  int rank = 7;
  int file = 0;
  for (size_t i = 0; i < f.len; i++) {
    const char c = f.text[i];
    if (c == '/') {
      if (rank == 0) return false;
      rank--;
      file = 0;
      continue;
    }
    int run = 1;
    int kind = no_piece;
    int side = neutral;
    if (c >= '1' && c <= '8') {
      run = c - '0';
    } else {
      for (int sd = white; sd <= black && kind == no_piece; sd++)
        for (int k = pawn; k <= king; k++)
          if (kLetters[sd][k] == c) {
            kind = k;
            side = sd;
            break;
          }
      if (kind == no_piece) return false;
    }
    if (file + run > 8) return false;
    if (kind != no_piece) {
      s->board[rank * 8 + file] = static_cast<int16_t>(kind);
      s->color[rank * 8 + file] = static_cast<int16_t>(side);
    }
    file += run;
  }
  return rank == 0;
}

}  // namespace

bool BoardAttacks(const int16_t* b, const int16_t* c, int sq, int side) {
  const int rank = Rank(sq);
  const int file = File(sq);
  auto holds = [b, c, side](int r, int f, int kind) {
    if (r < 0 || r > 7 || f < 0 || f > 7) return false;
    return b[r * 8 + f] == kind && c[r * 8 + f] == side;
  };
  const int behind = side == white ? -1 : 1;  // a pawn attacks from one rank behind
  if (holds(rank + behind, file - 1, pawn) || holds(rank + behind, file + 1, pawn)) return true;
  constexpr int kKnight[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                 {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
  for (const auto& d : kKnight)
    if (holds(rank + d[0], file + d[1], knight)) return true;
  constexpr int kRays[8][2] = {{0, 1}, {1, 0},  {0, -1},  {-1, 0},
                               {1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
  for (int d = 0; d < 8; d++) {
    const int dr = kRays[d][0];
    const int df = kRays[d][1];
    const int slider = d < 4 ? rook : bishop;
    if (holds(rank + dr, file + df, king)) return true;
    for (int r = rank + dr, f = file + df; r >= 0 && r <= 7 && f >= 0 && f <= 7; r += dr, f += df) {
      const int q = r * 8 + f;
      if (b[q] == no_piece) continue;
      if (c[q] == side && (b[q] == slider || b[q] == queen)) return true;
      break;
    }
  }
  return false;
}

namespace {

// 1 when side attacks square sq on the scratch board.
bool Attacked(const Setup& s, int sq, int side) {
  return BoardAttacks(s.board, s.color, sq, side);
}

// A position the engine can hold and play: one king a side, at most sixteen
// men a side, no pawn on the first or last rank, kings apart, and the side
// that has just moved not left in check.
bool Playable(const Setup& s) {
  int kings[2] = {0, 0};
  int men[2] = {0, 0};
  int king_sq[2] = {-1, -1};
  for (int sq = 0; sq < 64; sq++) {
    if (s.color[sq] == neutral) continue;
    const int side = s.color[sq];
    men[side]++;
    if (s.board[sq] == king) {
      kings[side]++;
      king_sq[side] = sq;
    }
    if (s.board[sq] == pawn && (Rank(sq) == 0 || Rank(sq) == 7)) return false;
  }
  for (int side = white; side <= black; side++)
    if (kings[side] != 1 || men[side] > 16) return false;
  if (abs(Rank(king_sq[0]) - Rank(king_sq[1])) <= 1 &&
      abs(File(king_sq[0]) - File(king_sq[1])) <= 1)
    return false;
  return !Attacked(s, king_sq[1 - s.side], s.side);
}

// Castling letters: each keeps its rook unmoved, provided king and rook of
// that side stand on their home squares; '-' marks both sides as castled;
// other characters are ignored.
void ReadCastling(Field f, Setup* s) {
  s->castled = false;
  for (bool& right : s->may_castle) right = false;
  for (size_t i = 0; i < f.len; i++) {
    const char c = f.text[i];
    if (c == '-') s->castled = true;
    for (int r = 0; r < 4; r++) {
      const CastleRight& cr = kCastleRights[r];
      if (c != cr.letter) continue;
      const int home = kKingHome[cr.side];
      if (s->board[home] == king && s->color[home] == cr.side && s->board[cr.rook_sq] == rook &&
          s->color[cr.rook_sq] == cr.side)
        s->may_castle[r] = true;
    }
  }
}

// En-passant field: a square that could follow the opponent's double step
// (on the right rank, the pawn in front of it, it and the square behind
// empty) is named; it is kept when a pawn of the side to move stands beside
// the double-stepped pawn. Anything else counts as '-'.
void ReadEnPassant(Field f, Setup* s) {
  s->ep_named = s->ep = 0;
  if (f.len != 2 || f.text[0] < 'a' || f.text[0] > 'h' || f.text[1] < '1' || f.text[1] > '8')
    return;
  const int sq = (f.text[1] - '1') * 8 + (f.text[0] - 'a');
  const int xside = 1 - s->side;
  const int forward = s->side == white ? -8 : 8;  // towards the double-stepped pawn
  if (Rank(sq) != (s->side == white ? 5 : 2)) return;
  const int pawn_sq = sq + forward;
  const int origin = sq - forward;
  if (s->board[pawn_sq] != pawn || s->color[pawn_sq] != xside) return;
  if (s->color[sq] != neutral || s->color[origin] != neutral) return;
  s->ep_named = sq;
  for (int df = -1; df <= 1; df += 2) {
    const int file = File(pawn_sq) + df;
    if (file < 0 || file > 7) continue;
    const int q = pawn_sq + df;
    if (s->board[q] == pawn && s->color[q] == s->side) s->ep = sq;
  }
}

void WriteSquare(int sq, char* out) {
  if (sq == 0) {
    strcpy(out, "-");
    return;
  }
  out[0] = static_cast<char>('a' + File(sq));
  out[1] = static_cast<char>('1' + Rank(sq));
  out[2] = '\0';
}

// The FEN of a set-up position as it starts its game: half-move count 0,
// move number 1.
void WriteSetupFen(const Setup& s, char* dst, size_t size) {
  char placement[72];
  char castling[5];
  char ep[3];
  WritePlacement(s.board, s.color, placement);
  char* p = castling;
  if (!s.castled)
    for (int r = 0; r < 4; r++)
      if (s.may_castle[r]) *p++ = kCastleRights[r].letter;
  if (p == castling) *p++ = '-';
  *p = '\0';
  WriteSquare(s.ep_named, ep);
  snprintf(dst, size, "%s %c %s %s 0 1", placement, s.side == white ? 'w' : 'b', castling, ep);
}

}  // namespace

void WritePlacement(const int16_t* b, const int16_t* c, char* out) {
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int sq = rank * 8 + file;
      if (c[sq] == neutral || b[sq] < pawn || b[sq] > king) {
        empty++;
        continue;
      }
      if (empty > 0) *out++ = static_cast<char>('0' + empty);
      empty = 0;
      *out++ = kLetters[c[sq] == black][b[sq]];
    }
    if (empty > 0) *out++ = static_cast<char>('0' + empty);
    if (rank > 0) *out++ = '/';
  }
  *out = '\0';
}

int FEN_to_pos(const char* text) {
  if (text == nullptr) return 1;
  Setup s;
  const char* p = text;
  if (!ReadPlacement(NextField(&p), &s)) return 1;
  const Field side = NextField(&p);
  if (side.len != 1) return 1;
  if (side.text[0] == 'w' || side.text[0] == 'W')
    s.side = white;
  else if (side.text[0] == 'b' || side.text[0] == 'B')
    s.side = black;
  else
    return 1;
  if (!Playable(s)) return 1;
  ReadCastling(NextField(&p), &s);
  ReadEnPassant(NextField(&p), &s);

  // The text is read in full (it may be FEN_string itself); now apply.
  char fen[kFenSize] = {};
  WriteSetupFen(s, fen, sizeof fen);

  memcpy(board, s.board, sizeof board);
  memcpy(color, s.color, sizeof color);
  memset(Mvboard, 0, sizeof Mvboard);
  for (int r = 0; r < 4; r++) Mvboard[kCastleRights[r].rook_sq] = s.may_castle[r] ? 0 : kMovedRook;
  castld[white] = castld[black] = s.castled ? 1 : 0;

  player = opponent = s.side;
  computer = 1 - s.side;

  // A new position starts a new record; with Black to move, entry 1 stands
  // for White's missing move.
  memset(GameList, 0, sizeof GameList);
  GameCnt = CntMoves = s.side == black ? 1 : 0;
  if (s.side == black) strcpy(GameList[1].san, " ...");
  Game50 = static_cast<int16_t>(CntMoves + 1);

  memcpy(FEN_string, fen, sizeof fen);
  InitializeStats();

  // InitializeStats clears the en-passant square; set it as a double step would.
  if (s.ep != 0) {
    epsquare = static_cast<uint8_t>(s.ep);
    hashkey ^= hashcode[0][0][s.ep].key;
    hashbd ^= hashcode[0][0][s.ep].bd;
  }
  return 0;
}

void pos_to_FEN(char* dst, size_t size) {
  if (dst == nullptr || size == 0) return;
  char placement[72];
  char castling[5];
  char ep[3];
  WritePlacement(board, color, placement);
  char* p = castling;
  if (!(castld[white] && castld[black])) {
    for (int side = white; side <= black; side++) {
      if (Mvboard[kKingHome[side]] != 0 || castld[side] != 0) continue;
      for (int r = 0; r < 4; r++)
        if (kCastleRights[r].side == side && Mvboard[kCastleRights[r].rook_sq] == 0)
          *p++ = kCastleRights[r].letter;
    }
  }
  if (p == castling) *p++ = '-';
  *p = '\0';
  WriteSquare(epsquare, ep);
  snprintf(dst, size, "%s %c %s %s %d %d", placement, player == black ? 'b' : 'w', castling, ep,
           GameCnt + 1 - Game50, GameCnt / 2 + 1);
}

void pos_to_FEN(char* dst) {
  pos_to_FEN(dst, kFenSize);
}
