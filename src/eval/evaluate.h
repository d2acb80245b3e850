// The evaluation driver: how much work a node gets (exact endgame knowledge,
// a tablebase probe, a lazy material estimate, a cached value or the full
// evaluation), the sum of the pawn, king and piece terms, the scaling of
// drawish endgames and the draws by insufficient material.
//
// Scores are centipawns for the side to move. The per-evaluation work state
// below is set by ScorePosition before the terms run and read by them.
#pragma once

#include <cstdint>

#include "core/vorna.h"
#include "eval/examine.h"
#include "eval/weights.h"

// Attack words of both sides, filled by ataks.
extern int16_t atak[2][64];

// Work state of one evaluation.
extern int16_t wking, bking;     // king squares
extern int16_t c1, c2;           // side being scored and its opponent
extern int16_t EnemyKing;        // king of c2 while c1's pieces are scored
extern int16_t* atk1;            // atak[c1]
extern int16_t* atk2;            // atak[c2]
extern int16_t* PC1;             // PawnCnt[c1]
extern int16_t* PC2;             // PawnCnt[c2]
extern int8_t* PP1;              // passed_fl[c1]
extern int8_t passed_fl[2][8];   // square of the last passed pawn per file; 64 = none
extern int16_t CentStr[2];       // strong pawn centre
extern int16_t Color_Bishop[2];  // 1 bishop on a light square, 2 on a dark one
extern int16_t Developed[2];     // minor-piece home squares left per side
extern int16_t WfieldBoard[64];  // weakness value per square
extern int16_t Wfield_Cnt[2];    // weakness per square colour
extern int16_t Rook_Precious[2];

// Results handed to the search.
extern int16_t HungVar[2];       // hanging or pinned men per side
extern int16_t KID[2];           // king-danger signs per side
extern int16_t NoBreathHole[2];  // the king has no free square off its rank
extern int16_t InChk;            // side to move in check (number of checkers)
extern int32_t Terminate;        // the score is an exact endgame result
extern int32_t slk;              // a bare-king position is being evaluated
extern int16_t KingRisk[2], BaseRisk[2];
extern const int16_t* KingRiskPtr[2];  // king danger per side the search reads, or a constant 0
extern int16_t WeakFields[64];         // weak squares at the root

// Scoring operation per piece kind (none for empty squares and pawns).
extern int16_t (*const ScorePiece[7])(int sq);

// Bare-king tables, a1 = 0.
extern const int32_t DyingKing[64];
extern const int32_t DriveToWhiteCorner[64];
extern const int32_t DriveToBlackCorner[64];

// Full evaluations are reused when their position comes back within a
// search; ExaminePosition forgets them, as the root tables change.
void ForgetEvaluations();
// Test hook: evaluate again where a known evaluation would be reused, and
// count the comparisons and the times the two differed.
extern bool EvalCheckKnown;
extern int32_t EvalKnownCompared, EvalKnownMismatches;

// The evaluation's part of a new game: development, stages and the records
// the weights are keyed on.
void NewGameEval();
// Score of the position for side (to move) at ply, window alpha..beta.
int32_t evaluate(int side, int xside, int ply, int32_t alpha, int32_t beta);
// Makes side the side being scored: c1, c2 and the pointers the terms read.
void ScoreFor(int side);
// Empties the records the terms fill (weak squares, passed pawns ...).
void ClearTermRecords();
// Full static evaluation for side.
void ScorePosition(int side, int32_t* result);
// 1 (and DrawComment set) when neither side has the material to win.
int MaterialRemis();
// Margin of the lazy material estimate in quiescence at ply.
int QuiescenceMargin(int ply);
