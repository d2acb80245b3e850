// Game stage and the stage-dependent weights of the evaluation.
//
// The stage runs from 0 (all pieces) to 10 (few pieces) on the total piece
// material; stage2 is a second, faster scale for the endgame terms. Both and
// the weights are recomputed only when the material of either side changed
// since the last call (keyed on Zwmtl/Zbmtl), and the weights other than
// RemotePassed only when the stage or the openness of the pawn files changed.
#pragma once

#include <cstdint>

extern int32_t stage, stage2;  // 0 opening .. 10 few pieces, -1 after a new game
extern int16_t Zwmtl, Zbmtl;   // material when the weights were last computed
extern int16_t OpenFyles;      // files without pawns, counted up to 3
extern int16_t OpenPos;        // openness 2..5
extern int32_t RookEnding;     // a rook each, or two rooks each, and nothing else

extern int16_t PawnBonus, PAWNSHIELD;
extern int16_t KNIGHTPOST, KNIGHTSTRONG, BISHOPSTRONG;
extern int16_t BishopBonus, BishopPairBonus, RookBonus, RHOPNF;
extern int16_t KATAK, KSFTY, KCASTLD, KMOVD, KHOPN, KHOPNX;
extern int16_t RemotePassed;
extern int16_t ppmply, mmply, ymply;

// A digest of every weight above, renewed with them: evaluations made
// under equal digests used equal weights.
extern uint32_t WeightsKey;
// Recomputes stage, openness and weights when the material changed.
void UpdateWeights();
