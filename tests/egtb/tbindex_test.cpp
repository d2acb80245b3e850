#include "egtb/tbindex.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  for (char c : name) {
    if (c == 'k') side++;
    m.kind[m.cMen] = KindOf(c);
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

[[maybe_unused]] bool FLegal(const Material& m, const Placement& pl, int stm) {
  return FPlaced(m, pl, stm) && !FCheckGiven(m, pl, stm);
}

void ToArrays(const Material& m, const Placement& pl, int xorMask, int* psq0, int* psq1) {
  int* psq[2] = {psq0, psq1};
  int seen[2][7] = {};
  std::fill(psq0, psq0 + 16, 0);
  std::fill(psq1, psq1 + 16, 0);
  for (int i = 0; i < m.cMen; i++) {
    const int s = m.side[i], k = m.kind[i];
    psq[s][k == 6 ? 15 : (k - 1) * 3 + seen[s][k]++] = pl.sq[i] ^ xorMask;
  }
}

INDEX Index(const Material& m, int iTb, int stm, const Placement& pl) {
  int psq0[16], psq1[16];
  ToArrays(m, pl, 0, psq0, psq1);
  return rgTbTables[iTb].indcalc[stm](psq0, psq1, pl.ep == kNoEp ? 127 : pl.ep, 0);
}

// The index of the same position with the colours exchanged, as a probe
// finds it: the men given from the other side's view, the board flipped.
INDEX IndexInverted(const Material& m, int iTb, int stm, const Placement& pl) {
  int psq0[16], psq1[16];
  ToArrays(m, pl, 56, psq0, psq1);
  return rgTbTables[iTb].indcalc[stm](psq0, psq1, pl.ep == kNoEp ? 127 : pl.ep ^ 56, 1);
}

// The symmetries of a board: bit 0 mirrors the files, bit 1 the ranks, bit 2
// exchanges files and ranks. Tables with pawns have only the first.
int Sym(int g, int sq) {
  int f = F(sq), r = R(sq);
  if (g & 1) f = 7 - f;
  if (g & 2) r = 7 - r;
  if (g & 4) std::swap(f, r);
  return r * 8 + f;
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

// Checks one legal position: the index is within the table and the
// colour-exchanged probe agrees; returns the index.
INDEX Check(const Material& m, int iTb, int stm, const Placement& pl, Faults& f) {
  const INDEX ind = Index(m, iTb, stm, pl);
  f.cPositions++;
  if (ind >= rgTbTables[iTb].length[stm]) f.cOutside++;
  if (IndexInverted(m, iTb, stm, pl) != ind) f.cInverted++;
  f.indMax = std::max(f.indMax, ind);
  return ind;
}

// Calls visit(pl, fLegal) for every placement of the men from men[iFirst]
// on that FPlaced accepts, the men before it placed as in pl.
template <typename Visit>
void Enumerate(const Material& m, int stm, Placement& pl, int iFirst, const Visit& visit) {
  auto place = [&](auto& self, int i) -> void {
    if (i >= m.cMen || i >= 5) {
      pl.ep = kNoEp;
      if (FPlaced(m, pl, stm)) visit(pl, !FCheckGiven(m, pl, stm));
      if (!m.fBothPawns) return;
      for (int ep = 16; ep < 48; ep++) {
        pl.ep = ep;
        if (FPlaced(m, pl, stm)) visit(pl, !FCheckGiven(m, pl, stm));
      }
      pl.ep = kNoEp;
      return;
    }
    for (int s = 0; s < 64; s++) {
      bool fFree = true;
      for (int j = 0; j < i; j++) fFree = fFree && pl.sq[j] != s;
      if (!fFree || (m.kind[i] == 1 && (s < 8 || s > 55))) continue;
      pl.sq[i] = s;
      self(self, i + 1);
    }
  };
  place(place, iFirst);
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
    // Without a full run, the first king takes every third square only.
    const bool fFull = kFull || m.cMen == 3;
    for (int k0 = 0; k0 < 64; k0 += fFull ? 1 : 3) {
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

}  // namespace
