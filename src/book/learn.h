// Position learning: search results of nodes near the root (plies 1 to 3)
// from the final iterations of timed searches, kept from game to game and
// from run to run in the learning file vorna.lrn in the program directory.
//
// Two tables of 16384 entries, one per side to move, as the hash words do not
// include the side. A position's slots are (hashkey + i) & 0x3FFF, i = 0..4
// for a store and 0..3 for a probe; hashbd verifies. Mate scores are kept
// relative to the node that stored them, with 40 added to the depth. Each
// save advances SessionNumber; an entry written more than 2048 sessions ago
// is free for any store that reaches it.
//
// File: SessionNumber (uint16), then the 16384 entries of white to move and
// the 16384 of black in slot order, 20 bytes each, all little-endian. A save
// writes a temporary file beside it and renames it over the old one, so an
// interrupted save leaves the previous file whole.
#pragma once

#include <cstdint>

// One learned position: 20 bytes, the same in memory and in the file.
struct LearnEntry {
  uint32_t key;      // hashbd of the position; 0 = empty
  int32_t score;     // side to move's view; mates relative to the node
  uint16_t session;  // SessionNumber when written
  uint16_t reserved0;
  uint32_t move;  // move word of the best move (to, from, flags); 0 = none
  uint8_t flag;   // 1 exact, 2 lower bound, 4 upper bound
  uint8_t depth;  // remaining depth; 40 more for a mate score
  uint16_t reserved1;
};
static_assert(sizeof(LearnEntry) == 20);

constexpr int kLearnEntries = 16384;  // per side
constexpr int kLearnMask = kLearnEntries - 1;
constexpr int kLearnEntryBytes = 20;
constexpr long kLearnFileBytes = 2 + 2L * kLearnEntries * kLearnEntryBytes;  // 655362
constexpr uint16_t kLastSession = 60000;  // the counter stops here
constexpr int kStaleSessions = 2048;
constexpr int kLearnMateDepth = 40;

extern LearnEntry ltable[2][kLearnEntries];
extern uint16_t SessionNumber;
extern char LearnPath[228];  // vornapath + "vorna.lrn"
extern int32_t LearnFlag;    // the table is loaded and not yet saved
extern int32_t learn;        // the current search stores and probes learning data

// Loads the learning file, creating it when absent, and turns learning on.
// A file that cannot be written turns learning off; a broken one gives a
// fresh table. Either is said in one line.
void InitLearn();
// Saves the table (when learning is on) and turns learning off. A failed
// save keeps learning on and says so.
void CloseLearn();
// The command "learn": saves and turns off, or reloads and turns on.
void SwitchLearn();

// Looks the position up for side at ply. Returns 0, or the entry's flag
// after narrowing the window or giving the score: 1 exact (*score set, mates
// made relative to the root), 2 lower bound (*alpha raised), 4 upper bound
// (*beta lowered). PV takes the entry's move (none after an upper bound).
// An entry whose move is not a legal move of side here is not used: to see
// that, side's moves are generated at ply, before the node generates its own.
int ProbeLearn(int side, int depth, int32_t* alpha, int32_t* beta, int32_t* score, int ply);
// Stores a search result of a node near the root, searched with the window
// alpha..beta; move is the best move's word. Only the table in memory changes.
void PutInLearn(int side, int depth, int32_t score, int32_t alpha, int32_t beta, uint32_t move,
                int ply);
