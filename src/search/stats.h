// Search statistics: counters kept per iteration of the current search, for
// judging move ordering, hashing, pruning and extensions. They exist only in
// builds configured with VORNA_STATS; elsewhere kStats is false and every
// Count() compiles to nothing, so the search runs exactly as without them.
//
// The driver names the iteration being searched; the search, the hash
// tables and the driver count events into that iteration's row. A
// StatsTable sums the rows of many searches by iteration depth (bench
// --stats) and prints them with the rates and branching factors.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/vorna.h"

#ifdef VORNA_STATS
inline constexpr bool kStats = true;
#else
inline constexpr bool kStats = false;
#endif

enum Stat : int {
  kStNodes,             // nodes entered (root and tree)
  kStQNodes,            // nodes searched as quiescent nodes
  kStCutoffs,           // full-width nodes cut off by a move
  kStFirstCutoffs,      // ... by the first move searched
  kStDeepCutoffs,       // full-width nodes of depth 2 or more cut off by a move
  kStDeepFirstCutoffs,  // ... by the first move searched
  kStCutHash,           // full-width cut-offs by the hash move
  kStCutCapture,        // ... by another capture or promotion
  kStCutKiller,         // ... by another killer
  kStCutQuiet,          // ... by another quiet move
  kStHistoryUpdates,    // history bonuses given to quiet best moves
  kStHistoryZero,       // ... that were 0 (depth too small for the iteration)
  kStQCutoffs,          // quiescent nodes cut off by a move (stand pat aside)
  kStQFirstCutoffs,     // ... by the first move searched
  kStHashMoveNodes,     // full-width nodes searching moves with a hash move known
  kStHashMoveFirst,     // ... that searched the hash move first
  kStTTProbes,          // transposition table: probes
  kStTTHits,            // ... position found
  kStTTCutoffs,         // ... node settled by the entry
  kStTTStores,          // ... results stored
  kStTTBeyond,          // full-width results not stored: ply beyond the iteration depth
  kStEvalProbes,        // evaluation cache: probes
  kStEvalHits,          // ... hits
  kStEGTBProbes,        // tablebase-result cache: probes
  kStEGTBHits,          // ... hits
  kStNullTries,         // null moves tried
  kStNullCutoffs,       // ... that failed high
  kStNullThreats,       // ... that found a threat
  kStNullR1,            // null moves reduced by one ply only
  kStThreatResearch,    // threatened nodes searched again a ply deeper
  kStMarginCutoffs,     // depth-1 nodes cut by the static margin
  kStFailLows,          // aspiration passes that failed low
  kStFailHighs,         // ... failed high
  kStResearches,        // root passes after the first of an iteration
  kStResearchNodes,     // ... and their nodes
  kStExtBare,           // extensions: a capture into a pawn ending
  kStExtGain,           // recapture at ply 3 that won material by the enemy king
  kStExtTrade,          // even trade in a pawn ending
  kStExtPawn,           // pawn to the seventh rank or a running passed pawn
  kStExtRecapture,      // recapture inside the window
  kStExtQueen,          // queen closing in on the king (also the root's queen raid)
  kStExtCaptureRun,     // four captures on one square by the enemy king
  kStExtCheckRun,       // out of budget: a run of checks keeps depth 2
  kStExtPawnLate,       // out of budget: a pawn on rank 1/2/7/8 keeps depth 2
  kStExtDoubleCheck,    // double check
  kStExtCheckSeq,       // check sequence against an exposed king
  kStExtSingleReply,    // the only legal reply to a check
  kStExtRootCheck,      // the root in check
  kStWidenCheck,        // quiescent nodes searched full width: in check
  kStWidenPawn,         // ... after a pawn move to rank 1/2/7/8
  kStWidenHung,         // ... with two more men hanging than the opponent
  kStatCount
};

constexpr int kFirstExtension = kStExtBare;

struct StatRow {
  int64_t c[kStatCount];
};

extern StatRow IterStats[kMaxPly];  // the current search's rows by iteration
extern int StatsIteration;          // row counted into now (0 before the first)

inline void Count(Stat s) {
  if constexpr (kStats) IterStats[StatsIteration].c[s]++;
}
inline void CountMany(Stat s, int64_t n) {
  if constexpr (kStats) IterStats[StatsIteration].c[s] += n;
}
// The driver starts iteration d.
inline void CountIteration(int d) {
  if constexpr (kStats) StatsIteration = d > 0 && d < kMaxPly ? d : 0;
}
// A new search: all rows to zero.
void ResetStats();

// Sums of many searches by iteration depth. positions[d] counts the
// searches that reached iteration d; over those same searches prev_nodes[d]
// sums the nodes of iteration d - 1 and run_nodes[d] those of iterations
// 1..d, so that the branching factors of a row compare like with like.
struct StatsTable {
  StatRow sum[kMaxPly];
  int64_t positions[kMaxPly];
  int64_t prev_nodes[kMaxPly];
  int64_t run_nodes[kMaxPly];
};

void ClearStatsTable(StatsTable* t);
// Adds the rows of the search just finished (iterations 1 to the last
// one started).
void AddSearchToTable(StatsTable* t);
// part / all in percent, 0 when all is 0.
double StatRate(int64_t part, int64_t all);
// Effective branching factor of a row: nodes / nodes of the row before.
double StepBranching(int64_t nodes, int64_t prev_nodes);
// The d-th root of the nodes of iterations 1..d together.
double RootBranching(int64_t total_nodes, int d);
// Prints the table of iterations 1..deepest and the extensions by kind.
void PrintStatsTable(FILE* out, const StatsTable& t, int deepest);
