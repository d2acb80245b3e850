// Pawn structure: one pawn scored at a time, with the passed-pawn, weak-square
// and rook-target records that the other terms read afterwards.
//
// A pawn is scored from its own side's point of view (c1): its square value
// from the root tables, bishop-colour and blockade corrections, isolated,
// backward and doubled pawns with the weak squares they leave in front,
// passed pawns (king distance, rooks, blockade, support, connection) and
// whether it hangs. The passed pawns of c1 scored so far are kept per file in
// passed_fl, so a pawn sees only its side's passed pawns scored before it.
#pragma once

#include <cstdint>

extern const int16_t ISOLANI[8];          // per file
extern const int16_t BACKWARD[16];        // per number of enemy attackers
extern const int16_t SafePassed[8];       // per rank from the pawn's side
extern const int16_t PassedBlocked[8];    // per rank from the pawn's side
extern const int32_t PassedConnected[8];  // per rank from the pawn's side
extern const int32_t PassedPawn0[8][8];   // [ranks to go][file from the pawn's right]
extern const int32_t PassedPawn1[8][8];   // the same when the opponent has pieces
extern const int32_t PassedPawn2[8][8];   // the same when the king catches it

// Score of the pawn on sq for its own side (c1); side is the side to move.
int16_t ScorePawn(int sq, int side);
