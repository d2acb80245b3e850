#include "egtb/tbgen_solve.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "egtb/tbindex.h"

namespace {

constexpr int kPawn = 1, kKnight = 2, kBishop = 3, kRook = 4, kQueen = 5, kKing = 6;
constexpr int kMaxMoves = 256;

int File(int sq) {
  return sq & 7;
}
int Rank(int sq) {
  return sq >> 3;
}
uint64_t Bit(int sq) {
  return uint64_t{1} << sq;
}
int Reflect(int sq) {
  return ((sq & 7) << 3) | (sq >> 3);
}  // in the a1-h8 diagonal

// Attack sets, rays and the squares between two squares on a line.
struct Geometry {
  uint64_t king[64], knight[64], pawnAtt[2][64];
  uint64_t between[64][64];
  uint8_t line[64][64];  // 1 same rank or file, 2 same diagonal, 0 neither
  int8_t ray[64][8][7];  // directions 0..3 orthogonal, 4..7 diagonal
  int8_t rayLen[64][8];
};

Geometry geo;
bool fGeoBuilt = false;

void BuildGeometry() {
  if (fGeoBuilt) return;
  static const int kDf[8] = {1, -1, 0, 0, 1, -1, 1, -1};
  static const int kDr[8] = {0, 0, 1, -1, 1, 1, -1, -1};
  static const int kNf[8] = {1, 2, 2, 1, -1, -2, -2, -1};
  static const int kNr[8] = {2, 1, -1, -2, -2, -1, 1, 2};
  memset(&geo, 0, sizeof(geo));
  for (int sq = 0; sq < 64; sq++) {
    const int f = File(sq), r = Rank(sq);
    for (int d = 0; d < 8; d++) {
      auto on = [](int ff, int rr) { return ff >= 0 && ff < 8 && rr >= 0 && rr < 8; };
      if (on(f + kDf[d], r + kDr[d])) geo.king[sq] |= Bit((r + kDr[d]) * 8 + f + kDf[d]);
      if (on(f + kNf[d], r + kNr[d])) geo.knight[sq] |= Bit((r + kNr[d]) * 8 + f + kNf[d]);
      uint64_t passed = 0;
      int ff = f + kDf[d], rr = r + kDr[d];
      while (on(ff, rr)) {
        const int t = rr * 8 + ff;
        geo.ray[sq][d][geo.rayLen[sq][d]++] = static_cast<int8_t>(t);
        geo.between[sq][t] = passed;
        geo.line[sq][t] = d < 4 ? 1 : 2;
        passed |= Bit(t);
        ff += kDf[d];
        rr += kDr[d];
      }
    }
    if (r < 7 && f > 0) geo.pawnAtt[0][sq] |= Bit(sq + 7);
    if (r < 7 && f < 7) geo.pawnAtt[0][sq] |= Bit(sq + 9);
    if (r > 0 && f > 0) geo.pawnAtt[1][sq] |= Bit(sq - 9);
    if (r > 0 && f < 7) geo.pawnAtt[1][sq] |= Bit(sq - 7);
  }
  fGeoBuilt = true;
}

bool Attacks(int kind, int side, int from, int to, uint64_t occ) {
  switch (kind) {
    case kPawn:
      return geo.pawnAtt[side][from] & Bit(to);
    case kKnight:
      return geo.knight[from] & Bit(to);
    case kKing:
      return geo.king[from] & Bit(to);
    case kBishop:
      return geo.line[from][to] == 2 && !(geo.between[from][to] & occ);
    case kRook:
      return geo.line[from][to] == 1 && !(geo.between[from][to] & occ);
    default:
      return geo.line[from][to] && !(geo.between[from][to] & occ);
  }
}

uint64_t Occupancy(const TbgLayout& l, const TbgPos& p) {
  uint64_t occ = 0;
  for (int m = 0; m < l.cMen; m++)
    if (p.sq[m] >= 0) occ |= Bit(p.sq[m]);
  return occ;
}

int ManAt(const TbgLayout& l, const TbgPos& p, int sq) {
  for (int m = 0; m < l.cMen; m++)
    if (p.sq[m] == sq) return m;
  return -1;
}

bool IsPawnOf(const TbgLayout& l, const TbgPos& p, int sq, int side) {
  const int m = ManAt(l, p, sq);
  return m >= 0 && l.men[m].kind == kPawn && l.men[m].side == side;
}

// A pawn of `side` beside square sq on its rank.
bool PawnBeside(const TbgLayout& l, const TbgPos& p, int sq, int side) {
  return (File(sq) > 0 && IsPawnOf(l, p, sq - 1, side)) ||
         (File(sq) < 7 && IsPawnOf(l, p, sq + 1, side));
}

// Men m-1 and m are alike (same side and kind): their squares are kept sorted.
bool SameAsPrevious(const TbgLayout& l, int m) {
  return m > 2 && l.men[m].side == l.men[m - 1].side && l.men[m].kind == l.men[m - 1].kind;
}

void SortAlike(const TbgLayout& l, int* sq) {
  for (int m = 3; m < l.cMen; m++)
    for (int j = m; SameAsPrevious(l, j) && sq[j - 1] > sq[j]; j--) std::swap(sq[j - 1], sq[j]);
}

// The board node of a canonical placement.
uint32_t BoardNode(const TbgLayout& l, const int* sq) {
  uint32_t node = static_cast<uint32_t>(l.pairOf[sq[0]][sq[1]]);
  for (int m = 2; m < l.cMen; m++)
    node = node * l.radix[m] + static_cast<uint32_t>(l.men[m].kind == kPawn ? sq[m] - 8 : sq[m]);
  return node;
}

// Brings a placement to its representative: the first side's king on files
// a-d (with pawns) or in the a1-d1-d4 triangle, the second king on or below
// the diagonal when the first is on it, and with both kings on the diagonal
// the smaller of the placement and its reflection.
void Canonicalize(const TbgLayout& l, TbgPos* p) {
  int x;
  if (l.fPawns)
    x = File(p->sq[0]) >= 4 ? 7 : 0;
  else
    x = (File(p->sq[0]) >= 4 ? 7 : 0) | (Rank(p->sq[0]) >= 4 ? 56 : 0);
  if (x) {
    for (int m = 0; m < l.cMen; m++) p->sq[m] ^= x;
    if (p->ep >= 0) p->ep ^= x;
  }
  if (!l.fPawns) {
    const int wk = p->sq[0], bk = p->sq[1];
    bool reflect = false;
    if (Rank(wk) > File(wk)) {
      reflect = true;
    } else if (Rank(wk) == File(wk)) {
      if (Rank(bk) > File(bk)) {
        reflect = true;
      } else if (Rank(bk) == File(bk)) {
        int a[kTbgMaxMen], b[kTbgMaxMen];
        for (int m = 0; m < l.cMen; m++) {
          a[m] = p->sq[m];
          b[m] = Reflect(p->sq[m]);
        }
        SortAlike(l, a);
        SortAlike(l, b);
        reflect = std::lexicographical_compare(b + 2, b + l.cMen, a + 2, a + l.cMen);
      }
    }
    if (reflect)
      for (int m = 0; m < l.cMen; m++) p->sq[m] = Reflect(p->sq[m]);
  }
  SortAlike(l, p->sq);
}

// Symmetry g of a placement: bit 0 mirrors the files, bit 1 the ranks, bit 2
// reflects in the diagonal first.
TbgPos Image(const TbgLayout& l, const TbgPos& p, int g) {
  auto image = [g](int sq) {
    if (g & 4) sq = Reflect(sq);
    return sq ^ (g & 1 ? 7 : 0) ^ (g & 2 ? 56 : 0);
  };
  TbgPos q = p;
  for (int m = 0; m < l.cMen; m++) q.sq[m] = image(p.sq[m]);
  if (p.ep >= 0) q.ep = image(p.ep);
  return q;
}

bool IsConversion(const TbgMove& m) {
  return m.victim >= 0 || m.promo != 0;
}

// ---- Files of the tables ----

std::string dirTb = ".";
std::vector<int8_t> rgData[kTbCount][2];
bool rgfLoaded[kTbCount][2];

std::string FilePath(int iTb, int side) {
  return dirTb + "/" + rgTbTables[iTb].name + (side ? ".nbb" : ".nbw");
}

long FileLength(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return -1;
  long n = -1;
  if (fseek(f, 0, SEEK_END) == 0) n = ftell(f);
  fclose(f);
  return n;
}

[[noreturn]] void Fatal(const char* what, const std::string& detail) {
  fprintf(stderr, "tbgen: %s %s\n", what, detail.c_str());
  exit(1);
}

const std::vector<int8_t>& Loaded(int iTb, int side) {
  if (!rgfLoaded[iTb][side]) {
    const std::string path = FilePath(iTb, side);
    const uint32_t len = rgTbTables[iTb].length[side];
    std::vector<int8_t>& v = rgData[iTb][side];
    v.resize(len);
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) Fatal("cannot open", path);
    const size_t got = fread(v.data(), 1, len, f);
    const bool atEnd = fgetc(f) == EOF;
    fclose(f);
    if (got != len || !atEnd) Fatal("wrong length of", path);
    rgfLoaded[iTb][side] = true;
  }
  return rgData[iTb][side];
}

int ReadByte(int iTb, int side, INDEX idx) {
  const std::vector<int8_t>& v = Loaded(iTb, side);
  if (idx >= v.size())
    Fatal("index beyond the end of", FilePath(iTb, side) + " (" + std::to_string(idx) + ")");
  return v[idx];
}

// Table of a material (counts per side of kinds 1..5): +iTb with the first
// side white, -iTb with colours exchanged, kBareKings for two kings.
constexpr int kBareKings = 1000;
int16_t rgMaterial[1 << 20];

std::string HalfName(const int* counts) {
  std::string s = "k";
  for (int k = kQueen; k >= kPawn; k--) s.append(static_cast<size_t>(counts[k]), " pnbrq"[k]);
  return s;
}

int FindTable(const std::string& name) {
  for (int i = 1; i < kTbCount; i++)
    if (name == rgTbTables[i].name) return i;
  return 0;
}

int TableOfMaterial(const int counts[2][6]) {
  uint32_t key = 0;
  for (int s = 0; s < 2; s++)
    for (int k = kPawn; k <= kQueen; k++) key = key * 4 + static_cast<uint32_t>(counts[s][k]);
  if (rgMaterial[key] == 0) {
    if (key == 0) {
      rgMaterial[key] = kBareKings;
    } else {
      const std::string w = HalfName(counts[0]), b = HalfName(counts[1]);
      int t = FindTable(w + b);
      if (t == 0) t = -FindTable(b + w);
      if (t == 0) Fatal("no table for", w + b);
      rgMaterial[key] = static_cast<int16_t>(t);
    }
  }
  return rgMaterial[key];
}

// Square arrays of the index functions, per colour: slot (kind - 1) * 3 + n
// for the n-th man of a kind, slot 15 the king. Man promoMan counts as promo.
void SquareArrays(const TbgLayout& l, const TbgPos& p, int promoMan, int promo, int sqs[2][16],
                  int counts[2][6]) {
  memset(sqs, 0, sizeof(int) * 32);
  memset(counts, 0, sizeof(int) * 12);
  for (int m = 0; m < l.cMen; m++) {
    if (p.sq[m] < 0) continue;
    const int s = l.men[m].side;
    const int k = m == promoMan && promo ? promo : l.men[m].kind;
    if (k == kKing)
      sqs[s][15] = p.sq[m];
    else
      sqs[s][(k - 1) * 3 + counts[s][k]++] = p.sq[m];
  }
}

// The stored byte of the position after a capture or promotion, `stm` to
// move, found as the engine's probe finds it.
int ProbeConversion(const TbgLayout& l, const TbgPos& p, int promoMan, int promo, int stm) {
  int sqs[2][16], counts[2][6];
  SquareArrays(l, p, promoMan, promo, sqs, counts);
  const int t = TableOfMaterial(counts);
  if (t == kBareKings) return 0;
  if (t > 0) return ReadByte(t, stm, rgTbTables[t].indcalc[stm](sqs[0], sqs[1], 127, 0));
  return ReadByte(-t, 1 - stm, rgTbTables[-t].indcalc[1 - stm](sqs[1], sqs[0], 127, 1));
}

// ---- Values ----

// A stored byte as outcome for the side to move (1 win, -1 loss, 0 draw,
// 2 unknown) and distance in plies (mated now 0, mate in 1 one ply).
struct Outcome {
  int kind, ply;
};

Outcome OutcomeOfByte(int b) {
  if (b == 0) return {0, 0};
  if (b >= 1 && b <= 126) return {1, 2 * (127 - b) - 1};
  if (b >= -126 && b <= -1) return {-1, 2 * (b + 126)};
  return {2, 0};
}

int ByteOfPly(int ply) {
  return ply & 1 ? 127 - (ply + 1) / 2 : ply / 2 - 126;
}

// Node states while solving: st holds ply + 1 once known (or the tentative
// win ply + 1, or the least loss ply + 1 that captures force), kStDraw for
// a final draw, kStDead for a dead node. cnt holds the in-table successors
// not yet known to win for the opponent, kCntNoLoss when the node cannot be
// lost, kCntDone once st is final.
constexpr uint8_t kStDraw = 254, kStDead = 255;
constexpr uint8_t kCntNoLoss = 254, kCntDone = 255;
constexpr int kMaxPly = 252;

uint32_t SortUnique(uint32_t* v, int n) {
  std::sort(v, v + n);
  return static_cast<uint32_t>(std::unique(v, v + n) - v);
}

uint32_t EncodeOrDie(const TbgLayout& l, int side, const TbgPos& p) {
  const uint32_t node = TbgEncode(l, side, p);
  if (node == UINT32_MAX) {
    char text[96];
    TbgDescribe(l, p, side, text, sizeof(text));
    Fatal("no node for", text);
  }
  return node;
}

void BuildEnPassantKeys(TbgLayout* l) {
  for (int s = 0; s < 2; s++) {
    std::vector<uint64_t>& keys = l->epKeys[s];
    keys.clear();
    const int y = 1 - s, fwd = y == 0 ? 8 : -8, rank = y == 0 ? 3 : 4;
    for (uint32_t node = 0; node < l->cNodes; node++) {
      TbgPos p;
      if (!TbgDecode(*l, s, node, &p)) continue;
      const uint64_t occ = Occupancy(*l, p);
      for (int m = 2; m < l->cMen; m++) {
        const int q = p.sq[m];
        if (l->men[m].side != y || l->men[m].kind != kPawn || Rank(q) != rank) continue;
        if ((occ & Bit(q - fwd)) || (occ & Bit(q - 2 * fwd)) || !PawnBeside(*l, p, q, s)) continue;
        keys.push_back(uint64_t{node} << 6 | static_cast<uint64_t>(q - fwd));
      }
    }
    std::sort(keys.begin(), keys.end());
  }
}

}  // namespace

// ---- 1. Layout ----

bool TbgLayoutInit(TbgLayout* l, int iTb) {
  if (iTb < 1 || iTb >= kTbCount) return false;
  BuildGeometry();
  VInitEnumerations();
  l->iTb = iTb;
  l->name = rgTbTables[iTb].name;
  const char* s = l->name;
  if (s[0] != 'k') return false;
  l->cMen = 2;
  l->men[0] = {0, kKing};
  l->men[1] = {1, kKing};
  int side = 0;
  for (const char* c = s + 1; *c; c++) {
    if (*c == 'k') {
      side = 1;
      continue;
    }
    const char* k = strchr(" pnbrq", *c);
    if (!k || l->cMen >= kTbgMaxMen) return false;
    l->men[l->cMen++] = {side, static_cast<int>(k - " pnbrq")};
  }
  bool pawn[2] = {false, false};
  l->cPlacements = 1;
  for (int m = 2; m < l->cMen; m++) {
    if (l->men[m].kind == kPawn) pawn[l->men[m].side] = true;
    l->radix[m] = l->men[m].kind == kPawn ? 48 : 64;
    l->cPlacements *= l->radix[m];
  }
  l->fPawns = pawn[0] || pawn[1];
  l->fEnPassant = pawn[0] && pawn[1];
  l->cPairs = 0;
  for (int wk = 0; wk < 64; wk++)
    for (int bk = 0; bk < 64; bk++) {
      bool ok = wk != bk && !(geo.king[wk] & Bit(bk));
      if (l->fPawns)
        ok = ok && File(wk) < 4;
      else
        ok = ok && File(wk) < 4 && Rank(wk) <= File(wk) &&
             (Rank(wk) != File(wk) || File(bk) >= Rank(bk));
      l->pairOf[wk][bk] = static_cast<int16_t>(ok ? l->cPairs : -1);
      if (ok) {
        l->pairSq[l->cPairs][0] = static_cast<uint8_t>(wk);
        l->pairSq[l->cPairs][1] = static_cast<uint8_t>(bk);
        l->cPairs++;
      }
    }
  l->cNodes = static_cast<uint32_t>(l->cPairs) * l->cPlacements;
  if (l->fEnPassant) BuildEnPassantKeys(l);
  return true;
}

uint32_t TbgNodeCount(const TbgLayout& l, int side) {
  return l.cNodes + static_cast<uint32_t>(l.epKeys[side].size());
}

// ---- 2. Numbering ----

uint32_t TbgEncode(const TbgLayout& l, int side, const TbgPos& p) {
  TbgPos c = p;
  Canonicalize(l, &c);
  if (l.pairOf[c.sq[0]][c.sq[1]] < 0) return UINT32_MAX;
  const uint32_t node = BoardNode(l, c.sq);
  if (c.ep < 0) return node;
  const uint64_t key = uint64_t{node} << 6 | static_cast<uint64_t>(c.ep);
  const std::vector<uint64_t>& keys = l.epKeys[side];
  const auto it = std::lower_bound(keys.begin(), keys.end(), key);
  if (it == keys.end() || *it != key) return UINT32_MAX;
  return l.cNodes + static_cast<uint32_t>(it - keys.begin());
}

bool TbgDecode(const TbgLayout& l, int side, uint32_t node, TbgPos* p) {
  uint32_t board = node;
  p->ep = -1;
  if (node >= l.cNodes) {
    const uint64_t key = l.epKeys[side][node - l.cNodes];
    board = static_cast<uint32_t>(key >> 6);
    p->ep = static_cast<int>(key & 63);
  }
  uint32_t rest = board % l.cPlacements;
  const uint32_t pair = board / l.cPlacements;
  p->sq[0] = l.pairSq[pair][0];
  p->sq[1] = l.pairSq[pair][1];
  for (int m = l.cMen - 1; m >= 2; m--) {
    const int d = static_cast<int>(rest % l.radix[m]);
    rest /= l.radix[m];
    p->sq[m] = l.men[m].kind == kPawn ? d + 8 : d;
  }
  if (p->ep >= 0) return true;  // built from a live node
  uint64_t occ = 0;
  for (int m = 0; m < l.cMen; m++) {
    if (occ & Bit(p->sq[m])) return false;
    occ |= Bit(p->sq[m]);
  }
  TbgPos c = *p;
  Canonicalize(l, &c);
  if (memcmp(c.sq, p->sq, sizeof(int) * static_cast<size_t>(l.cMen)) != 0) return false;
  return !TbgInCheck(l, *p, 1 - side);
}

// ---- 3. Moves ----

bool TbgInCheck(const TbgLayout& l, const TbgPos& p, int side) {
  const int k = p.sq[side];
  const uint64_t occ = Occupancy(l, p);
  for (int m = 0; m < l.cMen; m++)
    if (l.men[m].side != side && p.sq[m] >= 0 &&
        Attacks(l.men[m].kind, l.men[m].side, p.sq[m], k, occ))
      return true;
  return false;
}

TbgPos TbgMakeMove(const TbgLayout& l, const TbgPos& p, const TbgMove& mv) {
  TbgPos q = p;
  q.ep = -1;
  if (mv.victim >= 0) q.sq[mv.victim] = -1;
  const int from = p.sq[mv.man];
  q.sq[mv.man] = mv.to;
  // A double step beside an enemy pawn opens en passant.
  const int side = l.men[mv.man].side;
  if (l.men[mv.man].kind == kPawn && (mv.to - from == 16 || from - mv.to == 16) &&
      PawnBeside(l, q, mv.to, 1 - side))
    q.ep = (from + mv.to) / 2;
  return q;
}

bool TbgIsConversion(const TbgMove& m) {
  return IsConversion(m);
}

int TbgLegalMoves(const TbgLayout& l, const TbgPos& p, int side, TbgMove* moves) {
  const uint64_t occ = Occupancy(l, p);
  int n = 0;
  auto add = [&](int man, int to, int victim, int promo) {
    if (victim >= 0 && l.men[victim].kind == kKing) return;
    const TbgMove mv{man, to, victim, promo};
    if (!TbgInCheck(l, TbgMakeMove(l, p, mv), side)) moves[n++] = mv;
  };
  auto addPawn = [&](int man, int to, int victim) {
    if (Rank(to) == 0 || Rank(to) == 7) {
      for (int k = kQueen; k >= kKnight; k--) add(man, to, victim, k);
    } else {
      add(man, to, victim, 0);
    }
  };
  for (int m = 0; m < l.cMen; m++) {
    const int from = p.sq[m];
    if (l.men[m].side != side || from < 0) continue;
    const int kind = l.men[m].kind;
    if (kind == kPawn) {
      const int fwd = side == 0 ? 8 : -8, to = from + fwd;
      if (!(occ & Bit(to))) {
        addPawn(m, to, -1);
        if (Rank(from) == (side == 0 ? 1 : 6) && !(occ & Bit(to + fwd))) add(m, to + fwd, -1, 0);
      }
      for (uint64_t a = geo.pawnAtt[side][from]; a; a &= a - 1) {
        const int t = __builtin_ctzll(a), v = ManAt(l, p, t);
        if (v >= 0 && l.men[v].side != side) addPawn(m, t, v);
      }
      if (p.ep >= 0 && (geo.pawnAtt[side][from] & Bit(p.ep)))
        add(m, p.ep, ManAt(l, p, p.ep - fwd), 0);
    } else if (kind == kKing || kind == kKnight) {
      for (uint64_t a = kind == kKing ? geo.king[from] : geo.knight[from]; a; a &= a - 1) {
        const int t = __builtin_ctzll(a), v = ManAt(l, p, t);
        if (v < 0 || l.men[v].side != side) add(m, t, v, 0);
      }
    } else {
      const int d0 = kind == kBishop ? 4 : 0, d1 = kind == kRook ? 4 : 8;
      for (int d = d0; d < d1; d++)
        for (int i = 0; i < geo.rayLen[from][d]; i++) {
          const int t = geo.ray[from][d][i], v = ManAt(l, p, t);
          if (v >= 0) {
            if (l.men[v].side != side) add(m, t, v, 0);
            break;
          }
          add(m, t, -1, 0);
        }
    }
  }
  return n;
}

// Positions with the other side to move that reach p by a move which stays
// in the table: each predecessor placement, and the same placement just
// after a double step of one of `side`'s pawns when that opens en passant.
int TbgUnmoves(const TbgLayout& l, const TbgPos& p, int side, TbgPos* preds) {
  const int x = 1 - side, fwdX = x == 0 ? 8 : -8;
  int n = 0;
  auto add = [&](const TbgPos& q) {
    if (TbgInCheck(l, q, side)) return;
    preds[n++] = q;
    if (!l.fEnPassant) return;
    const uint64_t occ = Occupancy(l, q);
    const int fwdY = -fwdX, rankY = side == 0 ? 3 : 4;
    for (int m = 2; m < l.cMen; m++) {
      const int s = q.sq[m];
      if (l.men[m].side != side || l.men[m].kind != kPawn || Rank(s) != rankY) continue;
      if ((occ & Bit(s - fwdY)) || (occ & Bit(s - 2 * fwdY)) || !PawnBeside(l, q, s, x)) continue;
      preds[n] = q;
      preds[n++].ep = s - fwdY;
    }
  };
  // 1. Just after a double step only that step can be taken back.
  if (p.ep >= 0) {
    TbgPos q = p;
    q.ep = -1;
    q.sq[ManAt(l, p, p.ep + fwdX)] = p.ep - fwdX;
    add(q);
    return n;
  }
  // 2. Any other man of x steps back onto an empty square.
  const uint64_t occ = Occupancy(l, p);
  for (int m = 0; m < l.cMen; m++) {
    const int from = p.sq[m];
    if (l.men[m].side != x) continue;
    const int kind = l.men[m].kind;
    auto back = [&](int to) {
      TbgPos q = p;
      q.sq[m] = to;
      add(q);
    };
    if (kind == kPawn) {
      const int to = from - fwdX;
      if (Rank(to) == 0 || Rank(to) == 7 || (occ & Bit(to))) continue;
      back(to);
      // A double step beside an enemy pawn would have opened en passant.
      if (Rank(from) == (x == 0 ? 3 : 4) && !(occ & Bit(to - fwdX)) &&
          !PawnBeside(l, p, from, side))
        back(to - fwdX);
    } else if (kind == kKing || kind == kKnight) {
      for (uint64_t a = (kind == kKing ? geo.king[from] : geo.knight[from]) & ~occ; a; a &= a - 1)
        back(__builtin_ctzll(a));
    } else {
      const int d0 = kind == kBishop ? 4 : 0, d1 = kind == kRook ? 4 : 8;
      for (int d = d0; d < d1; d++)
        for (int i = 0; i < geo.rayLen[from][d] && !(occ & Bit(geo.ray[from][d][i])); i++)
          back(geo.ray[from][d][i]);
    }
  }
  return n;
}

// ---- 4. Files ----

void TbgSetDirectory(const char* dir) {
  dirTb = dir;
}

std::vector<int> TbgDependencies(int iTb) {
  TbgLayout* l = new TbgLayout;
  std::vector<int> deps;
  if (!TbgLayoutInit(l, iTb)) {
    delete l;
    return deps;
  }
  auto note = [&](int counts[2][6]) {
    const int t = TableOfMaterial(counts);
    const int a = t < 0 ? -t : t;
    if (t != kBareKings && std::find(deps.begin(), deps.end(), a) == deps.end()) deps.push_back(a);
  };
  int base[2][6] = {};
  for (int m = 2; m < l->cMen; m++) base[l->men[m].side][l->men[m].kind]++;
  for (int m = 2; m < l->cMen; m++) {
    const int s = l->men[m].side, k = l->men[m].kind;
    int c[2][6];
    memcpy(c, base, sizeof(c));
    c[s][k]--;  // m captured
    note(c);
    if (k != kPawn) continue;
    for (int pr = kKnight; pr <= kQueen; pr++) {
      memcpy(c, base, sizeof(c));
      c[s][kPawn]--;
      c[s][pr]++;
      note(c);  // promotion
      for (int v = 2; v < l->cMen; v++) {
        if (l->men[v].side == s || l->men[v].kind == kPawn) continue;
        int d[2][6];
        memcpy(d, c, sizeof(d));
        d[1 - s][l->men[v].kind]--;
        note(d);  // promotion with a capture
      }
    }
  }
  delete l;
  return deps;
}

bool TbgFilesPresent(int iTb) {
  for (int s = 0; s < 2; s++)
    if (FileLength(FilePath(iTb, s)) != static_cast<long>(rgTbTables[iTb].length[s])) return false;
  return true;
}

void TbgForget(int iTb) {
  for (int s = 0; s < 2; s++) {
    std::vector<int8_t>().swap(rgData[iTb][s]);
    rgfLoaded[iTb][s] = false;
  }
}

int TbgFileValue(const TbgLayout& l, const TbgPos& p, int side) {
  int sqs[2][16], counts[2][6];
  SquareArrays(l, p, -1, 0, sqs, counts);
  return ReadByte(l.iTb, side,
                  rgTbTables[l.iTb].indcalc[side](sqs[0], sqs[1], p.ep >= 0 ? p.ep : 127, 0));
}

// ---- 5. Solving ----

bool TbgGenerate(int iTb, TbgStats* stats, FILE* log) {
  std::unique_ptr<TbgLayout> pl(new TbgLayout);
  TbgLayout& l = *pl;
  if (!TbgLayoutInit(&l, iTb)) return false;
  TbgForget(iTb);
  *stats = TbgStats();
  std::vector<uint8_t> st[2], cnt[2];
  for (int s = 0; s < 2; s++) {
    st[s].assign(TbgNodeCount(l, s), 0);
    cnt[s].assign(TbgNodeCount(l, s), kCntDone);
  }
  int maxPly = 0;
  TbgMove moves[kMaxMoves];
  uint32_t succ[kMaxMoves];
  TbgPos preds[kMaxMoves];

  // 1. Every node: mates and stalemates, the best capture or promotion, and
  // the number of distinct successors inside the table.
  for (int s = 0; s < 2; s++) {
    const uint32_t cn = TbgNodeCount(l, s);
    for (uint32_t i = 0; i < cn; i++) {
      TbgPos p;
      if (!TbgDecode(l, s, i, &p)) {
        st[s][i] = kStDead;
        continue;
      }
      const int n = TbgLegalMoves(l, p, s, moves);
      if (n == 0) {
        st[s][i] = TbgInCheck(l, p, s) ? 1 : kStDraw;
        continue;
      }
      int bestWin = INT_MAX, lossFloor = 0, ns = 0;
      bool noLoss = false;
      for (int k = 0; k < n; k++) {
        const TbgPos q = TbgMakeMove(l, p, moves[k]);
        if (!IsConversion(moves[k])) {
          succ[ns++] = EncodeOrDie(l, 1 - s, q);
          continue;
        }
        const Outcome o = OutcomeOfByte(ProbeConversion(l, q, moves[k].man, moves[k].promo, 1 - s));
        if (o.kind == 2) Fatal("unknown value after a capture in", l.name);
        if (o.kind == 0) noLoss = true;
        if (o.kind == -1) bestWin = std::min(bestWin, o.ply + 1);
        if (o.kind == 1) lossFloor = std::max(lossFloor, o.ply + 1);
      }
      if (bestWin != INT_MAX) {
        cnt[s][i] = kCntNoLoss;
        st[s][i] = static_cast<uint8_t>(bestWin + 1);
        maxPly = std::max(maxPly, bestWin);
      } else if (noLoss) {
        cnt[s][i] = kCntNoLoss;
      } else {
        const uint32_t u = SortUnique(succ, ns);
        cnt[s][i] = static_cast<uint8_t>(u);
        st[s][i] = static_cast<uint8_t>(lossFloor ? lossFloor + 1 : 0);
        if (u == 0) maxPly = std::max(maxPly, lossFloor);
      }
    }
  }

  // 2. By increasing distance: the nodes decided at ply d (including the
  // capture wins and forced losses due now) decide their predecessors. A
  // loss makes every predecessor a win at d + 1; a win takes one successor
  // off each predecessor's count, and a count that reaches zero is a loss
  // at d + 1 (or later, when a capture's loss is longer).
  for (int d = 0; d <= maxPly; d++) {
    if (d + 1 > kMaxPly) Fatal("distance too long in", l.name);
    const uint8_t want = static_cast<uint8_t>(d + 1);
    for (int s = 0; s < 2; s++) {
      uint8_t* a = st[s].data();
      const size_t cn = st[s].size();
      const int t = 1 - s;
      for (uint8_t* q = static_cast<uint8_t*>(memchr(a, want, cn)); q;
           q = static_cast<uint8_t*>(memchr(q + 1, want, cn - static_cast<size_t>(q + 1 - a)))) {
        const uint32_t i = static_cast<uint32_t>(q - a);
        const uint8_t c = cnt[s][i];
        if (c != kCntDone && c != kCntNoLoss && c != 0) continue;  // a floor, not a value
        cnt[s][i] = kCntDone;
        TbgPos p;
        TbgDecode(l, s, i, &p);
        const int np = TbgUnmoves(l, p, s, preds);
        for (int k = 0; k < np; k++) succ[k] = EncodeOrDie(l, t, preds[k]);
        const uint32_t u = SortUnique(succ, np);
        for (uint32_t k = 0; k < u; k++) {
          const uint32_t j = succ[k];
          const uint8_t cj = cnt[t][j];
          if (cj == kCntDone) continue;
          if ((d & 1) == 0) {
            st[t][j] = static_cast<uint8_t>(d + 2);
            cnt[t][j] = kCntDone;
            maxPly = std::max(maxPly, d + 1);
          } else if (cj != kCntNoLoss) {
            if (cj == 0) Fatal("successor count broken in", l.name);
            if (cj > 1) {
              cnt[t][j] = static_cast<uint8_t>(cj - 1);
              continue;
            }
            const int f = st[t][j];
            if (f == 0 || f <= d + 2) {
              st[t][j] = static_cast<uint8_t>(d + 2);
              cnt[t][j] = kCntDone;
              maxPly = std::max(maxPly, d + 1);
            } else {
              cnt[t][j] = 0;
              maxPly = std::max(maxPly, f - 1);
            }
          }
        }
      }
    }
  }
  // What is still open is a draw (a floor of a capture is no value).
  for (int s = 0; s < 2; s++) {
    for (size_t i = 0; i < st[s].size(); i++)
      if (cnt[s][i] != kCntDone) st[s][i] = kStDraw;
    std::vector<uint8_t>().swap(cnt[s]);
  }

  // 3. The files: each node's value at the index of its position; indexes
  // that no legal position reaches keep 127.
  bool ok = true;
  for (int s = 0; s < 2; s++) {
    const uint32_t len = rgTbTables[iTb].length[s];
    std::vector<int8_t> out(len, 127);
    uint64_t beyond = 0, clash = 0;
    TbgSideStats& ss = stats->side[s];
    for (uint32_t i = 0; i < st[s].size(); i++) {
      const uint8_t v = st[s][i];
      if (v == kStDead) continue;
      if (i >= l.cNodes) {
        stats->epPositions++;
        stats->epDiffer += v != st[s][l.epKeys[s][i - l.cNodes] >> 6];
      }
      TbgPos p;
      TbgDecode(l, s, i, &p);
      int b = 0;
      if (v >= 1 && v <= kMaxPly + 1) b = ByteOfPly(v - 1);
      if (b > 0) {
        ss.won++;
        ss.longestWin = std::max(ss.longestWin, 127 - b);
      } else if (b < 0) {
        ss.lost++;
        ss.longestLoss = std::max(ss.longestLoss, b + 126);
      } else {
        ss.drawn++;
      }
      // Every symmetric image: the index functions may keep twins apart.
      for (int g = 0; g < (l.fPawns ? 2 : 8); g++) {
        const TbgPos q = Image(l, p, g);
        int sqs[2][16], counts[2][6];
        SquareArrays(l, q, -1, 0, sqs, counts);
        const INDEX idx = rgTbTables[iTb].indcalc[s](sqs[0], sqs[1], q.ep >= 0 ? q.ep : 127, 0);
        if (idx >= len) {
          beyond++;
          continue;
        }
        if (out[idx] != 127 && out[idx] != b) clash++;
        out[idx] = static_cast<int8_t>(b);
      }
    }
    if (beyond || clash) {
      fprintf(log, "%s: %s to move: %llu positions beyond the file's end, %llu index clashes\n",
              l.name, s ? "second side" : "first side", static_cast<unsigned long long>(beyond),
              static_cast<unsigned long long>(clash));
      ok = false;
    }
    const std::string path = FilePath(iTb, s);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(out.data(), 1, len, f) != len) {
      fprintf(log, "%s: cannot write %s\n", l.name, path.c_str());
      if (f) fclose(f);
      return false;
    }
    if (fclose(f) != 0) return false;
  }
  return ok;
}

// ---- 6. Checking ----

bool TbgCheck(int iTb, TbgStats* stats, FILE* log) {
  std::unique_ptr<TbgLayout> pl(new TbgLayout);
  TbgLayout& l = *pl;
  if (!TbgLayoutInit(&l, iTb)) return false;
  TbgForget(iTb);
  *stats = TbgStats();
  TbgMove moves[kMaxMoves];
  for (int s = 0; s < 2; s++) {
    TbgSideStats& ss = stats->side[s];
    const uint32_t cn = TbgNodeCount(l, s);
    for (uint32_t i = 0; i < cn; i++) {
      TbgPos p;
      if (!TbgDecode(l, s, i, &p)) continue;
      const int b = TbgFileValue(l, p, s);
      const Outcome v = OutcomeOfByte(b);
      bool sameImages = true;  // symmetric twins hold the same value
      for (int g = 1; g < (l.fPawns ? 2 : 8); g++)
        sameImages = sameImages && TbgFileValue(l, Image(l, p, g), s) == b;
      const int n = TbgLegalMoves(l, p, s, moves);
      // The best and worst successor for the side to move.
      int minLoss = INT_MAX, maxWin = -1;
      bool anyDraw = false, anyUnknown = false;
      for (int k = 0; k < n; k++) {
        const TbgPos q = TbgMakeMove(l, p, moves[k]);
        const int bq = IsConversion(moves[k])
                           ? ProbeConversion(l, q, moves[k].man, moves[k].promo, 1 - s)
                           : TbgFileValue(l, q, 1 - s);
        const Outcome o = OutcomeOfByte(bq);
        if (o.kind == 2) anyUnknown = true;
        if (o.kind == -1) minLoss = std::min(minLoss, o.ply);
        if (o.kind == 1) maxWin = std::max(maxWin, o.ply);
        if (o.kind == 0) anyDraw = true;
      }
      const bool check = TbgInCheck(l, p, s);
      bool good;
      switch (v.kind) {
        case 1:  // win: the quickest move to a loss is one ply shorter
          good = minLoss == v.ply - 1 && !anyUnknown;
          ss.won++;
          ss.longestWin = std::max(ss.longestWin, (v.ply + 1) / 2);
          break;
        case -1:  // loss: every move loses, the longest one ply shorter
          good = v.ply == 0 ? n == 0 && check
                            : n > 0 && minLoss == INT_MAX && !anyDraw && !anyUnknown &&
                                  maxWin == v.ply - 1;
          ss.lost++;
          ss.longestLoss = std::max(ss.longestLoss, v.ply / 2);
          break;
        case 0:  // draw: no move wins, one draws, or stalemate
          good = minLoss == INT_MAX && !anyUnknown && (anyDraw || (n == 0 && !check));
          ss.drawn++;
          break;
        default:
          good = false;
      }
      stats->checked++;
      if (!good || !sameImages) {
        if (stats->failures < 10) {
          char text[96];
          TbgDescribe(l, p, s, text, sizeof(text));
          fprintf(log, "%s: inconsistent value %d for %s\n", l.name, b, text);
        }
        if (stats->failures == 0)  // the first one with its successors
          for (int k = 0; k < n; k++) {
            const TbgPos q = TbgMakeMove(l, p, moves[k]);
            char text[96];
            TbgDescribe(l, q, 1 - s, text, sizeof(text));
            fprintf(log, "%s:   after %c%c: %d (%s)\n", l.name, 'a' + File(moves[k].to),
                    '1' + Rank(moves[k].to),
                    IsConversion(moves[k])
                        ? ProbeConversion(l, q, moves[k].man, moves[k].promo, 1 - s)
                        : TbgFileValue(l, q, 1 - s),
                    text);
          }
        stats->failures++;
      }
    }
  }
  TbgForget(iTb);
  return stats->failures == 0;
}

void TbgDescribe(const TbgLayout& l, const TbgPos& p, int side, char* out, int cb) {
  std::string s;
  for (int half = 0; half < 2; half++) {
    if (half) s += " /";
    for (int m = 0; m < l.cMen; m++) {
      if (l.men[m].side != half || p.sq[m] < 0) continue;
      s += ' ';
      s += " PNBRQK"[l.men[m].kind];
      s += static_cast<char>('a' + File(p.sq[m]));
      s += static_cast<char>('1' + Rank(p.sq[m]));
    }
  }
  if (p.ep >= 0) {
    s += " ep ";
    s += static_cast<char>('a' + File(p.ep));
    s += static_cast<char>('1' + Rank(p.ep));
  }
  s += side ? ", second side to move" : ", first side to move";
  snprintf(out, static_cast<size_t>(cb), "%s", s.c_str() + 1);
}
