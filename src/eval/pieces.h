// Piece terms: knights, bishops, rooks and queens of c1, each ending with the
// test for being attacked.
#pragma once

#include <cstdint>

int16_t ScoreKnight(int sq);
int16_t ScoreBishop(int sq);
int16_t ScoreRook(int sq);
int16_t ScoreQueen(int sq);
// 1 when the piece of kind on sq (side c1) has no safe move.
int PieceTrapped(int sq, int kind);
