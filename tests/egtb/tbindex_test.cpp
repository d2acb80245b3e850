#include "egtb/tbindex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Positions are laid out as in a table: the first side of the name moves up
// the board, the second side down. Men are listed kings first: first king,
// first side's men in name order, second king, second side's men.
struct Material {
  int cMen = 0;
  int kind[5] = {}, side[5] = {};
  int slot[5] = {};  // the man's slot in its side's square array
  bool fPawn = false, fBothPawns = false;
};

constexpr int kNoEp = -1;

struct Placement {
  int sq[5] = {};
  int ep = kNoEp;  // square passed over by the pawn that just moved two squares
};

int KindOf(char c) {
  return static_cast<int>(std::string(" pnbrqk").find(c));
}

Material ParseName(const std::string& name) {
  Material m;
  int side = -1;
  bool fPawn[2] = {};
  int seen[2][7] = {};
  for (char c : name) {
    if (c == 'k') side++;
    const int k = KindOf(c);
    m.kind[m.cMen] = k;
    m.slot[m.cMen] = k == 6 ? 15 : (k - 1) * 3 + seen[side][k]++;
    m.side[m.cMen++] = side;
    if (c == 'p') fPawn[side] = true;
  }
  m.fPawn = fPawn[0] || fPawn[1];
  m.fBothPawns = fPawn[0] && fPawn[1];
  return m;
}

int TableNumber(const char* name) {
  for (int i = 1; i < kTbCount; i++)
    if (std::strcmp(rgTbTables[i].name, name) == 0) return i;
  return 0;
}

int F(int sq) {
  return sq & 7;
}
int R(int sq) {
  return sq >> 3;
}

// Whether a man of the kind and side on from attacks to, with the squares of
// occ occupied.
bool FAttacks(int kind, int side, int from, int to, uint64_t occ) {
  const int df = F(to) - F(from), dr = R(to) - R(from);
  const int adf = std::abs(df), adr = std::abs(dr);
  switch (kind) {
    case 1:
      return adf == 1 && dr == (side == 0 ? 1 : -1);
    case 2:
      return adf * adr == 2;
    case 6:
      return std::max(adf, adr) == 1;
    default:
      break;
  }
  const bool fLine = df == 0 || dr == 0, fDiag = adf == adr;
  if (from == to || !(kind == 5 || (kind == 4 && fLine) || (kind == 3 && fDiag))) return false;
  if (!fLine && !fDiag) return false;
  const int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
  for (int s = from + step; s != to; s += step)
    if (occ >> s & 1) return false;
  return true;
}

// Whether the side not to move is in check: such a position is illegal.
bool FCheckGiven(const Material& m, const Placement& pl, int stm) {
  uint64_t occ = 0;
  int king = 0;
  for (int i = 0; i < m.cMen; i++) {
    occ |= uint64_t{1} << pl.sq[i];
    if (m.kind[i] == 6 && m.side[i] != stm) king = pl.sq[i];
  }
  for (int i = 0; i < m.cMen; i++)
    if (m.side[i] == stm && FAttacks(m.kind[i], stm, pl.sq[i], king, occ)) return true;
  return false;
}

// A position the engine may meet with side stm to move, but for a check of
// the side not to move: men on distinct squares, kings apart, pawns on ranks
// 2..7, and an en-passant square only behind a pawn that just moved two
// squares beside a pawn of the side to move.
bool FPlaced(const Material& m, const Placement& pl, int stm) {
  uint64_t occ = 0;
  int king[2] = {};
  for (int i = 0; i < m.cMen; i++) {
    if (occ >> pl.sq[i] & 1) return false;
    occ |= uint64_t{1} << pl.sq[i];
    if (m.kind[i] == 1 && (pl.sq[i] < 8 || pl.sq[i] > 55)) return false;
    if (m.kind[i] == 6) king[m.side[i]] = pl.sq[i];
  }
  if (FAttacks(6, 0, king[0], king[1], occ)) return false;
  if (pl.ep == kNoEp) return true;
  const int dir = stm == 0 ? -8 : 8;  // from the square passed over to the pawn
  const int pushed = pl.ep + dir, origin = pl.ep - dir;
  if (R(pl.ep) != (stm == 0 ? 5 : 2) || (occ >> pl.ep & 1) || (occ >> origin & 1)) return false;
  bool fPushed = false, fTaker = false;
  for (int i = 0; i < m.cMen; i++) {
    if (m.kind[i] != 1) continue;
    if (m.side[i] != stm && pl.sq[i] == pushed) fPushed = true;
    if (m.side[i] == stm && R(pl.sq[i]) == R(pushed) && std::abs(pl.sq[i] - pushed) == 1)
      fTaker = true;
  }
  return fPushed && fTaker;
}

bool FLegal(const Material& m, const Placement& pl, int stm) {
  return FPlaced(m, pl, stm) && !FCheckGiven(m, pl, stm);
}

void ToArrays(const Material& m, const Placement& pl, int xorMask, int* psq0, int* psq1) {
  int* psq[2] = {psq0, psq1};
  for (int i = 0; i < m.cMen; i++) psq[m.side[i]][m.slot[i]] = pl.sq[i] ^ xorMask;
}

INDEX Index(const Material& m, int iTb, int stm, const Placement& pl) {
  int psq0[16] = {}, psq1[16] = {};
  ToArrays(m, pl, 0, psq0, psq1);
  return rgTbTables[iTb].indcalc[stm](psq0, psq1, pl.ep == kNoEp ? 127 : pl.ep, 0);
}

// The index of the same position with the colours exchanged, as a probe
// finds it: the men given from the other side's view, the board flipped.
INDEX IndexInverted(const Material& m, int iTb, int stm, const Placement& pl) {
  int psq0[16] = {}, psq1[16] = {};
  ToArrays(m, pl, 56, psq0, psq1);
  return rgTbTables[iTb].indcalc[stm](psq0, psq1, pl.ep == kNoEp ? 127 : pl.ep ^ 56, 1);
}

// The symmetries of a board: bit 0 mirrors the files, bit 1 the ranks, bit 2
// exchanges files and ranks. Tables with pawns have only the first.
const auto rgSym = [] {
  std::array<std::array<int, 64>, 8> a{};
  for (int g = 0; g < 8; g++) {
    for (int sq = 0; sq < 64; sq++) {
      int f = F(sq), r = R(sq);
      if (g & 1) f = 7 - f;
      if (g & 2) r = 7 - r;
      if (g & 4) std::swap(f, r);
      a[g][sq] = r * 8 + f;
    }
  }
  return a;
}();

int Sym(int g, int sq) {
  return rgSym[g][sq];
}

// One code for a placement and all its twins: the least code over the
// symmetries, with men of one kind and side sorted.
uint64_t Canonical(const Material& m, const Placement& pl) {
  const int cSym = m.fPawn ? 2 : 8;
  int best = 64;
  for (int g = 0; g < cSym; g++) best = std::min(best, Sym(g, pl.sq[0]));
  uint64_t code = ~uint64_t{0};
  for (int g = 0; g < cSym; g++) {
    if (Sym(g, pl.sq[0]) != best) continue;
    int sq[5];
    for (int i = 0; i < m.cMen; i++) sq[i] = Sym(g, pl.sq[i]);
    for (int i = 1; i < m.cMen; i++)
      for (int j = i;
           j > 0 && m.kind[j] == m.kind[j - 1] && m.side[j] == m.side[j - 1] && sq[j] < sq[j - 1];
           j--)
        std::swap(sq[j], sq[j - 1]);
    uint64_t c = 0;
    for (int i = 0; i < m.cMen; i++) c = c * 64 + sq[i];
    c = c * 65 + (pl.ep == kNoEp ? 64 : Sym(g, pl.ep));
    code = std::min(code, c);
  }
  return code;
}

// Counts of the faults found over a set of positions of one table side.
struct Faults {
  long cOutside = 0, cShared = 0, cInverted = 0, cPositions = 0;
  INDEX indMax = 0;
};

// Checks one legal position: the index is within the table and, for every
// fourth position, the colour-exchanged probe agrees; returns the index.
INDEX Check(const Material& m, int iTb, int stm, const Placement& pl, Faults& f) {
  const INDEX ind = Index(m, iTb, stm, pl);
  f.cPositions++;
  if (ind >= rgTbTables[iTb].length[stm]) f.cOutside++;
  if (f.cPositions % 4 == 0 && IndexInverted(m, iTb, stm, pl) != ind) f.cInverted++;
  f.indMax = std::max(f.indMax, ind);
  return ind;
}

// Calls visit(pl, fLegal) for every placement that FPlaced accepts, the men
// in the bit set fixed kept on their squares in pl.
template <typename Visit>
void Enumerate(const Material& m, int stm, Placement& pl, int fixed, const Visit& visit) {
  uint64_t occ0 = 0;
  for (int j = 0; j < m.cMen; j++)
    if (fixed >> j & 1) occ0 |= uint64_t{1} << pl.sq[j];
  auto place = [&](auto& self, int i, uint64_t occ) -> void {
    if (i >= m.cMen || i >= 5) {
      pl.ep = kNoEp;
      if (FPlaced(m, pl, stm)) visit(pl, !FCheckGiven(m, pl, stm));
      if (!m.fBothPawns) return;
      // A pawn of the side not to move on its fourth rank may just have
      // moved two squares.
      for (int j = 0; j < m.cMen; j++) {
        if (m.kind[j] != 1 || m.side[j] == stm) continue;
        pl.ep = pl.sq[j] + (stm == 0 ? 8 : -8);
        if (FPlaced(m, pl, stm)) visit(pl, !FCheckGiven(m, pl, stm));
      }
      pl.ep = kNoEp;
      return;
    }
    if (fixed >> i & 1) return self(self, i + 1, occ);
    const bool fPawn = m.kind[i] == 1;
    for (int s = fPawn ? 8 : 0; s < (fPawn ? 56 : 64); s++) {
      if (occ >> s & 1) continue;
      pl.sq[i] = s;
      self(self, i + 1, occ | uint64_t{1} << s);
    }
  };
  place(place, 0, occ0);
}

#ifdef NDEBUG
constexpr bool kFull = true;
#else
constexpr bool kFull = false;  // sanitizer and debug builds check fewer positions
#endif

TEST(TbIndexTotals, OffsetTablesCountTheKnownNumbersOfIndexes) {
  VInitEnumerations();
  const INDEX single[6] = {84012, 81664, 102748, 106500, 105684, 100212};
  const INDEX pawnless[4] = {26282, 27243, 27036, 25635};
  for (int k = 0; k < 6; k++) EXPECT_EQ(rgcSinglePawnPresent[k], single[k]) << "kind " << k;
  for (int k = 2; k < 6; k++) EXPECT_EQ(rgcSinglePawnless[k], pawnless[k - 2]) << "kind " << k;
  // kppk and knpk with white to move, knnkp with white to move in 48 steps.
  EXPECT_EQ(rgcPairPawnPresent[1 * 6 + 1], 1806671u);
  EXPECT_EQ(rgcPairPawnPresent[2 * 6 + 1], 4648581u);
  EXPECT_EQ(rgcPairPawnPresent[2 * 6 + 2] * 48, 137991648u);
}

// Tables whose files end before the index range does: the values past the
// end belong to illegal positions only, as the enumerations below show by
// finding the last legal position at the preset length.
TEST(TbIndexTotals, ShortPresetsLeaveOutTheTrailingIllegalIndexes) {
  VInitEnumerations();
  const INDEX cKp = rgcSinglePawnPresent[1];
  const struct {
    const char* name;
    INDEX range, cMissing;
  } rgCase[] = {
      {"krk", rgcSinglePawnless[4], 6},
      {"kqk", rgcSinglePawnless[5], 6},
      {"krkp", rgcSinglePawnPresent[4] * 48, 96},
      {"kqkp", rgcSinglePawnPresent[5] * 48, 96},
      {"krpk", rgcPairPawnPresent[4 * 6 + 1], 94},
      {"kqpk", rgcPairPawnPresent[5 * 6 + 1], 94},
      {"kbnk", rgcPairPawnless[3 * 6 + 2], 1},
      {"krrk", rgcPairPawnless[4 * 6 + 4], 339},
      {"kqrk", rgcPairPawnless[5 * 6 + 4], 366},
      {"kqqk", rgcPairPawnless[5 * 6 + 5], 333},
      {"krpkp", rgcPairPawnPresent[4 * 6 + 1] * 47 + rgcSinglePawnPresent[4] * 14, 28},
      {"kqpkp", rgcPairPawnPresent[5 * 6 + 1] * 47 + rgcSinglePawnPresent[5] * 14, 28},
      {"kppkp", rgcPairPawnPresent[1 * 6 + 1] * 46 + 1806 * 616, 1},
  };
  for (const auto& c : rgCase)
    EXPECT_EQ(c.range - rgTbTables[TableNumber(c.name)].length[0], c.cMissing) << c.name;
  // With one pawn each, both sides' ranges are whole.
  EXPECT_EQ(rgTbTables[TableNumber("kpkp")].length[0], cKp * 47 + 1806 * 14);
  EXPECT_EQ(rgTbTables[TableNumber("kppkp")].length[1], cKp * 1081 + 1806 * 616);
  EXPECT_EQ(rgTbTables[TableNumber("knpkp")].length[1], cKp * 2820 + 1806 * 812);
}

TEST(TbIndexTables, NamesAndNumbersFollowTheMaterial) {
  EXPECT_STREQ(rgTbTables[0].name, "kk");
  EXPECT_EQ(rgTbTables[0].indcalc[0], nullptr);
  int cMen[kTbCount];
  for (int i = 1; i < kTbCount; i++) {
    cMen[i] = static_cast<int>(std::strlen(rgTbTables[i].name));
    EXPECT_NE(rgTbTables[i].indcalc[0], nullptr);
    EXPECT_NE(rgTbTables[i].indcalc[1], nullptr);
  }
  EXPECT_EQ(std::count(cMen + 1, cMen + 6, 3), 5);
  EXPECT_EQ(std::count(cMen + 6, cMen + 36, 4), 30);
  EXPECT_EQ(std::count(cMen + 36, cMen + kTbCount, 5), 75);
  EXPECT_EQ(TableNumber("kppkp"), 36);
  EXPECT_EQ(TableNumber("kqqkq"), 110);
}

// Every 3- and 4-man table, both sides to move, over all legal positions.
class TbIndexSmall : public ::testing::TestWithParam<const char*> {};

TEST_P(TbIndexSmall, LegalPositionsGetDistinctIndexesWithinTheTable) {
  VInitEnumerations();
  const std::string name = GetParam();
  const int iTb = TableNumber(name.c_str());
  ASSERT_NE(iTb, 0);
  const Material m = ParseName(name);
  for (int stm = 0; stm < 2; stm++) {
    SCOPED_TRACE(name + (stm == 0 ? " first side to move" : " second side to move"));
    const INDEX length = rgTbTables[iTb].length[stm];
    std::vector<uint64_t> owner(length, ~uint64_t{0});
    Faults f;
    Placement pl;
    // Without a full run, the first king takes two squares only.
    const bool fFull = kFull || m.cMen == 3;
    for (int k0 = 0; k0 < 64; k0 += fFull ? 1 : 37) {
      pl.sq[0] = k0;
      Enumerate(m, stm, pl, 1, [&](const Placement& p, bool fLegal) {
        if (!fLegal) return;
        const INDEX ind = Check(m, iTb, stm, p, f);
        if (ind >= length) return;
        const uint64_t c = Canonical(m, p);
        if (owner[ind] == ~uint64_t{0})
          owner[ind] = c;
        else if (owner[ind] != c)
          f.cShared++;
      });
    }
    EXPECT_GT(f.cPositions, 0);
    EXPECT_EQ(f.cOutside, 0);
    EXPECT_EQ(f.cShared, 0);
    EXPECT_EQ(f.cInverted, 0);
    if (fFull) {
      EXPECT_EQ(f.indMax + 1, length);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllSmallTables, TbIndexSmall,
                         ::testing::Values("kpk", "knk", "kbk", "krk", "kqk", "kpkp", "knkp",
                                           "knkn", "kbkp", "kbkn", "kbkb", "krkp", "krkn", "krkb",
                                           "krkr", "kqkp", "kqkn", "kqkb", "kqkr", "kqkq", "kppk",
                                           "knpk", "knnk", "kbpk", "kbnk", "kbbk", "krpk", "krnk",
                                           "krbk", "krrk", "kqpk", "kqnk", "kqbk", "kqrk", "kqqk"),
                         [](const auto& info) { return std::string(info.param); });

// A random legal placement, the men in the bit set fixed kept; with fEp,
// one with an en-passant capture open. False when none was found.
bool FRandomLegal(const Material& m, int stm, std::mt19937& rng, int fixed, bool fEp,
                  Placement& pl) {
  for (int attempt = 0; attempt < 200; attempt++) {
    for (int i = 0; i < m.cMen; i++)
      if (!(fixed >> i & 1)) pl.sq[i] = m.kind[i] == 1 ? 8 + rng() % 48 : rng() % 64;
    pl.ep = kNoEp;
    if (fEp) {
      // A pawn of the side not to move has just moved two squares and a
      // pawn of the side to move stands beside it.
      int pushed = -1, taker = -1;
      for (int i = 0; i < m.cMen; i++) {
        if (m.kind[i] != 1 || (fixed >> i & 1)) continue;
        if (m.side[i] != stm && (pushed < 0 || rng() % 2)) pushed = i;
        if (m.side[i] == stm && (taker < 0 || rng() % 2)) taker = i;
      }
      if (pushed < 0 || taker < 0) return false;
      pl.sq[pushed] = (stm == 0 ? 32 : 24) + rng() % 8;
      pl.sq[taker] = pl.sq[pushed] + (rng() % 2 ? 1 : -1);
      pl.ep = pl.sq[pushed] + (stm == 0 ? 8 : -8);
      if (R(pl.sq[taker]) != R(pl.sq[pushed])) continue;
    }
    if (FLegal(m, pl, stm)) return true;
  }
  return false;
}

// A sample of the 5-man tables, every template with pawns and every kind of
// en-passant numbering among them.
class TbIndexLarge : public ::testing::TestWithParam<const char*> {};

TEST_P(TbIndexLarge, SampledPositionsGetDistinctIndexesWithinTheTable) {
  VInitEnumerations();
  const std::string name = GetParam();
  const int iTb = TableNumber(name.c_str());
  ASSERT_NE(iTb, 0);
  const Material m = ParseName(name);
  const int iSecondKing = static_cast<int>(name.find('k', 1));
  const int kings = 1 | 1 << iSecondKing;
  std::mt19937 rng(iTb);
  for (int stm = 0; stm < 2; stm++) {
    SCOPED_TRACE(name + (stm == 0 ? " first side to move" : " second side to move"));
    const INDEX length = rgTbTables[iTb].length[stm];
    Faults f;
    std::vector<std::pair<INDEX, uint64_t>> seen;
    auto visit = [&](const Placement& p) {
      seen.push_back({Check(m, iTb, stm, p, f), Canonical(m, p)});
    };
    Placement pl;
    // Random positions, a third of them with en passant where it can occur.
    const int cRandom = kFull ? 20000 : 1000;
    for (int n = 0; n < cRandom; n++)
      if (FRandomLegal(m, stm, rng, 0, m.fBothPawns && n % 3 == 0, pl)) visit(pl);
    // The king squares of the last block, with and without en passant: the
    // ones whose random position gets the largest index.
    std::vector<std::pair<int, int>> rgKings;
    for (int fEp = 0; kFull && fEp <= (m.fBothPawns ? 1 : 0); fEp++) {
      INDEX indBest = 0;
      std::pair<int, int> best{-1, -1};
      for (int k0 = 0; k0 < 64; k0++) {
        for (int k1 = 0; k1 < 64; k1++) {
          pl.sq[0] = k0, pl.sq[iSecondKing] = k1;
          if (!FRandomLegal(m, stm, rng, kings, fEp, pl)) continue;
          const INDEX ind = Index(m, iTb, stm, pl);
          if (best.first < 0 || ind > indBest) indBest = ind, best = {k0, k1};
        }
      }
      rgKings.push_back(best);
    }
    // Beside those, the kings on random squares apart: two in a full run,
    // else one.
    while (rgKings.size() < (kFull ? 4u : 1u)) {
      const int k0 = rng() % 64, k1 = rng() % 64;
      if (std::max(std::abs(F(k0) - F(k1)), std::abs(R(k0) - R(k1))) > 1)
        rgKings.push_back({k0, k1});
    }
    // Every placement of the other men beside those kings.
    for (const auto& [k0, k1] : rgKings) {
      ASSERT_GE(k0, 0);
      pl.sq[0] = k0, pl.sq[iSecondKing] = k1;
      Enumerate(m, stm, pl, kings, [&](const Placement& p, bool fLegal) {
        if (fLegal) visit(p);
      });
    }
    std::sort(seen.begin(), seen.end());
    for (size_t i = 1; i < seen.size(); i++)
      if (seen[i].first == seen[i - 1].first && seen[i].second != seen[i - 1].second) f.cShared++;
    EXPECT_EQ(f.cOutside, 0);
    EXPECT_EQ(f.cShared, 0);
    EXPECT_EQ(f.cInverted, 0);
    if (kFull) {
      EXPECT_EQ(f.indMax + 1, length);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(SampledLargeTables, TbIndexLarge,
                         ::testing::Values("kppkp", "knpkp", "kqpkp", "krpkp", "kppkn", "kppkq",
                                           "knpkn", "krpkr", "kbpkb", "knnkp", "kbnkp", "krrkp",
                                           "knnkn", "kbnkr", "krrkn", "kqrkb", "kqqkq"),
                         [](const auto& info) { return std::string(info.param); });

// Every one of the 220 index functions on random legal positions.
TEST(TbIndexAllTables, RandomPositionsStayWithinEveryTable) {
  VInitEnumerations();
  std::mt19937 rng(2024);
  const int cRandom = kFull ? 4000 : 400;
  for (int iTb = 1; iTb < kTbCount; iTb++) {
    const Material m = ParseName(rgTbTables[iTb].name);
    for (int stm = 0; stm < 2; stm++) {
      Faults f;
      std::vector<std::pair<INDEX, uint64_t>> seen;
      Placement pl;
      for (int n = 0; n < cRandom; n++) {
        if (!FRandomLegal(m, stm, rng, 0, m.fBothPawns && n % 3 == 0, pl)) continue;
        seen.push_back({Check(m, iTb, stm, pl, f), Canonical(m, pl)});
      }
      std::sort(seen.begin(), seen.end());
      for (size_t i = 1; i < seen.size(); i++)
        if (seen[i].first == seen[i - 1].first && seen[i].second != seen[i - 1].second) f.cShared++;
      SCOPED_TRACE(std::string(rgTbTables[iTb].name) + (stm == 0 ? " first" : " second"));
      EXPECT_GT(f.cPositions, cRandom / 2);
      EXPECT_EQ(f.cOutside, 0);
      EXPECT_EQ(f.cShared, 0);
      EXPECT_EQ(f.cInverted, 0);
    }
  }
}

// A square of a name such as "e4".
int Square(const char* name) {
  return (name[1] - '1') * 8 + (name[0] - 'a');
}

// The index of a position given by king and men squares per side, as a
// probe passes them.
INDEX IndexOf(const char* table, int stm, std::vector<const char*> first,
              std::vector<const char*> second, int fInvert = 0) {
  const Material m = ParseName(table);
  Placement pl;
  int i = 0;
  for (const char* sq : first) pl.sq[i++] = Square(sq);
  for (const char* sq : second) pl.sq[i++] = Square(sq);
  int psq0[16] = {}, psq1[16] = {};
  ToArrays(m, pl, 0, psq0, psq1);
  return rgTbTables[TableNumber(table)].indcalc[stm](psq0, psq1, 127, fInvert);
}

TEST(TbIndexSymmetry, KpkAndItsMirrorShareTheirIndex) {
  VInitEnumerations();
  for (int stm = 0; stm < 2; stm++) {
    EXPECT_EQ(IndexOf("kpk", stm, {"b2", "c4"}, {"g6"}), IndexOf("kpk", stm, {"g2", "f4"}, {"b6"}));
    EXPECT_EQ(IndexOf("kpk", stm, {"e3", "h5"}, {"a8"}), IndexOf("kpk", stm, {"d3", "a5"}, {"h8"}));
    EXPECT_NE(IndexOf("kpk", stm, {"b2", "c4"}, {"g6"}), IndexOf("kpk", stm, {"b2", "c5"}, {"g6"}));
  }
}

TEST(TbIndexSymmetry, ExchangedColoursGiveTheIndexOfTheFlippedTwin) {
  VInitEnumerations();
  // Black Kd8, Qh5 against white Ke1, white to move: the probe finds kqk
  // with the colours exchanged, black's men first, and asks the table of
  // the queen's opponent to move. Its twin: white Kd1, Qh4, black Ke8, black
  // to move.
  EXPECT_EQ(IndexOf("kqk", 1, {"d8", "h5"}, {"e1"}, 1), IndexOf("kqk", 1, {"d1", "h4"}, {"e8"}));
  // Black Kf4, pawn e3 against white Kc2, white to move, and its twin.
  EXPECT_EQ(IndexOf("kpk", 1, {"f4", "e3"}, {"c2"}, 1), IndexOf("kpk", 1, {"f5", "e6"}, {"c7"}));
  // Black to move in the same way: the pawn's side moves.
  EXPECT_EQ(IndexOf("kpk", 0, {"f4", "e3"}, {"c2"}, 1), IndexOf("kpk", 0, {"f5", "e6"}, {"c7"}));
}

TEST(TbIndexKbnk, BlackToMoveNumbersKingPairsBishopAndKnightSquares) {
  VInitEnumerations();
  EXPECT_EQ(rgTbTables[TableNumber("kbnk")].length[1], 462u * 62 * 61);
  // The last king pair (black Kd4, white Kh8) with the bishop and the knight
  // on their highest free squares takes the last index.
  EXPECT_EQ(IndexOf("kbnk", 1, {"h8", "g8", "f8"}, {"d4"}), 1747283u);
}

}  // namespace
