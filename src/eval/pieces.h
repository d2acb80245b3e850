// Piece terms: knights, bishops, rooks and queens of c1, each ending with the
// test for being attacked.
//
// Knights and bishops start from the root tables; bishops and rooks walk
// their rays for mobility, squares next to the enemy king and x-ray pins
// (the first man met on a ray is a pin candidate, the second decides);
// rooks add files and the seventh rank, the queen closeness to the enemy
// king. An attacked piece asks PieceTrapped whether it has a safe square.
#pragma once

#include <cstdint>

extern const int16_t BMBLTY[14];  // per number of squares a bishop reaches
extern const int16_t RMBLTY[15];  // per number of squares a rook reaches

int16_t ScoreKnight(int sq);
int16_t ScoreBishop(int sq);
int16_t ScoreRook(int sq);
int16_t ScoreQueen(int sq);
// 1 when the piece of kind on sq (side c1) has no safe move.
int PieceTrapped(int sq, int kind);
