// Position indexes of the tablebase files.
//
// Every table file holds one byte per position; the index of a position is
// computed by one of 220 functions, a white-to-move and a black-to-move one
// per table, made from four templates by the kinds of the men. The index is
// dense: symmetric twins share an index, the kings take only the square pairs
// a legal position allows, and the men of the side to move skip the squares
// from which they would attack the other king by one step.
#pragma once

#include <cstdint>

using INDEX = uint32_t;

// Squares of one side: slot (kind - 1) * 3 + n holds the n-th man of a kind
// (1 pawn .. 5 queen), slot 15 the king. The first side is the one named
// first in the table name. sqEnP is the en-passant square or 127; fInvert is
// 1 when the colours were exchanged to find the table (the board is flipped).
using PfnIndCalc = INDEX (*)(const int* psqFirst, const int* psqSecond, int sqEnP, int fInvert);

constexpr int kTbCount = 111;  // table numbers 1..110; 0 ("kk") is unused

// One table: its material name, the preset number of positions per side to
// move (the byte length of an uncompressed file) and its index functions
// (slot 0 the first side to move, slot 1 the second).
struct TbTable {
  const char* name;
  uint32_t length[2];
  PfnIndCalc indcalc[2];
};

// The tables in table-number order: 1..5 the 3-man tables, 6..20 one man on
// each side, 21..35 two men against a bare king, 36..110 two men against one.
extern const TbTable rgTbTables[kTbCount];

// Builds the enumeration and offset tables; later calls do nothing.
void VInitEnumerations();

// Index counts of the offset tables, filled by VInitEnumerations: one man of
// a kind (0 = pawn square unrestricted, 1..5 pawn..queen) placed by the side
// to move beside every king pair, with a pawn on the board (king pairs of
// half the board) or without (king pairs of the a1-d1-d4 triangle); and the
// same for two men of kinds A >= B, indexed by A * 6 + B.
extern INDEX rgcSinglePawnPresent[6];
extern INDEX rgcSinglePawnless[6];
extern INDEX rgcPairPawnPresent[36];
extern INDEX rgcPairPawnless[36];
