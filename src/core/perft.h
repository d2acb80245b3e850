// Leaf counts of the legal move tree, to check generation and make/unmake.
#pragma once

#include <cstdint>

// Counts the leaves of all legal move sequences of depth plies from the
// current position, side to move first; moves are generated at ply on.
uint64_t Perft(int side, int ply, int depth);
