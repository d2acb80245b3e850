#include "search/hashtable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "core/board.h"
#include "core/startup.h"
#include "egtb/egtb.h"
#include "search/treesearch.h"
#include "test_util.h"
#include "ui/config.h"
#include "ui/display.h"

namespace {

// Saves the table sizes, installs small tables and puts everything back.
class HashTables : public ::testing::Test {
 protected:
  void SetUp() override {
    UseSizes(16, 4, 16, 16);
    CntMoves = 7;
    PV = 0;
  }
  void TearDown() override {
    FreeTTable();
    HashAlloc = std::malloc;
    hashkey = hashbd = 0;
  }
  static void UseSizes(int32_t tt, int32_t ovl, int32_t peg, int32_t pet) {
    ttblsz = tt;
    ovlsz = ovl;
    etblsz = tt + 4 * ovl;
    pegtblsz = peg;
    petblsz = pet;
    hashflag = 1;
    AllocateTTable();
  }
  static void At(uint32_t key, uint32_t bd) {
    hashkey = key;
    hashbd = bd;
  }
  SavedGlobals saved_{ttblsz,   ovlsz,    etblsz,      petblsz,  pegtblsz,
                      hashflag, CntMoves, ics_maxhash, tb_access};
};

constexpr int32_t kWide = 12000;

// Probes with a full window; returns the flags, score and slot.
struct Probe {
  int flags;
  int32_t score, alpha, beta;
  TTEntry* slot;
};
Probe ProbeAt(int side, int depth, int ply, int32_t alpha = -kWide, int32_t beta = kWide) {
  Probe p{0, 0, alpha, beta, nullptr};
  p.flags = ProbeTTable(side, depth, &p.alpha, &p.beta, &p.score, ply, &p.slot);
  return p;
}

TEST_F(HashTables, MateScoresAreStoredRelativeToTheNode) {
  // Mate at ply 9 (9991) found at a node of ply 4: stored as mate in five
  // plies from the node, met again at ply 2 two plies nearer the root, and
  // even a deep probe accepts it.
  for (int side : {white, black}) {
    SCOPED_TRACE(side);
    const int sign = side == white ? 1 : -1;
    At(0x1234, 0xabcd);
    PutInTTable(side, 3, sign * 9991, -kWide, kWide, 0x0c1c, 4, nullptr);
    const TTEntry& e = ttable[side][0x1234 & 15];
    EXPECT_EQ(e.score, sign * 9995);
    EXPECT_EQ(e.depth, 43);
    EXPECT_EQ(e.flags, kExact);
    const Probe p = ProbeAt(side, 20, 2);
    EXPECT_EQ(p.flags, kExact);
    EXPECT_EQ(p.score, sign * 9993);
    // The other side's table does not know the position.
    EXPECT_EQ(ProbeAt(1 - side, 1, 2).flags, 0);
    ZeroTTable();
  }
}

TEST_F(HashTables, TooShallowEntryGivesOnlyItsMoveAnUnknownOneNothing) {
  At(5, 77);
  PutInTTable(white, 2, 30, -kWide, kWide, 0x00010c1c, 1, nullptr);
  Probe p = ProbeAt(white, 5, 1);
  EXPECT_EQ(p.flags, 0);
  EXPECT_EQ(PV, 0x0c1c);
  EXPECT_EQ(p.slot, &ttable[white][5]);
  PV = 0;
  At(5, 78);
  p = ProbeAt(white, 1, 1);
  EXPECT_EQ(p.flags, 0);
  EXPECT_EQ(p.slot, nullptr);
  EXPECT_EQ(PV, 0);
}

TEST_F(HashTables, BoundsNarrowTheWindowOnlyWhenTheyCut) {
  const struct {
    int32_t score, alpha, beta;  // the search that stored the bound
    int flag;
    int32_t probe_alpha, probe_beta;
    int answer;
    int32_t alpha_out, beta_out;
  } cases[] = {
      {50, -100, 40, kLowerBound, 60, 200, 0, 60, 200},  // at or below alpha already
      {50, -100, 40, kLowerBound, 30, 200, kLowerBound, 50, 200},
      {-20, -10, 40, kUpperBound, -100, -30, 0, -100, -30},
      {-20, -10, 40, kUpperBound, -100, 0, kUpperBound, -100, -20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.score << " in " << c.probe_alpha << ".." << c.probe_beta);
    ZeroTTable();
    At(9, 99);
    PutInTTable(white, 4, c.score, c.alpha, c.beta, 0, 1, nullptr);
    EXPECT_EQ(ttable[white][9].flags, c.flag);
    const Probe p = ProbeAt(white, 4, 1, c.probe_alpha, c.probe_beta);
    EXPECT_EQ(p.flags, c.answer);
    EXPECT_EQ(p.alpha, c.alpha_out);
    EXPECT_EQ(p.beta, c.beta_out);
  }
}

TEST_F(HashTables, FiveCollidingPositionsShareTheFifthSlot) {
  for (uint32_t bd = 1; bd <= 7; bd++) {
    At(3, bd);
    PutInTTable(white, 2, static_cast<int32_t>(bd), -kWide, kWide, 0, 1, nullptr);
  }
  for (int k = 0; k < 4; k++) EXPECT_EQ(ttable[white][3 + 4 * k].hashbd, k + 1u);
  EXPECT_EQ(ttable[white][3 + 16].hashbd, 7u);
  EXPECT_EQ(ttable[white][3 + 16].score, 7);
}

TEST_F(HashTables, StaleEntryIsReusedFirst) {
  for (uint32_t bd = 1; bd <= 4; bd++) {
    At(3, bd);
    PutInTTable(white, 2, 0, -kWide, kWide, 0, 1, nullptr);
  }
  CntMoves = 8;  // the next search
  At(3, 50);
  PutInTTable(white, 1, 0, -kWide, kWide, 0, 1, nullptr);
  EXPECT_EQ(ttable[white][3].hashbd, 50u);
  EXPECT_EQ(ttable[white][3].age, 8);
}

// Stores of one position in turn, the window 0..40 unless wide, at ply 1
// unless a mate: what the slot holds after each.
TEST_F(HashTables, SamePositionGivesWayToDeeperOrSharperResults) {
  const struct {
    const char* what;
    int depth;
    int32_t score;
    bool wide;
    int32_t held;
    int flag;
  } steps[][4] = {
      {{"exact", 5, 10, true, 10, kExact},
       {"shallower", 3, 99, true, 10, kExact},
       {"deeper", 6, 98, true, 98, kExact}},
      {{"lower bound", 4, 50, false, 50, kLowerBound},
       {"weaker lower bound", 4, 45, false, 50, kLowerBound},
       {"stronger lower bound", 4, 60, false, 60, kLowerBound},
       {"upper bound over a lower bound", 4, -5, false, 60, kLowerBound}},
      {{"lower bound", 4, 50, false, 50, kLowerBound},
       {"exact over a bound", 4, 20, false, 20, kExact}},
      {{"upper bound", 4, -10, false, -10, kUpperBound},
       {"weaker upper bound", 4, -5, false, -10, kUpperBound},
       {"stronger upper bound", 4, -30, false, -30, kUpperBound}},
      // Mates found at ply 4, stored relative to the node: a nearer one
      // replaces at once, a farther one not even with more depth.
      {{"mate in five plies", 9, 9991, true, 9995, kExact},
       {"nearer mate", 1, 9995, true, 9999, kExact},
       {"farther mate", 9, 9993, true, 9999, kExact}},
  };
  for (const auto& sequence : steps) {
    ZeroTTable();
    At(2, 20);
    for (const auto& step : sequence) {
      if (step.what == nullptr) break;
      SCOPED_TRACE(step.what);
      const int ply = step.score > 9000 ? 4 : 1;
      PutInTTable(white, step.depth, step.score, step.wide ? -kWide : 0, step.wide ? kWide : 40, 0,
                  ply, nullptr);
      EXPECT_EQ(ttable[white][2].score, step.held);
      EXPECT_EQ(ttable[white][2].flags, step.flag);
    }
    // Nothing else of the bucket was touched.
    EXPECT_EQ(ttable[white][6].depth, 0);
  }
}

TEST_F(HashTables, ProbedSlotIsOverwrittenUnconditionally) {
  At(2, 20);
  PutInTTable(white, 8, 10, -kWide, kWide, 0, 1, nullptr);
  TTEntry* slot = ProbeAt(white, 1, 1).slot;
  ASSERT_NE(slot, nullptr);
  PutInTTable(white, 1, -3, -kWide, kWide, 0x0102, 1, slot);
  EXPECT_EQ(slot->score, -3);
  EXPECT_EQ(slot->depth, 1);
  EXPECT_EQ(slot->move, 0x0102u);
}

// Every byte of every table reads zero after clearing, whichever slots the
// stores reached (transposition entries straddle 64-byte blocks).
TEST_F(HashTables, ZeroTTableLeavesEveryByteZeroAfterScatteredStores) {
  FreeTTable();
  UseSizes(1024, 300, 512, 1000);
  auto all_zero = [](const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; i++)
      if (b[i] != 0) return false;
    return true;
  };
  uint32_t x = 12345;
  auto rnd = [&x] { return x = x * 1103515245u + 12345u; };
  const int16_t hv[2] = {1, 2}, kid[2] = {3, 4}, nb[2] = {1, 0};
  for (int round = 0; round < 3; round++) {
    const int stores = round == 0 ? 5 : round == 1 ? 200 : 5000;
    for (int i = 0; i < stores; i++) {
      At(rnd(), rnd() | 1);
      const int side = static_cast<int>(rnd() >> 31);
      PutInTTable(side, 1 + static_cast<int>(rnd() % 20), 7, -kWide, kWide, 0x1234, 1, nullptr);
      UpdateEGTBTable(side, -3);
      const int32_t s = 99;
      UpdateEvalTable(side, &s, hv, kid, nb, 1, 1);
    }
    ZeroTTable();
    for (int s = 0; s < 2; s++) {
      EXPECT_TRUE(all_zero(ttable[s], sizeof(TTEntry) * static_cast<size_t>(etblsz)));
      EXPECT_TRUE(all_zero(egtable[s], sizeof(EGTBEntry) * static_cast<size_t>(pegtblsz)));
      EXPECT_TRUE(all_zero(etable[s], sizeof(EvalEntry) * static_cast<size_t>(petblsz)));
    }
  }
}

TEST_F(HashTables, TablebaseCacheStoresNewPositionsEightSlotsOn) {
  int32_t score = 0;
  At(14, 1);
  UpdateEGTBTable(white, -300);
  EXPECT_EQ(egtable[white][(14 + 8) & 15].hashbd, 1u);
  ASSERT_EQ(ProbeEGTBTable(white, &score), 1);
  EXPECT_EQ(score, -300);  // sign-extended
  // A neighbour's entry lies within the nine slots the probe looks at.
  At(13, 2);
  UpdateEGTBTable(white, 50);
  EXPECT_EQ(egtable[white][5].hashbd, 2u);
  At(14, 2);
  ASSERT_EQ(ProbeEGTBTable(white, &score), 1);
  EXPECT_EQ(score, 50);
  // Found within the nine slots: updated in place.
  UpdateEGTBTable(white, 60);
  EXPECT_EQ(egtable[white][5].score, 60);
  // Another new position at key 14 takes slot 6 over.
  At(14, 3);
  UpdateEGTBTable(white, 70);
  At(14, 1);
  EXPECT_EQ(ProbeEGTBTable(white, &score), 0);
  // A failed tablebase probe is cached as 12000.
  At(3, 1000);
  UpdateEGTBTable(black, 12000);
  ASSERT_EQ(ProbeEGTBTable(black, &score), 1);
  EXPECT_EQ(score, 12000);
}

TEST_F(HashTables, EvalCachePacksTheKingSafetyByProducts) {
  At(21, 4321);
  const int32_t score = -1234;
  const int16_t hung[2] = {5, 2}, kid[2] = {9, 3}, breath[2] = {1, 0};
  UpdateEvalTable(black, &score, hung, kid, breath, 2, 1);
  const EvalEntry& e = etable[black][21 & 15];
  EXPECT_EQ(e.winfo, (3 << 6) | 32 | 8 | 7);
  EXPECT_EQ(e.binfo, (2 << 6) | 24 | 3);

  int32_t got = 0, term = 0;
  int16_t h[2], k[2], nb[2], chk = 0;
  ASSERT_EQ(ProbeEvalTable(black, &got, h, k, nb, &chk, &term), 1);
  EXPECT_EQ(got, -1234);
  EXPECT_EQ(h[0], 3);  // capped
  EXPECT_EQ(h[1], 2);
  EXPECT_EQ(k[0], 7);  // held at the largest value three bits keep
  EXPECT_EQ(k[1], 3);
  EXPECT_EQ(nb[0], 32);
  EXPECT_EQ(nb[1], 0);
  EXPECT_EQ(chk, 2);
  EXPECT_EQ(term, 8);
  EXPECT_EQ(ProbeEvalTable(white, &got, h, k, nb, &chk, &term), 0);
  // Two bits of in-check code: 3 and up are kept as 2.
  const int16_t zero[2] = {};
  for (int in_check = 0; in_check < 4; in_check++) {
    UpdateEvalTable(black, &score, zero, zero, zero, in_check, 0);
    ASSERT_EQ(ProbeEvalTable(black, &got, h, k, nb, &chk, &term), 1);
    EXPECT_EQ(chk, in_check < 2 ? in_check : 2) << in_check;
    EXPECT_EQ(term, 0);
  }
}

TEST_F(HashTables, CachesAreSilentWithHashingOff) {
  hashflag = 0;
  At(1, 1);
  UpdateEGTBTable(white, 7);
  const int16_t zero[2] = {};
  const int32_t score = 3;
  UpdateEvalTable(white, &score, zero, zero, zero, 0, 0);
  hashflag = 1;
  int32_t got;
  EXPECT_EQ(ProbeEGTBTable(white, &got), 0);
  int16_t h[2], k[2], nb[2], chk;
  int32_t term;
  EXPECT_EQ(ProbeEvalTable(white, &got, h, k, nb, &chk, &term), 0);
}

// Allocation requests seen by the hook.
std::vector<size_t> requests;
void* RecordedAlloc(size_t bytes) {
  requests.push_back(bytes);
  return std::malloc(bytes);
}

TEST_F(HashTables, TwelveMegabytesAllocateWhatIsReported) {
  ics_maxhash = 12;
  tb_access = 0;
  ttblsz = ovlsz = etblsz = petblsz = pegtblsz = 0;
  AskForMemSize(get_free_mem(), tb_access);
  requests.clear();
  HashAlloc = RecordedAlloc;
  EXPECT_EQ(AllocateTTable(), 0);

  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0], 235928u * 20);
  EXPECT_EQ(requests[1], 235928u * 20);
  EXPECT_EQ(requests[2], 196608u * 8);
  EXPECT_EQ(requests[3], 196608u * 8);
  // The report's figures, in KB for both sides' tables together.
  EXPECT_EQ(static_cast<int64_t>(etblsz) * 20 >> 9, 9215);
  EXPECT_EQ(static_cast<int64_t>(petblsz) * 8 >> 9, 3072);
  EXPECT_EQ(hashflag, 1);
  // The highest slot of a bucket stays inside the block.
  EXPECT_LE(ttblsz - 1 + 4 * ovlsz, etblsz - 1);
}

// Requests refused by the hook: the sizes each table falls back to, and
// what the tables do afterwards.
struct RefusalCase {
  const char* what;
  int32_t tt, ovl, et, peg, pet;
  void* (*alloc)(size_t);
  int32_t want_tt, want_ovl, want_et, want_peg, want_pet;
  size_t request_count;  // 0: not asked
};

TEST_F(HashTables, RefusedRequestsHalveTheSizesOrGiveUp) {
  const RefusalCase cases[] = {
      // 256 entries of 20 bytes fit in 10000.
      {"up to 10000 bytes granted", 1024, 256, 2048, 2048, 4096,
       [](size_t b) { return b <= 10000 ? std::malloc(b) : nullptr; }, 128, 32, 256, 1024, 1024, 0},
      // The first request of each size is granted, the second refused: the
      // first block is given back and both are asked again at half size.
      {"the second block refused", 64, 16, 128, 0, 0,
       [](size_t b) {
         requests.push_back(b);
         return requests.size() == 2 ? nullptr : std::malloc(b);
       },
       32, 8, 64, 0, 0, 4},
      {"nothing granted: hashing off", 64, 16, 128, 64, 64, [](size_t) -> void* { return nullptr; },
       0, 0, 0, 64, 64, 0},
      // The caches' 512-byte blocks fit; nothing else does.
      {"the eval cache gives up at zero", 16, 4, 32, 0, 64,
       [](size_t b) { return b == 32 * 20 ? std::malloc(b) : nullptr; }, 16, 4, 32, 0, 0, 0},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreeTTable();
    ttblsz = c.tt, ovlsz = c.ovl, etblsz = c.et, pegtblsz = c.peg, petblsz = c.pet;
    hashflag = 1;
    requests.clear();
    HashAlloc = c.alloc;
    EXPECT_EQ(AllocateTTable(), 0);
    EXPECT_EQ(ttblsz, c.want_tt);
    EXPECT_EQ(ovlsz, c.want_ovl);
    EXPECT_EQ(etblsz, c.want_et);
    EXPECT_EQ(pegtblsz, c.want_peg);
    EXPECT_EQ(petblsz, c.want_pet);
    const bool tt = c.want_tt > 0, eg = tt && c.want_peg > 0, ev = tt && c.want_pet > 0;
    EXPECT_EQ(hashflag, tt);
    if (c.request_count) {
      EXPECT_EQ(requests.size(), c.request_count);
    }
    for (int s = 0; s < 2; s++) {
      EXPECT_EQ(ttable[s] != nullptr, tt);
      EXPECT_EQ(egtable[s] != nullptr, eg);
      EXPECT_EQ(etable[s] != nullptr, ev);
    }
    // Every granted block is used, at its highest slot; stores and probes
    // are harmless without tables.
    hashflag = 1;
    At(static_cast<uint32_t>(c.want_tt - 1), 1);
    PutInTTable(white, 1, 1, -kWide, kWide, 0, 1, nullptr);
    EXPECT_EQ(ProbeAt(white, 1, 1).flags, tt ? kExact : 0);
    const int16_t zero[2] = {};
    const int32_t score = 5;
    UpdateEvalTable(white, &score, zero, zero, zero, 0, 0);
    int32_t got, term;
    int16_t h[2], k[2], nb[2], chk;
    EXPECT_EQ(ProbeEvalTable(white, &got, h, k, nb, &chk, &term), ev);
  }
}

}  // namespace
