// Position indexes of the tablebase files.
//
// A table's index is built from digits. The king pair comes first: with a
// pawn on the board the king to move is brought to files a-d by a mirror,
// without pawns into the a1-d1-d4 triangle by the eight symmetries, and the
// pair is numbered among the legal pairs of that region. The men of the side
// to move follow, numbered by offset tables per king pair over the squares
// from which they do not attack the other king by one step. The men of the
// side not to move are plain digits appended last: pieces over the free
// squares, pawns over the 48 pawn squares. Positions with an en-passant
// capture open are numbered in a block after all other positions.
#include "egtb/tbindex.h"

#include <array>
#include <cstddef>
#include <utility>

#include "core/vorna.h"

namespace {

constexpr uint8_t kNotListed = 255;  // a square left out of a kind's numbering
constexpr int16_t kNoPair = 4000;    // a king pair no legal position has
constexpr int kHalfPairs = 1806;     // king pairs with the king to move on files a-d
constexpr int kTriPairs = 462;       // king pairs with the king to move in the triangle
constexpr int kNoEnPassant = 127;

constexpr int File(int sq) {
  return sq & 7;
}
constexpr int Rank(int sq) {
  return sq >> 3;
}

constexpr bool FNear(int sq1, int sq2) {
  const int df = File(sq1) - File(sq2), dr = Rank(sq1) - Rank(sq2);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// XOR masks: the vertical flip of an exchange of colours, the left-right
// mirror that brings a square to files a-d, and the mirror into a1-d4.
constexpr int rgsqReflectInvertMask[2] = {0, 56};

constexpr auto rgsqReflectMaskY = [] {
  std::array<int, 64> a{};
  for (int sq = 0; sq < 64; sq++) a[sq] = File(sq) < 4 ? 0 : 7;
  return a;
}();

constexpr auto rgsqReflectMaskYandX = [] {
  std::array<int, 64> a{};
  for (int sq = 0; sq < 64; sq++) a[sq] = (File(sq) < 4 ? 0 : 7) ^ (Rank(sq) < 4 ? 0 : 56);
  return a;
}();

// The square mirrored in the a1-h8 diagonal.
constexpr auto rgsqReflectXY = [] {
  std::array<int, 64> a{};
  for (int sq = 0; sq < 64; sq++) a[sq] = File(sq) * 8 + Rank(sq);
  return a;
}();

// The ten squares a1, b1, c1, d1, b2, c2, d2, c3, d3, d4.
constexpr auto rgfTriangle = [] {
  std::array<bool, 64> a{};
  for (int sq = 0; sq < 64; sq++) a[sq] = File(sq) < 4 && Rank(sq) <= File(sq);
  return a;
}();

constexpr auto rgfNotDiagonal = [] {
  std::array<bool, 64> a{};
  for (int sq = 0; sq < 64; sq++) a[sq] = File(sq) != Rank(sq);
  return a;
}();

// On or below the a1-h8 diagonal.
constexpr auto rgfInLargeTriangle = [] {
  std::array<bool, 64> a{};
  for (int sq = 0; sq < 64; sq++) a[sq] = File(sq) >= Rank(sq);
  return a;
}();

using KingPairs = std::array<std::array<int16_t, 64>, 64>;

// Numbers the king pairs (k1 to move, k2 the other) in increasing order of
// (k1, k2) for k1 in the region and k2 apart from k1.
template <bool fPawnless>
constexpr KingPairs MakeKingPairs() {
  KingPairs a{};
  int16_t n = 0;
  for (int k1 = 0; k1 < 64; k1++) {
    for (int k2 = 0; k2 < 64; k2++) {
      bool f = !FNear(k1, k2);
      if (fPawnless)
        f = f && rgfTriangle[k1] && (rgfNotDiagonal[k1] || rgfInLargeTriangle[k2]);
      else
        f = f && File(k1) < 4;
      a[k1][k2] = f ? n++ : kNoPair;
    }
  }
  return a;
}

constexpr KingPairs rgsHalfKings = MakeKingPairs<false>();
constexpr KingPairs rgsTriKings = MakeKingPairs<true>();

template <bool fPawnless>
constexpr int CountPairs() {
  const KingPairs& a = fPawnless ? rgsTriKings : rgsHalfKings;
  int n = 0;
  for (const auto& row : a)
    for (int16_t v : row) n += v != kNoPair;
  return n;
}
static_assert(CountPairs<false>() == kHalfPairs);
static_assert(CountPairs<true>() == kTriPairs);

// The king squares of every pair number, k1 then k2.
template <std::size_t cPairs>
constexpr std::array<std::pair<int, int>, cPairs> PairSquares(const KingPairs& a) {
  std::array<std::pair<int, int>, cPairs> r{};
  for (int k1 = 0; k1 < 64; k1++)
    for (int k2 = 0; k2 < 64; k2++)
      if (a[k1][k2] != kNoPair) r[a[k1][k2]] = {k1, k2};
  return r;
}

constexpr auto rgHalfKingSquares = PairSquares<kHalfPairs>(rgsHalfKings);
constexpr auto rgTriKingSquares = PairSquares<kTriPairs>(rgsTriKings);

// Squares of each kind beside a king K, numbered in increasing order; kind 0
// is a pawn square that only avoids K.
bool fEnumerationInitted = false;
uint8_t rgprgsqPiece[6][64][64];
int rgcLegal[6][64];

// First index of each king pair's block.
INDEX rgprgulSinglePawnPresent[6][kHalfPairs];
INDEX rgprgulSinglePawnless[6][kTriPairs];
INDEX rgprgulPairPawnPresent[36][kHalfPairs];
INDEX rgprgulPairPawnless[36][kTriPairs];

// Whether a man of the kind on s attacks K by one step (a pawn is white).
bool FAttacksByStep(int kind, int s, int K) {
  const int df = File(K) - File(s), dr = Rank(K) - Rank(s);
  const int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
  switch (kind) {
    case 1:
      return dr == 1 && adf == 1;
    case 2:
      return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case 3:
      return adf == 1 && adr == 1;
    case 4:
      return adf + adr == 1;
    case 5:
      return adf <= 1 && adr <= 1 && adf + adr > 0;
    default:
      return false;
  }
}

void VInitPiece(int kind) {
  const int sqFirst = kind <= 1 ? 8 : 0, sqLast = kind <= 1 ? 55 : 63;
  for (int K = 0; K < 64; K++) {
    int n = 0;
    for (int s = 0; s < 64; s++) {
      const bool f = s >= sqFirst && s <= sqLast && s != K && !FAttacksByStep(kind, s, K);
      rgprgsqPiece[kind][K][s] = f ? static_cast<uint8_t>(n++) : kNotListed;
    }
    rgcLegal[kind][K] = n;
  }
}

// Squares a man of the kind may take beside the king pair: those listed
// for the other king k2, less the square of the king to move k1.
INDEX CLegal(int kind, int k1, int k2) {
  return rgcLegal[kind][k2] - (rgprgsqPiece[kind][k2][k1] != kNotListed);
}

template <std::size_t cPairs>
INDEX VInitSingle(INDEX* rgul, int kind, const std::array<std::pair<int, int>, cPairs>& rgKings) {
  INDEX ul = 0;
  for (int p = 0; p < static_cast<int>(cPairs); p++) {
    rgul[p] = ul;
    ul += CLegal(kind, rgKings[p].first, rgKings[p].second);
  }
  return ul;
}

// Offsets of the blocks of two men of kinds A >= B.
template <std::size_t cPairs>
INDEX VInitPair(INDEX* rgul, int A, int B, const std::array<std::pair<int, int>, cPairs>& rgKings) {
  INDEX ul = 0;
  for (int p = 0; p < static_cast<int>(cPairs); p++) {
    rgul[p] = ul;
    const INDEX nA = CLegal(A, rgKings[p].first, rgKings[p].second);
    const INDEX nB = CLegal(B, rgKings[p].first, rgKings[p].second);
    ul += A == B ? nA * (nA - 1) / 2 : nA * nB;
  }
  return ul;
}

}  // namespace

INDEX rgcSinglePawnPresent[6];
INDEX rgcSinglePawnless[6];
INDEX rgcPairPawnPresent[36];
INDEX rgcPairPawnless[36];

void VInitEnumerations() {
  if (fEnumerationInitted) return;
  for (int kind = 0; kind < 6; kind++) VInitPiece(kind);
  for (int kind = 0; kind < 6; kind++)
    rgcSinglePawnPresent[kind] =
        VInitSingle(rgprgulSinglePawnPresent[kind], kind, rgHalfKingSquares);
  for (int kind = 2; kind < 6; kind++)
    rgcSinglePawnless[kind] = VInitSingle(rgprgulSinglePawnless[kind], kind, rgTriKingSquares);
  for (int A = 0; A < 6; A++) {
    for (int B = A == 0 ? 0 : 1; B <= A; B++)
      rgcPairPawnPresent[A * 6 + B] =
          VInitPair(rgprgulPairPawnPresent[A * 6 + B], A, B, rgHalfKingSquares);
    for (int B = 2; B <= A; B++)
      rgcPairPawnless[A * 6 + B] =
          VInitPair(rgprgulPairPawnless[A * 6 + B], A, B, rgTriKingSquares);
  }
  fEnumerationInitted = true;
}

namespace {

constexpr int Slot(int kind, int n) {
  return (kind - 1) * 3 + n;
}
constexpr int kKingSlot = 15;

// How many of the squares rgsq lie below sq.
template <typename... Sqs>
int CBelow(int sq, Sqs... rgsq) {
  return ((rgsq < sq) + ... + 0);
}

int HalfPair(int k1, int k2) {
  ASSERT(fEnumerationInitted);
  const int p = rgsHalfKings[k1][k2];
  ASSERT(p != kNoPair);
  return p;
}

int TriPair(int k1, int k2) {
  ASSERT(fEnumerationInitted);
  const int p = rgsTriKings[k1][k2];
  ASSERT(p != kNoPair);
  return p;
}

// Number of a man of the kind on sq among the squares listed beside the
// other king k2, skipping the square of the king to move k1.
INDEX RankMan(int kind, int k1, int k2, int sq) {
  const uint8_t* rgsq = rgprgsqPiece[kind][k2];
  return rgsq[sq] - (rgsq[k1] != kNotListed && k1 < sq);
}

// Value of two different numbers as an unordered pair.
INDEX PairValue(INDEX a, INDEX b) {
  if (a > b) std::swap(a, b);
  return a + b * (b - 1) / 2;
}

// Value of two men of kinds A >= B placed by the side to move.
template <int A, int B>
INDEX PairRank(int k1, int k2, int sqA, int sqB) {
  if constexpr (A == B)
    return PairValue(RankMan(A, k1, k2, sqA), RankMan(A, k1, k2, sqB));
  else
    return RankMan(A, k1, k2, sqA) * CLegal(B, k1, k2) + RankMan(B, k1, k2, sqB);
}

// Tables with a pawn: the mask that brings the king to move to files a-d
// and flips the board when the colours were exchanged.
int MaskPawn(int kToMove, int fInvert) {
  return rgsqReflectInvertMask[fInvert] ^ rgsqReflectMaskY[kToMove];
}

// Tables without pawns: the symmetry that brings the king to move into the
// triangle and, with that king on the diagonal, the other king on or below it.
class Pawnless {
 public:
  Pawnless(int kToMove, int kOther) : mask_(rgsqReflectMaskYandX[kToMove]) {
    const int k1 = kToMove ^ mask_, k2 = kOther ^ mask_;
    fReflect_ = !((rgfInLargeTriangle[k2] || rgfNotDiagonal[k1]) && rgfTriangle[k1]);
  }
  int operator()(int sq) const { return fReflect_ ? rgsqReflectXY[sq ^ mask_] : sq ^ mask_; }

 private:
  int mask_;
  bool fReflect_;
};

// Base of a black pawn moving: its number with the ranks flipped, so that it
// counts as a white pawn, beside the flipped kings (black king first).
INDEX BlackPawnBase(int bk, int wk, int sqb) {
  return rgprgulSinglePawnPresent[1][HalfPair(bk ^ 56, wk ^ 56)] +
         RankMan(1, bk ^ 56, wk ^ 56, sqb ^ 56);
}

// En passant, one pawn each, white to move: the black pawn has just made a
// double step past sqEnP and the white pawn sqw stands beside it. Returns the
// configuration 0..13: the white pawn's file less 1 when it takes towards the
// a-file, its file plus 7 when it takes towards the h-file.
int IndEnPassant11W(int sqw, [[maybe_unused]] int sqb, int sqEnP) {
  ASSERT(sqb + 8 == sqEnP);
  if (sqw + 7 == sqEnP) return File(sqw) - 1;
  ASSERT(sqw + 9 == sqEnP);
  return File(sqw) + 7;
}

// The same with black to move: the white pawn has made the double step and
// the black pawn sqb takes it.
int IndEnPassant11B([[maybe_unused]] int sqw, int sqb, int sqEnP) {
  ASSERT(sqw - 8 == sqEnP);
  if (sqb - 9 == sqEnP) return File(sqb) - 1;
  ASSERT(sqb - 7 == sqEnP);
  return File(sqb) + 7;
}

// En passant, two white pawns sqw1 < sqw2 against the black pawn sqb, white
// to move. Returns 14 * (the other white pawn's number among the pawn squares
// left free by the capturing pawn, the black pawn, sqEnP and the square the
// black pawn came from) + the capture's configuration, 0..615.
int IndEnPassant21W(int sqw1, int sqw2, int sqb, int sqEnP) {
  ASSERT(sqw1 < sqw2);
  ASSERT(sqb + 8 == sqEnP);
  if (sqw1 + 7 == sqEnP && 0 != File(sqw1))
    return 14 * (sqw2 - CBelow(sqw2, sqEnP, sqb, sqw1 + 15)) + File(sqw1) - 127;
  if (sqw1 + 9 == sqEnP && 7 != File(sqw1))
    return 14 * (sqw2 - CBelow(sqw2, sqEnP, sqb, sqw1 + 17)) + File(sqw1) - 119;
  if (sqw2 + 7 == sqEnP && 0 != File(sqw2))
    return 14 * (sqw1 - CBelow(sqw1, sqEnP, sqb, sqw2 + 15)) + File(sqw2) - 113;
  ASSERT(sqw2 + 9 == sqEnP && 7 != File(sqw2));
  return 14 * (sqw1 - CBelow(sqw1, sqEnP, sqb, sqw2 + 17)) + File(sqw2) - 105;
}

// The same with black to move: one of the white pawns has made the double
// step past sqEnP and the black pawn sqb takes it.
int IndEnPassant21B(int sqw1, int sqw2, int sqb, int sqEnP) {
  ASSERT(sqw1 < sqw2);
  if (sqb - 9 == sqEnP && 0 != File(sqb)) {
    if (sqw1 - 8 == sqEnP)
      return 14 * (sqw2 - CBelow(sqw2, sqEnP, sqb, sqw1 - 16)) + File(sqb) - 127;
    ASSERT(sqw2 - 8 == sqEnP);
    return 14 * (sqw1 - CBelow(sqw1, sqEnP, sqb, sqw2 - 16)) + File(sqb) - 113;
  }
  ASSERT(sqb - 7 == sqEnP && 7 != File(sqb));
  if (sqw1 - 8 == sqEnP) return 14 * (sqw2 - CBelow(sqw2, sqEnP, sqb, sqw1 - 16)) + File(sqb) - 119;
  ASSERT(sqw2 - 8 == sqEnP);
  return 14 * (sqw1 - CBelow(sqw1, sqEnP, sqb, sqw2 - 16)) + File(sqb) - 105;
}

// One man of kind k against a bare king.
template <int k>
struct T21 {
  static INDEX IndCalcW(const int* psqW, const int* psqB, int, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot], sq = psqW[Slot(k, 0)];
    if constexpr (k == 1) {
      const int m = MaskPawn(wk, fInvert);
      wk ^= m, bk ^= m, sq ^= m;
      return rgprgulSinglePawnPresent[1][HalfPair(wk, bk)] + RankMan(1, wk, bk, sq);
    } else {
      const Pawnless n(wk, bk);
      wk = n(wk), bk = n(bk), sq = n(sq);
      return rgprgulSinglePawnless[k][TriPair(wk, bk)] + RankMan(k, wk, bk, sq);
    }
  }

  static INDEX IndCalcB(const int* psqW, const int* psqB, int, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot], sq = psqW[Slot(k, 0)];
    if constexpr (k == 1) {
      // The pawn is numbered on the pawn squares beside its own king, the
      // ranks flipped.
      const int m = MaskPawn(bk, fInvert) ^ 56;
      wk ^= m, bk ^= m, sq ^= m;
      return rgprgulSinglePawnPresent[0][HalfPair(bk, wk)] + RankMan(0, bk, wk, sq);
    } else {
      const Pawnless n(bk, wk);
      wk = n(wk), bk = n(bk), sq = n(sq);
      return static_cast<INDEX>(TriPair(bk, wk)) * 62 + (sq - CBelow(sq, wk, bk));
    }
  }
};

// One man each: white k1 against black k2.
template <int k1, int k2>
struct T22 {
  static INDEX IndCalcW(const int* psqW, const int* psqB, int sqEnP, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot];
    int sqw = psqW[Slot(k1, 0)], sqb = psqB[Slot(k2, 0)];
    if constexpr (k2 == 1) {
      const int m = MaskPawn(wk, fInvert);
      wk ^= m, bk ^= m, sqw ^= m, sqb ^= m;
      const INDEX p = HalfPair(wk, bk);
      if constexpr (k1 == 1) {
        if (sqEnP != kNoEnPassant)
          return rgcSinglePawnPresent[1] * 47 + p * 14 + IndEnPassant11W(sqw, sqb, sqEnP ^ m);
        return (rgprgulSinglePawnPresent[1][p] + RankMan(1, wk, bk, sqw)) * 47 +
               (sqb - 8 - (sqw < sqb));
      } else {
        return (rgprgulSinglePawnPresent[k1][p] + RankMan(k1, wk, bk, sqw)) * 48 + (sqb - 8);
      }
    } else {
      const Pawnless n(wk, bk);
      wk = n(wk), bk = n(bk), sqw = n(sqw), sqb = n(sqb);
      return (rgprgulSinglePawnless[k1][TriPair(wk, bk)] + RankMan(k1, wk, bk, sqw)) * 61 +
             (sqb - CBelow(sqb, wk, bk, sqw));
    }
  }

  static INDEX IndCalcB(const int* psqW, const int* psqB, int sqEnP, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot];
    int sqw = psqW[Slot(k1, 0)], sqb = psqB[Slot(k2, 0)];
    if constexpr (k2 == 1) {
      const int m = MaskPawn(bk, fInvert);
      wk ^= m, bk ^= m, sqw ^= m, sqb ^= m;
      if constexpr (k1 == 1) {
        if (sqEnP != kNoEnPassant)
          return rgcSinglePawnPresent[1] * 47 + static_cast<INDEX>(HalfPair(bk, wk)) * 14 +
                 IndEnPassant11B(sqw, sqb, sqEnP ^ m);
        return BlackPawnBase(bk, wk, sqb) * 47 + (sqw - 8 - (sqb < sqw));
      } else {
        return BlackPawnBase(bk, wk, sqb) * 61 + (sqw - CBelow(sqw, wk, bk, sqb));
      }
    } else {
      const Pawnless n(bk, wk);
      wk = n(wk), bk = n(bk), sqw = n(sqw), sqb = n(sqb);
      return (rgprgulSinglePawnless[k2][TriPair(bk, wk)] + RankMan(k2, bk, wk, sqb)) * 61 +
             (sqw - CBelow(sqw, wk, bk, sqb));
    }
  }
};

// Two white men k1 >= k2 against a bare king.
template <int k1, int k2>
struct T31 {
  static INDEX IndCalcW(const int* psqW, const int* psqB, int, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot];
    int sq1 = psqW[Slot(k1, 0)], sq2 = psqW[Slot(k2, k1 == k2)];
    if constexpr (k2 == 1) {
      const int m = MaskPawn(wk, fInvert);
      wk ^= m, bk ^= m, sq1 ^= m, sq2 ^= m;
      return rgprgulPairPawnPresent[k1 * 6 + 1][HalfPair(wk, bk)] +
             PairRank<k1, 1>(wk, bk, sq1, sq2);
    } else {
      const Pawnless n(wk, bk);
      wk = n(wk), bk = n(bk), sq1 = n(sq1), sq2 = n(sq2);
      return rgprgulPairPawnless[k1 * 6 + k2][TriPair(wk, bk)] + PairRank<k1, k2>(wk, bk, sq1, sq2);
    }
  }

  static INDEX IndCalcB(const int* psqW, const int* psqB, int, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot];
    int sq1 = psqW[Slot(k1, 0)], sq2 = psqW[Slot(k2, k1 == k2)];
    if constexpr (k2 == 1) {
      // The pawns are numbered on the pawn squares beside their own king,
      // the ranks flipped; a white piece is a plain digit.
      const int m = MaskPawn(bk, fInvert);
      wk ^= m, bk ^= m, sq1 ^= m, sq2 ^= m;
      const int fbk = bk ^ 56, fwk = wk ^ 56;
      const int p = HalfPair(fbk, fwk);
      if constexpr (k1 == 1)
        return rgprgulPairPawnPresent[0][p] + PairRank<0, 0>(fbk, fwk, sq1 ^ 56, sq2 ^ 56);
      else
        return (rgprgulSinglePawnPresent[0][p] + RankMan(0, fbk, fwk, sq2 ^ 56)) * 61 +
               (sq1 - CBelow(sq1, wk, bk, sq2));
    } else {
      const Pawnless n(bk, wk);
      wk = n(wk), bk = n(bk), sq1 = n(sq1), sq2 = n(sq2);
      const INDEX p = TriPair(bk, wk);
      if constexpr (k1 == k2)
        return p * 1891 + PairValue(sq1 - CBelow(sq1, wk, bk), sq2 - CBelow(sq2, wk, bk));
      else
        return p * 3782 + (sq1 - CBelow(sq1, wk, bk)) * 61 + (sq2 - CBelow(sq2, wk, bk, sq1));
    }
  }
};

// Two white men k1 >= k2 against one black man k3.
template <int k1, int k2, int k3>
struct T32 {
  static INDEX IndCalcW(const int* psqW, const int* psqB, int sqEnP, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot];
    int sq1 = psqW[Slot(k1, 0)], sq2 = psqW[Slot(k2, k1 == k2)], sqb = psqB[Slot(k3, 0)];
    if constexpr (k2 == 1 || k3 == 1) {
      const int m = MaskPawn(wk, fInvert);
      wk ^= m, bk ^= m, sq1 ^= m, sq2 ^= m, sqb ^= m;
      const INDEX p = HalfPair(wk, bk);
      if constexpr (k2 == 1 && k3 == 1 && k1 == 1) {
        if (sq1 > sq2) std::swap(sq1, sq2);
        if (sqEnP != kNoEnPassant)
          return rgcPairPawnPresent[1 * 6 + 1] * 46 + p * 616 +
                 IndEnPassant21W(sq1, sq2, sqb, sqEnP ^ m);
        return (rgprgulPairPawnPresent[1 * 6 + 1][p] + PairRank<1, 1>(wk, bk, sq1, sq2)) * 46 +
               (sqb - 8 - CBelow(sqb, sq1, sq2));
      } else if constexpr (k2 == 1 && k3 == 1) {
        if (sqEnP != kNoEnPassant)
          return rgcPairPawnPresent[k1 * 6 + 1] * 47 +
                 (rgprgulSinglePawnPresent[k1][p] + RankMan(k1, wk, bk, sq1)) * 14 +
                 IndEnPassant11W(sq2, sqb, sqEnP ^ m);
        return (rgprgulPairPawnPresent[k1 * 6 + 1][p] + PairRank<k1, 1>(wk, bk, sq1, sq2)) * 47 +
               (sqb - 8 - (sq2 < sqb));
      } else {
        const INDEX base =
            rgprgulPairPawnPresent[k1 * 6 + k2][p] + PairRank<k1, k2>(wk, bk, sq1, sq2);
        if constexpr (k3 == 1)
          return base * 48 + (sqb - 8);
        else
          return base * 60 + (sqb - CBelow(sqb, wk, bk, sq1, sq2));
      }
    } else {
      const Pawnless n(wk, bk);
      wk = n(wk), bk = n(bk), sq1 = n(sq1), sq2 = n(sq2), sqb = n(sqb);
      return (rgprgulPairPawnless[k1 * 6 + k2][TriPair(wk, bk)] +
              PairRank<k1, k2>(wk, bk, sq1, sq2)) *
                 60 +
             (sqb - CBelow(sqb, wk, bk, sq1, sq2));
    }
  }

  static INDEX IndCalcB(const int* psqW, const int* psqB, int sqEnP, int fInvert) {
    int wk = psqW[kKingSlot], bk = psqB[kKingSlot];
    int sq1 = psqW[Slot(k1, 0)], sq2 = psqW[Slot(k2, k1 == k2)], sqb = psqB[Slot(k3, 0)];
    if constexpr (k2 == 1 || k3 == 1) {
      const int m = MaskPawn(bk, fInvert);
      wk ^= m, bk ^= m, sq1 ^= m, sq2 ^= m, sqb ^= m;
      if constexpr (k2 == 1 && k3 == 1 && k1 == 1) {
        if (sq1 > sq2) std::swap(sq1, sq2);
        if (sqEnP != kNoEnPassant)
          return rgcSinglePawnPresent[1] * 1081 + static_cast<INDEX>(HalfPair(bk, wk)) * 616 +
                 IndEnPassant21B(sq1, sq2, sqb, sqEnP ^ m);
        return BlackPawnBase(bk, wk, sqb) * 1081 +
               PairValue(sq1 - 8 - (sqb < sq1), sq2 - 8 - (sqb < sq2));
      } else if constexpr (k2 == 1 && k3 == 1) {
        if (sqEnP != kNoEnPassant) {
          // The piece avoids the kings, the pawns, the square passed over and
          // the square the white pawn came from.
          const int sqEp = sqEnP ^ m;
          return rgcSinglePawnPresent[1] * 2820 + static_cast<INDEX>(HalfPair(bk, wk)) * 812 +
                 (sq1 - CBelow(sq1, wk, bk, sq2, sqb, sqEp, sqEp - 8)) * 14 +
                 IndEnPassant11B(sq2, sqb, sqEp);
        }
        return BlackPawnBase(bk, wk, sqb) * 2820 + (sq1 - CBelow(sq1, wk, bk, sq2, sqb)) * 47 +
               (sq2 - 8 - (sqb < sq2));
      } else if constexpr (k3 == 1) {
        const INDEX base = BlackPawnBase(bk, wk, sqb);
        if constexpr (k1 == k2)
          return base * 1830 +
                 PairValue(sq1 - CBelow(sq1, wk, bk, sqb), sq2 - CBelow(sq2, wk, bk, sqb));
        else
          return base * 3660 + (sq1 - CBelow(sq1, wk, bk, sqb)) * 60 +
                 (sq2 - CBelow(sq2, wk, bk, sqb, sq1));
      } else {
        const INDEX base =
            rgprgulSinglePawnPresent[k3][HalfPair(bk, wk)] + RankMan(k3, bk, wk, sqb);
        if constexpr (k1 == 1)
          return base * 1128 + PairValue(sq1 - 8, sq2 - 8);
        else
          return base * 2880 + (sq1 - CBelow(sq1, wk, bk, sqb, sq2)) * 48 + (sq2 - 8);
      }
    } else {
      const Pawnless n(bk, wk);
      wk = n(wk), bk = n(bk), sq1 = n(sq1), sq2 = n(sq2), sqb = n(sqb);
      const INDEX base = rgprgulSinglePawnless[k3][TriPair(bk, wk)] + RankMan(k3, bk, wk, sqb);
      if constexpr (k1 == k2)
        return base * 1830 +
               PairValue(sq1 - CBelow(sq1, wk, bk, sqb), sq2 - CBelow(sq2, wk, bk, sqb));
      else
        return base * 3660 + (sq1 - CBelow(sq1, wk, bk, sqb)) * 60 +
               (sq2 - CBelow(sq2, wk, bk, sqb, sq1));
    }
  }
};

}  // namespace

const TbTable rgTbTables[kTbCount] = {
    {"kk", {0u, 0u}, {nullptr, nullptr}},
    {"kpk", {81664u, 84012u}, {T21<1>::IndCalcW, T21<1>::IndCalcB}},
    {"knk", {26282u, 28644u}, {T21<2>::IndCalcW, T21<2>::IndCalcB}},
    {"kbk", {27243u, 28644u}, {T21<3>::IndCalcW, T21<3>::IndCalcB}},
    {"krk", {27030u, 28644u}, {T21<4>::IndCalcW, T21<4>::IndCalcB}},
    {"kqk", {25629u, 28644u}, {T21<5>::IndCalcW, T21<5>::IndCalcB}},
    {"kpkp", {3863492u, 3863492u}, {T22<1, 1>::IndCalcW, T22<1, 1>::IndCalcB}},
    {"knkp", {4931904u, 4981504u}, {T22<2, 1>::IndCalcW, T22<2, 1>::IndCalcB}},
    {"knkn", {1603202u, 1603202u}, {T22<2, 2>::IndCalcW, T22<2, 2>::IndCalcB}},
    {"kbkp", {5112000u, 4981504u}, {T22<3, 1>::IndCalcW, T22<3, 1>::IndCalcB}},
    {"kbkn", {1661823u, 1603202u}, {T22<3, 2>::IndCalcW, T22<3, 2>::IndCalcB}},
    {"kbkb", {1661823u, 1661823u}, {T22<3, 3>::IndCalcW, T22<3, 3>::IndCalcB}},
    {"krkp", {5072736u, 4981504u}, {T22<4, 1>::IndCalcW, T22<4, 1>::IndCalcB}},
    {"krkn", {1649196u, 1603202u}, {T22<4, 2>::IndCalcW, T22<4, 2>::IndCalcB}},
    {"krkb", {1649196u, 1661823u}, {T22<4, 3>::IndCalcW, T22<4, 3>::IndCalcB}},
    {"krkr", {1649196u, 1649196u}, {T22<4, 4>::IndCalcW, T22<4, 4>::IndCalcB}},
    {"kqkp", {4810080u, 4981504u}, {T22<5, 1>::IndCalcW, T22<5, 1>::IndCalcB}},
    {"kqkn", {1563735u, 1603202u}, {T22<5, 2>::IndCalcW, T22<5, 2>::IndCalcB}},
    {"kqkb", {1563735u, 1661823u}, {T22<5, 3>::IndCalcW, T22<5, 3>::IndCalcB}},
    {"kqkr", {1563735u, 1649196u}, {T22<5, 4>::IndCalcW, T22<5, 4>::IndCalcB}},
    {"kqkq", {1563735u, 1563735u}, {T22<5, 5>::IndCalcW, T22<5, 5>::IndCalcB}},
    {"kppk", {1806671u, 1912372u}, {T31<1, 1>::IndCalcW, T31<1, 1>::IndCalcB}},
    {"knpk", {4648581u, 5124732u}, {T31<2, 1>::IndCalcW, T31<2, 1>::IndCalcB}},
    {"knnk", {735304u, 873642u}, {T31<2, 2>::IndCalcW, T31<2, 2>::IndCalcB}},
    {"kbpk", {4817128u, 5124732u}, {T31<3, 1>::IndCalcW, T31<3, 1>::IndCalcB}},
    {"kbnk", {1550620u, 1747284u}, {T31<3, 2>::IndCalcW, T31<3, 2>::IndCalcB}},
    {"kbbk", {789885u, 873642u}, {T31<3, 3>::IndCalcW, T31<3, 3>::IndCalcB}},
    {"krpk", {4779530u, 5124732u}, {T31<4, 1>::IndCalcW, T31<4, 1>::IndCalcB}},
    {"krnk", {1538479u, 1747284u}, {T31<4, 2>::IndCalcW, T31<4, 2>::IndCalcB}},
    {"krbk", {1594560u, 1747284u}, {T31<4, 3>::IndCalcW, T31<4, 3>::IndCalcB}},
    {"krrk", {777300u, 873642u}, {T31<4, 4>::IndCalcW, T31<4, 4>::IndCalcB}},
    {"kqpk", {4533490u, 5124732u}, {T31<5, 1>::IndCalcW, T31<5, 1>::IndCalcB}},
    {"kqnk", {1459616u, 1747284u}, {T31<5, 2>::IndCalcW, T31<5, 2>::IndCalcB}},
    {"kqbk", {1512507u, 1747284u}, {T31<5, 3>::IndCalcW, T31<5, 3>::IndCalcB}},
    {"kqrk", {1500276u, 1747284u}, {T31<5, 4>::IndCalcW, T31<5, 4>::IndCalcB}},
    {"kqqk", {698739u, 873642u}, {T31<5, 5>::IndCalcW, T31<5, 5>::IndCalcB}},
    {"kppkp", {84219361u, 89391280u}, {T32<1, 1, 1>::IndCalcW, T32<1, 1, 1>::IndCalcB}},
    {"kppkn", {108400260u, 115899744u}, {T32<1, 1, 2>::IndCalcW, T32<1, 1, 2>::IndCalcB}},
    {"kppkb", {108400260u, 120132000u}, {T32<1, 1, 3>::IndCalcW, T32<1, 1, 3>::IndCalcB}},
    {"kppkr", {108400260u, 119209296u}, {T32<1, 1, 4>::IndCalcW, T32<1, 1, 4>::IndCalcB}},
    {"kppkq", {108400260u, 113036880u}, {T32<1, 1, 5>::IndCalcW, T32<1, 1, 5>::IndCalcB}},
    {"knpkp", {219921779u, 231758952u}, {T32<2, 1, 1>::IndCalcW, T32<2, 1, 1>::IndCalcB}},
    {"knpkn", {278914860u, 295914240u}, {T32<2, 1, 2>::IndCalcW, T32<2, 1, 2>::IndCalcB}},
    {"knpkb", {278914860u, 306720000u}, {T32<2, 1, 3>::IndCalcW, T32<2, 1, 3>::IndCalcB}},
    {"knpkr", {278914860u, 304369920u}, {T32<2, 1, 4>::IndCalcW, T32<2, 1, 4>::IndCalcB}},
    {"knpkq", {278914860u, 288610560u}, {T32<2, 1, 5>::IndCalcW, T32<2, 1, 5>::IndCalcB}},
    {"knnkp", {137991648u, 149445120u}, {T32<2, 2, 1>::IndCalcW, T32<2, 2, 1>::IndCalcB}},
    {"knnkn", {44118240u, 48096060u}, {T32<2, 2, 2>::IndCalcW, T32<2, 2, 2>::IndCalcB}},
    {"knnkb", {44118240u, 49854690u}, {T32<2, 2, 3>::IndCalcW, T32<2, 2, 3>::IndCalcB}},
    {"knnkr", {44118240u, 49475880u}, {T32<2, 2, 4>::IndCalcW, T32<2, 2, 4>::IndCalcB}},
    {"knnkq", {44118240u, 46912050u}, {T32<2, 2, 5>::IndCalcW, T32<2, 2, 5>::IndCalcB}},
    {"kbpkp", {227896016u, 231758952u}, {T32<3, 1, 1>::IndCalcW, T32<3, 1, 1>::IndCalcB}},
    {"kbpkn", {289027680u, 295914240u}, {T32<3, 1, 2>::IndCalcW, T32<3, 1, 2>::IndCalcB}},
    {"kbpkb", {289027680u, 306720000u}, {T32<3, 1, 3>::IndCalcW, T32<3, 1, 3>::IndCalcB}},
    {"kbpkr", {289027680u, 304369920u}, {T32<3, 1, 4>::IndCalcW, T32<3, 1, 4>::IndCalcB}},
    {"kbpkq", {289027680u, 288610560u}, {T32<3, 1, 5>::IndCalcW, T32<3, 1, 5>::IndCalcB}},
    {"kbnkp", {290989584u, 298890240u}, {T32<3, 2, 1>::IndCalcW, T32<3, 2, 1>::IndCalcB}},
    {"kbnkn", {93037200u, 96192120u}, {T32<3, 2, 2>::IndCalcW, T32<3, 2, 2>::IndCalcB}},
    {"kbnkb", {93037200u, 99709380u}, {T32<3, 2, 3>::IndCalcW, T32<3, 2, 3>::IndCalcB}},
    {"kbnkr", {93037200u, 98951760u}, {T32<3, 2, 4>::IndCalcW, T32<3, 2, 4>::IndCalcB}},
    {"kbnkq", {93037200u, 93824100u}, {T32<3, 2, 5>::IndCalcW, T32<3, 2, 5>::IndCalcB}},
    {"kbbkp", {148223520u, 149445120u}, {T32<3, 3, 1>::IndCalcW, T32<3, 3, 1>::IndCalcB}},
    {"kbbkn", {47393100u, 48096060u}, {T32<3, 3, 2>::IndCalcW, T32<3, 3, 2>::IndCalcB}},
    {"kbbkb", {47393100u, 49854690u}, {T32<3, 3, 3>::IndCalcW, T32<3, 3, 3>::IndCalcB}},
    {"kbbkr", {47393100u, 49475880u}, {T32<3, 3, 4>::IndCalcW, T32<3, 3, 4>::IndCalcB}},
    {"kbbkq", {47393100u, 46912050u}, {T32<3, 3, 5>::IndCalcW, T32<3, 3, 5>::IndCalcB}},
    {"krpkp", {226121876u, 231758952u}, {T32<4, 1, 1>::IndCalcW, T32<4, 1, 1>::IndCalcB}},
    {"krpkn", {286777440u, 295914240u}, {T32<4, 1, 2>::IndCalcW, T32<4, 1, 2>::IndCalcB}},
    {"krpkb", {286777440u, 306720000u}, {T32<4, 1, 3>::IndCalcW, T32<4, 1, 3>::IndCalcB}},
    {"krpkr", {286777440u, 304369920u}, {T32<4, 1, 4>::IndCalcW, T32<4, 1, 4>::IndCalcB}},
    {"krpkq", {286777440u, 288610560u}, {T32<4, 1, 5>::IndCalcW, T32<4, 1, 5>::IndCalcB}},
    {"krnkp", {288692928u, 298890240u}, {T32<4, 2, 1>::IndCalcW, T32<4, 2, 1>::IndCalcB}},
    {"krnkn", {92308740u, 96192120u}, {T32<4, 2, 2>::IndCalcW, T32<4, 2, 2>::IndCalcB}},
    {"krnkb", {92308740u, 99709380u}, {T32<4, 2, 3>::IndCalcW, T32<4, 2, 3>::IndCalcB}},
    {"krnkr", {92308740u, 98951760u}, {T32<4, 2, 4>::IndCalcW, T32<4, 2, 4>::IndCalcB}},
    {"krnkq", {92308740u, 93824100u}, {T32<4, 2, 5>::IndCalcW, T32<4, 2, 5>::IndCalcB}},
    {"krbkp", {299203200u, 298890240u}, {T32<4, 3, 1>::IndCalcW, T32<4, 3, 1>::IndCalcB}},
    {"krbkn", {95673600u, 96192120u}, {T32<4, 3, 2>::IndCalcW, T32<4, 3, 2>::IndCalcB}},
    {"krbkb", {95673600u, 99709380u}, {T32<4, 3, 3>::IndCalcW, T32<4, 3, 3>::IndCalcB}},
    {"krbkr", {95673600u, 98951760u}, {T32<4, 3, 4>::IndCalcW, T32<4, 3, 4>::IndCalcB}},
    {"krbkq", {95673600u, 93824100u}, {T32<4, 3, 5>::IndCalcW, T32<4, 3, 5>::IndCalcB}},
    {"krrkp", {145901232u, 149445120u}, {T32<4, 4, 1>::IndCalcW, T32<4, 4, 1>::IndCalcB}},
    {"krrkn", {46658340u, 48096060u}, {T32<4, 4, 2>::IndCalcW, T32<4, 4, 2>::IndCalcB}},
    {"krrkb", {46658340u, 49854690u}, {T32<4, 4, 3>::IndCalcW, T32<4, 4, 3>::IndCalcB}},
    {"krrkr", {46658340u, 49475880u}, {T32<4, 4, 4>::IndCalcW, T32<4, 4, 4>::IndCalcB}},
    {"krrkq", {46658340u, 46912050u}, {T32<4, 4, 5>::IndCalcW, T32<4, 4, 5>::IndCalcB}},
    {"kqpkp", {214481388u, 231758952u}, {T32<5, 1, 1>::IndCalcW, T32<5, 1, 1>::IndCalcB}},
    {"kqpkn", {272015040u, 295914240u}, {T32<5, 1, 2>::IndCalcW, T32<5, 1, 2>::IndCalcB}},
    {"kqpkb", {272015040u, 306720000u}, {T32<5, 1, 3>::IndCalcW, T32<5, 1, 3>::IndCalcB}},
    {"kqpkr", {272015040u, 304369920u}, {T32<5, 1, 4>::IndCalcW, T32<5, 1, 4>::IndCalcB}},
    {"kqpkq", {272015040u, 288610560u}, {T32<5, 1, 5>::IndCalcW, T32<5, 1, 5>::IndCalcB}},
    {"kqnkp", {273904512u, 298890240u}, {T32<5, 2, 1>::IndCalcW, T32<5, 2, 1>::IndCalcB}},
    {"kqnkn", {87576960u, 96192120u}, {T32<5, 2, 2>::IndCalcW, T32<5, 2, 2>::IndCalcB}},
    {"kqnkb", {87576960u, 99709380u}, {T32<5, 2, 3>::IndCalcW, T32<5, 2, 3>::IndCalcB}},
    {"kqnkr", {87576960u, 98951760u}, {T32<5, 2, 4>::IndCalcW, T32<5, 2, 4>::IndCalcB}},
    {"kqnkq", {87576960u, 93824100u}, {T32<5, 2, 5>::IndCalcW, T32<5, 2, 5>::IndCalcB}},
    {"kqbkp", {283818240u, 298890240u}, {T32<5, 3, 1>::IndCalcW, T32<5, 3, 1>::IndCalcB}},
    {"kqbkn", {90750420u, 96192120u}, {T32<5, 3, 2>::IndCalcW, T32<5, 3, 2>::IndCalcB}},
    {"kqbkb", {90750420u, 99709380u}, {T32<5, 3, 3>::IndCalcW, T32<5, 3, 3>::IndCalcB}},
    {"kqbkr", {90750420u, 98951760u}, {T32<5, 3, 4>::IndCalcW, T32<5, 3, 4>::IndCalcB}},
    {"kqbkq", {90750420u, 93824100u}, {T32<5, 3, 5>::IndCalcW, T32<5, 3, 5>::IndCalcB}},
    {"kqrkp", {281568240u, 298890240u}, {T32<5, 4, 1>::IndCalcW, T32<5, 4, 1>::IndCalcB}},
    {"kqrkn", {90038460u, 96192120u}, {T32<5, 4, 2>::IndCalcW, T32<5, 4, 2>::IndCalcB}},
    {"kqrkb", {90038460u, 99709380u}, {T32<5, 4, 3>::IndCalcW, T32<5, 4, 3>::IndCalcB}},
    {"kqrkr", {90038460u, 98951760u}, {T32<5, 4, 4>::IndCalcW, T32<5, 4, 4>::IndCalcB}},
    {"kqrkq", {90038460u, 93824100u}, {T32<5, 4, 5>::IndCalcW, T32<5, 4, 5>::IndCalcB}},
    {"kqqkp", {131170128u, 149445120u}, {T32<5, 5, 1>::IndCalcW, T32<5, 5, 1>::IndCalcB}},
    {"kqqkn", {41944320u, 48096060u}, {T32<5, 5, 2>::IndCalcW, T32<5, 5, 2>::IndCalcB}},
    {"kqqkb", {41944320u, 49854690u}, {T32<5, 5, 3>::IndCalcW, T32<5, 5, 3>::IndCalcB}},
    {"kqqkr", {41944320u, 49475880u}, {T32<5, 5, 4>::IndCalcW, T32<5, 5, 4>::IndCalcB}},
    {"kqqkq", {41944320u, 46912050u}, {T32<5, 5, 5>::IndCalcW, T32<5, 5, 5>::IndCalcB}},
};
