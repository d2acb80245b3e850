// Hash tables. Each table exists once per side, as the hash words do not
// include the side to move; hashkey picks the slot and hashbd verifies it.
//
// Transposition table: ttblsz home slots (a power of two) followed by four
// overflow strides of ovlsz. A position's bucket is the five slots h, h +
// ovlsz, ..., h + 4*ovlsz with h = hashkey & (ttblsz - 1). Entries stored
// during one search carry the age CntMoves; any other age counts as free.
// Mate scores are kept relative to the node that stored them, with 40 added
// to their depth so that every later probe accepts them.
//
// Tablebase-result cache: nine consecutive slots from hashkey, first match.
// Evaluation cache: one slot per position, always overwritten, with the
// score and the king-safety by-products of the evaluation packed beside it.
#pragma once

#include <cstddef>
#include <cstdint>

// One transposition entry: 20 bytes, the size the memory budget counts.
struct TTEntry {
  uint32_t hashbd;
  int32_t score;
  uint16_t age;
  uint16_t unused0;
  uint32_t move;
  uint8_t flags;  // 1 exact, 2 lower bound, 4 upper bound
  uint8_t depth;  // remaining depth, +40 for a mate score; 0 = empty
  uint16_t unused1;
};
static_assert(sizeof(TTEntry) == 20);

// One tablebase-result entry: 8 bytes.
struct EGTBEntry {
  uint32_t hashbd;
  int16_t score;
  uint16_t unused;
};
static_assert(sizeof(EGTBEntry) == 8);

// One evaluation-cache entry: 8 bytes.
struct EvalEntry {
  uint32_t hashbd;
  int16_t score;
  uint8_t winfo;  // HungVar(2) | NoBreathHole(1) | 0 | Terminate(1) | KID(3)
  uint8_t binfo;  // HungVar(2) | NoBreathHole(1) | InChk code(2) | KID(3)
};
static_assert(sizeof(EvalEntry) == 8);

constexpr uint8_t kExact = 1;
constexpr uint8_t kLowerBound = 2;
constexpr uint8_t kUpperBound = 4;
constexpr int kMateDepthBonus = 40;

extern int16_t hashflag;   // hashing on
extern int16_t CntMoves;   // age of the entries stored now: the game-record index of the last move
extern char hashsize[16];  // total hash size text, "%dK"
extern int32_t ttblsz;     // home slots of the transposition table (power of two)
extern int32_t ovlsz;      // overflow stride behind the home slots
extern int32_t etblsz;     // transposition entries per side
extern int32_t petblsz;    // evaluation-cache entries per side
extern int32_t pegtblsz;   // tablebase-result cache entries per side

extern TTEntry* ttable[2];
extern EGTBEntry* egtable[2];
extern EvalEntry* etable[2];

// Where the tables get their memory; tests replace it to make requests fail.
extern void* (*HashAlloc)(size_t bytes);

// A new game: stored entries count as old.
void NewGameHash();
// Sizes the tables from a memory budget in bytes (tablebases: the
// tablebase-result cache gets a share); 2 MB or less switches hashing off.
void AskForMemSize(int64_t mem, int tablebases);
// Allocates both sides' tables at the current sizes, halving a table's sizes
// until its pair of blocks fits, then clears them. Always 0.
int AllocateTTable();
// Releases every table (a later AllocateTTable starts afresh).
void FreeTTable();
// Clears every allocated table: only the 64-byte blocks written since the
// last clearing are zeroed, the rest are zero already.
void ZeroTTable();

// Looks the position up for side; sets PV from any entry found. Returns the
// entry's flags when it is deep enough and settles the node or narrows the
// window (score, alpha or beta updated), else 0. *slot gets the entry found.
int ProbeTTable(int side, int depth, int32_t* alpha, int32_t* beta, int32_t* score, int ply,
                TTEntry** slot);
// Stores a search result; slot is the entry an earlier probe of this node found.
void PutInTTable(int side, int depth, int32_t score, int32_t alpha, int32_t beta, uint32_t move,
                 int ply, TTEntry* slot);

// Tablebase results found by the evaluation (12000 = the tables had none).
int ProbeEGTBTable(int side, int32_t* score);
void UpdateEGTBTable(int side, int32_t score);

// Evaluation results: 1 on a hit, with the score and by-products unpacked.
int ProbeEvalTable(int side, int32_t* score, int16_t* HungVar, int16_t* KID, int16_t* NoBreathHole,
                   int16_t* InChk, int32_t* Terminate);
void UpdateEvalTable(int side, const int32_t* score, const int16_t* HungVar, const int16_t* KID,
                     const int16_t* NoBreathHole, int InChk, int Terminate);
