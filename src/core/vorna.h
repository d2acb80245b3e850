// Shared types and constants of the engine: squares, sides and pieces, the
// packing of moves, the entries of the search tree and of the game record,
// score units and the ASSERT macro used by debug builds.
#pragma once

#include <cassert>
#include <cstdint>

#ifdef NDEBUG
#define ASSERT(cond) ((void)0)
#else
#define ASSERT(cond) assert(cond)
#endif

// Sides, also the values stored in `color`.
constexpr int white = 0;
constexpr int black = 1;
constexpr int neutral = 2;

// Piece kinds, the values stored in `board`.
constexpr int no_piece = 0;
constexpr int pawn = 1;
constexpr int knight = 2;
constexpr int bishop = 3;
constexpr int rook = 4;
constexpr int queen = 5;
constexpr int king = 6;

// Move flags, bits 16-31 of a move word (here as the 16-bit flag field).
constexpr uint16_t MF_PROMO_PIECE = 0x0007;
constexpr uint16_t MF_PROMOTE = 0x0008;
constexpr uint16_t MF_CASTLE = 0x0010;
constexpr uint16_t MF_EP = 0x0020;
constexpr uint16_t MF_FINAL = 0x0040;
constexpr uint16_t MF_PAWN_THREAT = 0x0080;
constexpr uint16_t MF_CHECK = 0x0100;
constexpr uint16_t MF_CAPTURE = 0x0200;
constexpr uint16_t MF_DRAW_SCORE = 0x0400;
constexpr uint16_t MF_REPEAT = 0x1000;
constexpr uint16_t MF_BARE = 0x8000;

// Sizes of the fixed arrays.
constexpr int kMaxPly = 40;      // per-ply arrays of the search
constexpr int kTreeSize = 2304;  // entries of the move tree
constexpr int kGameSize = 640;   // half-moves a game may hold
constexpr int kGameSlack = 48;   // room for the search's records on top of a full game
constexpr int kGameListSize = kGameSize + kGameSlack;

// Scores in centipawns.
constexpr int32_t kInfinity = 12000;
constexpr int32_t kMateValue = 10000;
constexpr int32_t kMateBound = 8999;  // |score| above this is a mate score
// Mate scores at the root: the side to move is mated (-9999), or mates with
// the move it plays (9998); a mate one ply further away scores one less.
constexpr int32_t kMatedAtRoot = 1 - kMateValue;
constexpr int32_t kMateNextMove = kMateValue - 2;

inline int Rank(int sq) {
  return sq >> 3;
}
inline int File(int sq) {
  return sq & 7;
}

// Short move: (from << 8) | to.
inline uint16_t ShortMove(int from, int to) {
  return static_cast<uint16_t>((from << 8) | to);
}
// Squares and flags of a move word (or of a short move).
inline int MoveFrom(uint32_t move) {
  return static_cast<int>((move >> 8) & 0xff);
}
inline int MoveTo(uint32_t move) {
  return static_cast<int>(move & 0xff);
}
inline uint16_t MoveFlags(uint32_t move) {
  return static_cast<uint16_t>(move >> 16);
}

// One move of the search tree: the ordering (later searched) score and the
// move word, kept as to-square, from-square and flags.
struct TreeEntry {
  int32_t score;
  uint8_t to;
  uint8_t from;
  uint16_t flags;
};

// The 32-bit move word of an entry: to in bits 0-7, from in 8-15, flags above.
inline uint32_t MoveWord(const TreeEntry& e) {
  return static_cast<uint32_t>(e.to) | (static_cast<uint32_t>(e.from) << 8) |
         (static_cast<uint32_t>(e.flags) << 16);
}
inline void SetMoveWord(TreeEntry& e, uint32_t m) {
  e.to = static_cast<uint8_t>(m & 0xff);
  e.from = static_cast<uint8_t>((m >> 8) & 0xff);
  e.flags = static_cast<uint16_t>(m >> 16);
}

// One half-move of the game record, with what is needed to take it back.
struct GameEntry {
  uint32_t move;           // move word; flags include MF_CHECK
  int16_t score;           // search score reported for the move
  int16_t depth;           // depth of the iteration that chose it
  int16_t captured;        // piece kind taken (0 for none and for castling)
  int16_t game50;          // Game50 before the move
  uint8_t epsq;            // epsquare before the move
  uint8_t captured_color;  // colour of the to-square before the move
  int16_t seconds;         // thinking time in seconds
  uint32_t hashbd;         // hash words before the move
  uint32_t hashkey;
  char san[8];  // the move in standard algebraic notation
};

// A pair of hash codes: `key` selects table slots, `bd` verifies.
struct HashCode {
  uint32_t key;
  uint32_t bd;
};
