// Leaf counts of the legal move tree, to check generation and make/unmake.
//
// Perft makes every move down to the last ply but one and there counts the
// legal moves without making them (CountLegalMoves, from the checks and pins
// on the king); PerftByMaking makes every move down to the leaves and tests
// the king after each, the slow way that the counter is checked against.
#pragma once

#include <cstdint>

// Counts the leaves of all legal move sequences of depth plies from the
// current position, side to move first; moves are generated at ply on.
uint64_t Perft(int side, int ply, int depth);
// The same count, every move made and the king tested after it.
uint64_t PerftByMaking(int side, int ply, int depth);
// Number of legal moves of side, found from the position alone: the
// checking men and the pinned men of side decide which of its pseudo-legal
// moves stand (each promotion counts four times, as it is generated).
int CountLegalMoves(int side);
