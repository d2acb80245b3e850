#include "search/hashtable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/board.h"
#include "core/vorna.h"
#include "search/stats.h"
#include "search/treesearch.h"

int16_t hashflag = 1;
int16_t CntMoves = 0;
char hashsize[16];
int32_t ttblsz = 0;
int32_t ovlsz = 0;
int32_t etblsz = 0;
int32_t petblsz = 0;
int32_t pegtblsz = 0;

TTEntry* ttable[2] = {nullptr, nullptr};
EGTBEntry* egtable[2] = {nullptr, nullptr};
EvalEntry* etable[2] = {nullptr, nullptr};

void* (*HashAlloc)(size_t bytes) = std::malloc;

namespace {

constexpr int kEGTBProbes = 9;

// The 64-byte blocks of a table written since it was last cleared, one bit
// each, so that clearing touches only those.
class DirtyBlocks {
 public:
  void Reset(size_t bytes) {
    bytes_ = bytes;
    bits_.assign((bytes / 64 + 64) / 64, 0);
  }
  void Release() {
    bits_.clear();
    bits_.shrink_to_fit();
    bytes_ = 0;
  }
  // Marks the bytes [offset, offset + size) as written.
  void Mark(size_t offset, size_t size) {
    const size_t first = offset / 64, last = (offset + size - 1) / 64;
    bits_[first / 64] |= uint64_t{1} << (first % 64);
    bits_[last / 64] |= uint64_t{1} << (last % 64);
  }
  // Zeroes the written blocks of table and forgets them.
  void Clear(void* table) {
    auto* bytes = static_cast<unsigned char*>(table);
    for (size_t w = 0; w < bits_.size(); w++) {
      for (uint64_t b = bits_[w]; b != 0; b &= b - 1) {
        const size_t at = (w * 64 + static_cast<size_t>(__builtin_ctzll(b))) * 64;
        memset(bytes + at, 0, std::min<size_t>(64, bytes_ - at));
      }
      bits_[w] = 0;
    }
  }

 private:
  std::vector<uint64_t> bits_;
  size_t bytes_ = 0;
};

DirtyBlocks tt_dirty[2], egtb_dirty[2], eval_dirty[2];

template <typename Entry>
void MarkWritten(DirtyBlocks& d, const Entry* table, const Entry* e) {
  d.Mark(static_cast<size_t>(e - table) * sizeof(Entry), sizeof(Entry));
}

// Requests the two blocks of one table of size() entries, halving its sizes
// while either request fails; false when size() reached 0.
template <typename Entry, typename Size, typename Halve>
bool AllocatePair(Entry* (&pair)[2], Size size, Halve halve) {
  while (size() > 0) {
    const size_t bytes = static_cast<size_t>(size()) * sizeof(Entry);
    pair[0] = static_cast<Entry*>(HashAlloc(bytes));
    if (pair[0] != nullptr) {
      pair[1] = static_cast<Entry*>(HashAlloc(bytes));
      if (pair[1] != nullptr) return true;
      std::free(pair[0]);
      pair[0] = nullptr;
    }
    halve();
  }
  return false;
}

bool TTReady(int side) {
  return hashflag && ttblsz > 0 && ttable[side] != nullptr;
}

// Stored (node-relative) score as seen from the root.
int32_t FromTable(int32_t s, int ply) {
  if (s > kMateBound + ply) return s - ply;
  if (s <= -(kMateBound + 1) - ply) return s + ply;
  return s;
}

void Write(int side, TTEntry* e, int depth, int32_t score, int32_t alpha, int32_t beta,
           uint32_t move, int ply) {
  Count(kStTTStores);
  MarkWritten(tt_dirty[side], ttable[side], e);
  e->hashbd = hashbd;
  e->age = static_cast<uint16_t>(CntMoves);
  e->move = move;
  e->flags = score >= beta ? kLowerBound : score <= alpha ? kUpperBound : kExact;
  int d = std::clamp(depth, 0, 255 - kMateDepthBonus);
  if (score > kMateBound) {
    score += ply;
    d += kMateDepthBonus;
  } else if (score < -kMateBound) {
    score -= ply;
    d += kMateDepthBonus;
  }
  e->score = score;
  e->depth = static_cast<uint8_t>(d);
}

uint8_t PackInfo(int16_t hung, int16_t kid, int16_t breath) {
  const int h = std::clamp<int>(hung, 0, 3);
  const int k = std::clamp<int>(kid, 0, 7);
  return static_cast<uint8_t>((h << 6) | (breath ? 32 : 0) | k);
}

}  // namespace

int AllocateTTable() {
  FreeTTable();
  // The transposition table gives up when no home slot is left.
  const bool tt = AllocatePair(
      ttable, [] { return ttblsz > 0 ? etblsz : 0; },
      [] {
        etblsz /= 2;
        ttblsz /= 2;
        ovlsz /= 2;
      });
  if (!tt) {
    // Not even one slot fits: run without hashing.
    etblsz = ttblsz = ovlsz = 0;
    hashflag = 0;
    return 0;
  }
  if (pegtblsz > 0)
    AllocatePair(
        egtable, [] { return pegtblsz; }, [] { pegtblsz /= 2; });
  if (petblsz > 0)
    AllocatePair(
        etable, [] { return petblsz; }, [] { petblsz /= 2; });
  for (int s = 0; s < 2; s++) {
    if (ttable[s]) memset(ttable[s], 0, static_cast<size_t>(etblsz) * sizeof(TTEntry));
    if (egtable[s]) memset(egtable[s], 0, static_cast<size_t>(pegtblsz) * sizeof(EGTBEntry));
    if (etable[s]) memset(etable[s], 0, static_cast<size_t>(petblsz) * sizeof(EvalEntry));
    tt_dirty[s].Reset(static_cast<size_t>(etblsz) * sizeof(TTEntry));
    egtb_dirty[s].Reset(static_cast<size_t>(pegtblsz) * sizeof(EGTBEntry));
    eval_dirty[s].Reset(static_cast<size_t>(petblsz) * sizeof(EvalEntry));
  }
  return 0;
}

void FreeTTable() {
  for (int s = 0; s < 2; s++) {
    std::free(ttable[s]);
    std::free(egtable[s]);
    std::free(etable[s]);
    ttable[s] = nullptr;
    egtable[s] = nullptr;
    etable[s] = nullptr;
    tt_dirty[s].Release();
    egtb_dirty[s].Release();
    eval_dirty[s].Release();
  }
}

void ZeroTTable() {
  for (int s = 0; s < 2; s++) {
    if (ttable[s]) tt_dirty[s].Clear(ttable[s]);
    if (egtable[s]) egtb_dirty[s].Clear(egtable[s]);
    if (etable[s]) eval_dirty[s].Clear(etable[s]);
  }
}

int ProbeTTable(int side, int depth, int32_t* alpha, int32_t* beta, int32_t* score, int ply,
                TTEntry** slot) {
  ASSERT(side == white || side == black);
  if (!TTReady(side)) return 0;
  Count(kStTTProbes);
  // 1. Scan the bucket.
  TTEntry* const home = ttable[side] + (hashkey & static_cast<uint32_t>(ttblsz - 1));
  TTEntry* e = nullptr;
  for (int k = 0; k < 5; k++) {
    TTEntry* const t = home + k * ovlsz;
    if (t->depth != 0 && t->hashbd == hashbd) {
      e = t;
      break;
    }
  }
  if (e == nullptr) return 0;
  Count(kStTTHits);
  // 2. The stored move orders the node even when the entry is too shallow.
  *slot = e;
  PV = static_cast<uint16_t>(e->move);
  // 3. Too shallow.
  if (e->depth < depth) return 0;
  const int32_t s = FromTable(e->score, ply);
  switch (e->flags) {
    case kExact:  // 4.
      *score = s;
      return e->flags;
    case kLowerBound:  // 5.
      if (s <= *alpha) return 0;
      *alpha = s;
      return e->flags;
    case kUpperBound:  // 6.
      if (s >= *beta) return 0;
      *beta = s;
      return e->flags;
    default:
      return 0;
  }
}

void PutInTTable(int side, int depth, int32_t score, int32_t alpha, int32_t beta, uint32_t move,
                 int ply, TTEntry* slot) {
  ASSERT(side == white || side == black);
  if (!TTReady(side)) return;
  // 1. The probe already found the node's entry.
  if (slot != nullptr) {
    Write(side, slot, depth, score, alpha, beta, move, ply);
    return;
  }
  // 2. First slot holding the position is the target; a free slot before it
  //    is taken at once; four other current positions leave the fifth.
  TTEntry* const home = ttable[side] + (hashkey & static_cast<uint32_t>(ttblsz - 1));
  const uint16_t age = static_cast<uint16_t>(CntMoves);
  TTEntry* target = home + 4 * ovlsz;
  for (int k = 0; k < 4; k++) {
    TTEntry* const t = home + k * ovlsz;
    if (t->depth != 0 && t->hashbd == hashbd) {
      target = t;
      break;
    }
    if (t->depth == 0 || t->age != age) {
      Write(side, t, depth, score, alpha, beta, move, ply);
      return;
    }
  }
  // 3. Another position in the fifth slot gives way.
  if (target->depth == 0 || target->hashbd != hashbd) {
    Write(side, target, depth, score, alpha, beta, move, ply);
    return;
  }
  // 4. A nearer mate replaces the stored one.
  if (score > kMateBound || score < -kMateBound) {
    const int32_t node = score > 0 ? score + ply : score - ply;
    if ((node > 0 && node > target->score) || (node < 0 && node < target->score)) {
      Write(side, target, depth, score, alpha, beta, move, ply);
      return;
    }
  }
  // 5. Same position: deeper or fresher results win; at equal depth the
  //    result must be at least as informative.
  bool replace = false;
  if (target->depth < depth || target->age != age) {
    replace = true;
  } else if (target->depth == depth) {
    const int32_t stored = FromTable(target->score, ply);
    if (score > alpha && score < beta) {
      replace = true;
    } else if (score >= beta) {
      replace = score > stored;
    } else {
      replace = target->flags == kUpperBound && score < stored;
    }
  }
  if (replace) Write(side, target, depth, score, alpha, beta, move, ply);
}

int ProbeEGTBTable(int side, int32_t* score) {
  ASSERT(side == white || side == black);
  if (!hashflag || pegtblsz == 0 || egtable[side] == nullptr) return 0;
  Count(kStEGTBProbes);
  const uint32_t mask = static_cast<uint32_t>(pegtblsz - 1);
  for (uint32_t k = 0; k < kEGTBProbes; k++) {
    const EGTBEntry& e = egtable[side][(hashkey + k) & mask];
    if (e.hashbd == hashbd) {
      Count(kStEGTBHits);
      *score = e.score;
      return 1;
    }
  }
  return 0;
}

void UpdateEGTBTable(int side, int32_t score) {
  ASSERT(side == white || side == black);
  if (!hashflag || pegtblsz == 0 || egtable[side] == nullptr) return;
  const uint32_t mask = static_cast<uint32_t>(pegtblsz - 1);
  uint32_t k = 0;
  while (k < kEGTBProbes - 1 && egtable[side][(hashkey + k) & mask].hashbd != hashbd) k++;
  EGTBEntry& e = egtable[side][(hashkey + k) & mask];
  MarkWritten(egtb_dirty[side], egtable[side], &e);
  e.hashbd = hashbd;
  e.score = static_cast<int16_t>(score);
}

int ProbeEvalTable(int side, int32_t* score, int16_t* HungVar, int16_t* KID, int16_t* NoBreathHole,
                   int16_t* InChk, int32_t* Terminate) {
  ASSERT(side == white || side == black);
  if (!hashflag || petblsz == 0 || etable[side] == nullptr) return 0;
  Count(kStEvalProbes);
  const EvalEntry& e = etable[side][hashkey & static_cast<uint32_t>(petblsz - 1)];
  if (e.hashbd != hashbd) return 0;
  Count(kStEvalHits);
  *score = e.score;
  const uint8_t info[2] = {e.winfo, e.binfo};
  for (int s = 0; s < 2; s++) {
    HungVar[s] = static_cast<int16_t>(info[s] >> 6);
    KID[s] = static_cast<int16_t>(info[s] & 7);
    NoBreathHole[s] = static_cast<int16_t>(info[s] & 32);
  }
  *Terminate = e.winfo & 8;
  *InChk = (e.binfo & 8) == 0 ? 0 : (e.binfo & 16) ? 2 : 1;
  return 1;
}

void UpdateEvalTable(int side, const int32_t* score, const int16_t* HungVar, const int16_t* KID,
                     const int16_t* NoBreathHole, int InChk, int Terminate) {
  ASSERT(side == white || side == black);
  if (!hashflag || petblsz == 0 || etable[side] == nullptr) return;
  EvalEntry& e = etable[side][hashkey & static_cast<uint32_t>(petblsz - 1)];
  MarkWritten(eval_dirty[side], etable[side], &e);
  e.hashbd = hashbd;
  e.score = static_cast<int16_t>(*score);
  e.winfo =
      static_cast<uint8_t>(PackInfo(HungVar[0], KID[0], NoBreathHole[0]) | (Terminate ? 8 : 0));
  e.binfo =
      static_cast<uint8_t>(PackInfo(HungVar[1], KID[1], NoBreathHole[1]) | (InChk == 0   ? 0
                                                                            : InChk == 1 ? 8
                                                                                         : 24));
}

void AskForMemSize(int64_t mem, int tablebases) {
  if (mem <= 2097152) {
    hashflag = 0;
    return;
  }
  // The tablebase-result and evaluation caches take their share first, the
  // transposition table the rest; every table exists once per side.
  constexpr int64_t kCachePair = 2 * sizeof(EvalEntry);
  static_assert(sizeof(EGTBEntry) == sizeof(EvalEntry));
  constexpr int64_t kTTPair = 2 * sizeof(TTEntry);
  const int64_t g = tablebases ? mem / 8 : 0;
  const int64_t e = tablebases ? mem / 8 : mem / 4;
  pegtblsz = static_cast<int32_t>(g / kCachePair);
  petblsz = static_cast<int32_t>(e / kCachePair);
  const int64_t n = (mem - kCachePair * petblsz - kCachePair * pegtblsz) / kTTPair;
  int64_t size = 1;
  while (size * 2 <= n - 8) size *= 2;
  ttblsz = n - 8 >= 1 ? static_cast<int32_t>(size) : 0;
  ovlsz = static_cast<int32_t>((n - ttblsz) >> 2);
  etblsz = ttblsz + 4 * ovlsz;
}

void NewGameHash() {
  CntMoves = 0;
}
