// Move ordering learned by the search: killers per ply, the history of
// quiet moves that were best, and the refutation of each last move. The
// generator scores a list by what the position shows; OrderMoves adds these
// bonuses before the list is searched. All tables are cleared at the start
// of every search.
#pragma once

#include <cstdint>

#include "core/vorna.h"

struct RefEntry {
  uint16_t move;  // short move that refuted the previous move
  int16_t bonus;
};

extern uint8_t HisTab[1024];   // history: [(side*8 + kind) * 64 + to]
extern RefEntry RefTab[1024];  // refutations: [(side*8 + kind) * 64 + to of the last move]

// Killers per ply, short moves: killr0 mate killer, killr1/killr2 the two
// latest cut-off moves (killr1 newest), killr3 the last best move that did
// not cut off.
extern uint16_t killr0[kMaxPly], killr1[kMaxPly], killr2[kMaxPly], killr3[kMaxPly];

// Empties the killers, the history and the refutations.
void ClearOrdering();
// Adds the killer, refutation and history bonuses to the list MoveList has
// just generated for side at ply; hash_move (or else the mate killer) counts
// most.
void OrderMoves(int side, int ply, uint16_t hash_move);
// Records a quiet best move of side at ply: its refutation of the last move,
// its history (weighted by depth, less in deep iterations) and the killers.
void RecordBestMove(int side, int ply, int depth, int sdepth, const TreeEntry& best_entry,
                    int32_t best, int32_t beta);
// Killers of a node whose best move was quiet.
void UpdateKillers(int ply, uint16_t move, int32_t best, int32_t beta);
// After an iteration: older history counts less.
void AgeHistory();
