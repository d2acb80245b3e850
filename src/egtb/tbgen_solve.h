// Tablebase generation by retrograde analysis.
//
// A table is solved in a numbering of its own: a node is a king pair (the
// first side's king on files a-d with pawns, in the a1-d1-d4 triangle
// without) times one digit per man (48 pawn squares, 64 piece squares), one
// array per side to move. Symmetric twins share a node; placements that are
// not the chosen representative, or not legal, are dead nodes. Positions
// just after a double step beside an enemy pawn (en passant possible) are
// extra nodes after the ordinary ones. Captures and promotions leave the
// table: their values come from the smaller tables' files through their
// index functions. The solved values are then written into the file layout
// of the index functions, one signed byte per index.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

constexpr int kTbgMaxMen = 5;

// One man of a table: side 0 (first side, moves up the board) or 1; kind 1
// pawn .. 5 queen, 6 king.
struct TbgMan {
  int side;
  int kind;
};

// The men of a table and the numbering of its nodes.
struct TbgLayout {
  int iTb = 0;
  const char* name = nullptr;
  int cMen = 0;  // the two kings are men 0 and 1
  TbgMan men[kTbgMaxMen] = {};
  bool fPawns = false;      // left-right symmetry only
  bool fEnPassant = false;  // both sides have pawns
  int cPairs = 0;
  int16_t pairOf[64][64] = {};  // king pair number or -1
  uint8_t pairSq[1806][2] = {};
  uint32_t radix[kTbgMaxMen] = {};
  uint32_t cPlacements = 1;  // product of the men's radixes
  uint32_t cNodes = 0;       // ordinary nodes per side to move
  // Per side to move, the sorted keys (board node << 6 | en-passant square) of
  // the en-passant nodes, numbered from cNodes on.
  std::vector<uint64_t> epKeys[2];
};

// A placement: square per man (-1 for a man just captured) and the
// en-passant square or -1.
struct TbgPos {
  int sq[kTbgMaxMen];
  int ep;
};

// A move of man `man` to `to`; victim is the captured man or -1, promo the
// new kind or 0.
struct TbgMove {
  int man, to, victim, promo;
};

// Per side to move: legal positions (up to symmetry) by outcome and the
// longest win and loss in moves.
struct TbgSideStats {
  uint64_t won = 0, drawn = 0, lost = 0;
  int longestWin = 0, longestLoss = 0;
};

struct TbgStats {
  TbgSideStats side[2];
  uint64_t epPositions = 0;  // just after a double step beside an enemy pawn
  uint64_t epDiffer = 0;     // of those, valued unlike the same board without it
  uint64_t checked = 0;      // positions checked against their successors
  uint64_t failures = 0;     // of those, inconsistent ones
};

// 1. Layout: men, king pairs, radixes and the en-passant nodes of table iTb.
bool TbgLayoutInit(TbgLayout* l, int iTb);
uint32_t TbgNodeCount(const TbgLayout& l, int side);

// 2. Numbering: the node of a legal position with `side` to move, and back.
// Decode returns false for dead nodes.
uint32_t TbgEncode(const TbgLayout& l, int side, const TbgPos& p);
bool TbgDecode(const TbgLayout& l, int side, uint32_t node, TbgPos* p);

// 3. Moves: legal moves of `side` in p and the position after one; the
// positions before a move of the side not to move that stays in the table.
bool TbgInCheck(const TbgLayout& l, const TbgPos& p, int side);
int TbgLegalMoves(const TbgLayout& l, const TbgPos& p, int side, TbgMove* moves);
TbgPos TbgMakeMove(const TbgLayout& l, const TbgPos& p, const TbgMove& m);
bool TbgIsConversion(const TbgMove& m);
int TbgUnmoves(const TbgLayout& l, const TbgPos& p, int side, TbgPos* preds);

// 4. Files: the directory that the tables are read from and written to;
// the tables one table's captures and promotions lead to; whether a table's
// files are present with the right lengths; dropping a table from memory.
void TbgSetDirectory(const char* dir);
std::vector<int> TbgDependencies(int iTb);
bool TbgFilesPresent(int iTb);
void TbgForget(int iTb);
// The stored byte for position p (table orientation) with `side` to move.
int TbgFileValue(const TbgLayout& l, const TbgPos& p, int side);

// 5. Solving: generates table iTb and writes its two files; returns false
// (with a message on log) when a file cannot be written or read.
bool TbgGenerate(int iTb, TbgStats* stats, FILE* log);

// 6. Checking: reads the files of iTb back and checks every legal
// position's value against the values of its successors.
bool TbgCheck(int iTb, TbgStats* stats, FILE* log);

// The position as text for messages, e.g. "Ke1 Qd1 / Ke8, w".
void TbgDescribe(const TbgLayout& l, const TbgPos& p, int side, char* out, int cb);
