// tbcomp [-o DIR] FILE ...: block-compresses tablebase files. Each FILE
// (one byte per position, as tbgen writes them) becomes FILE.emd in DIR
// (default: beside FILE), which the engine reads in place of the plain file.
//
// The file is cut into blocks of 8192 positions, each compressed on its own:
// an LZ77 parse whose matches may only reach back by one of 24 distances
// chosen per file (the strides of the index layout that pay best on a sample
// of blocks), and one Huffman code of at most 31 bits per symbol for the
// whole file. The parse of each block is the cheapest under the code that
// the previous parse of all blocks gave. A block that does not get
// smaller is stored raw.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "egtb/tbformat.h"

namespace {

constexpr int kBlock = 1 << kTbBlockBits;
constexpr int kMaxCode = 31;        // longest code of a block symbol
constexpr int kMaxLengthCode = 15;  // longest code of the two tables that code the lengths
constexpr int kSampleBlocks = 48;   // blocks on which the distances are chosen
constexpr int kParses = 3;          // parses of the file, each under the code of the last

// Bits appended to a byte vector, most significant bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; i--) {
      acc_ = (acc_ << 1) | ((value >> i) & 1);
      if (++n_ == 8) {
        out_->push_back(static_cast<uint8_t>(acc_));
        acc_ = 0;
        n_ = 0;
      }
    }
  }
  // Pads the last byte with zero bits.
  void Flush() {
    if (n_ > 0) out_->push_back(static_cast<uint8_t>(acc_ << (8 - n_)));
    acc_ = 0;
    n_ = 0;
  }

 private:
  std::vector<uint8_t>* out_;
  uint32_t acc_ = 0;
  int n_ = 0;
};

int BitWidth(uint32_t v) {
  int w = 0;
  while (v >> w) w++;
  return w;
}

// Lengths of an optimal prefix code for counts with no code longer than
// limit (package-merge). Symbols of count 0 get length 0; at least two
// symbols must have a count.
std::vector<int> LimitedLengths(const std::vector<uint64_t>& counts, int limit) {
  std::vector<int> lengths(counts.size(), 0);
  std::vector<int> leaves;
  for (size_t s = 0; s < counts.size(); s++)
    if (counts[s] > 0) leaves.push_back(static_cast<int>(s));
  std::stable_sort(leaves.begin(), leaves.end(),
                   [&](int a, int b) { return counts[a] < counts[b]; });
  const size_t n = leaves.size();
  struct Item {
    uint64_t weight;
    int leaf;  // symbol, or -1 for a package of items a and a + 1 of the level below
    int a;
  };
  std::vector<std::vector<Item>> levels(limit);
  for (int sym : leaves) levels[0].push_back({counts[sym], sym, 0});
  for (int l = 1; l < limit; l++) {
    const std::vector<Item>& below = levels[l - 1];
    std::vector<Item>& items = levels[l];
    size_t i = 0, k = 0;
    const size_t packages = below.size() / 2;
    while (i < n || k < packages) {
      const uint64_t pw = k < packages ? below[2 * k].weight + below[2 * k + 1].weight : 0;
      if (k >= packages || (i < n && counts[leaves[i]] <= pw)) {
        items.push_back({counts[leaves[i]], leaves[i], 0});
        i++;
      } else {
        items.push_back({pw, -1, static_cast<int>(2 * k)});
        k++;
      }
    }
  }
  // Every leaf among the first 2n - 2 items of the top level, counted
  // through the packages, adds one bit to its symbol's code.
  std::vector<std::pair<int, int>> stack;
  for (size_t i = 0; i < 2 * n - 2; i++) stack.push_back({limit - 1, static_cast<int>(i)});
  while (!stack.empty()) {
    const auto [l, i] = stack.back();
    stack.pop_back();
    const Item& item = levels[l][i];
    if (item.leaf >= 0) {
      lengths[item.leaf]++;
    } else {
      stack.push_back({l - 1, item.a});
      stack.push_back({l - 1, item.a + 1});
    }
  }
  return lengths;
}

// Canonical codes for lengths: shorter codes first, equal lengths in symbol
// order.
std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
  int count[kMaxCode + 2] = {};
  for (int l : lengths) count[l]++;
  count[0] = 0;
  uint32_t next[kMaxCode + 2] = {};
  uint32_t code = 0;
  for (int l = 1; l <= kMaxCode; l++) {
    code = (code + count[l - 1]) << 1;
    next[l] = code;
  }
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); s++)
    if (lengths[s] > 0) codes[s] = next[lengths[s]]++;
  return codes;
}

// A code built from counts, with at least two symbols coded so that every
// symbol costs at least one bit (a lone symbol would be read without bits).
struct Code {
  std::vector<int> lengths;
  std::vector<uint32_t> codes;
};

Code BuildCode(std::vector<uint64_t> counts, int limit) {
  int used = 0;
  for (uint64_t c : counts) used += c > 0;
  for (size_t s = 0; used < 2 && s < counts.size(); s++)
    if (counts[s] == 0) {
      counts[s] = 1;
      used++;
    }
  Code code;
  code.lengths = LimitedLengths(counts, limit);
  code.codes = CanonicalCodes(code.lengths);
  return code;
}

void PutSymbol(BitWriter* bw, const Code& code, int sym) {
  bw->Put(code.codes[sym], code.lengths[sym]);
}

// The code lengths of the 1024 block symbols in the two-level form the
// engine reads: table A codes a length (0..31) or, as 32 + length, a run of
// it whose count - 2 follows in table B (0..31 direct, 32 + e for 2^e + 31
// plus e more bits); the 128 lengths of A and B come first, each in a fixed
// width, a zero followed by a 4-bit count of further zeros.
void WriteLengths(BitWriter* bw, const std::vector<int>& lengths) {
  struct Token {
    int a, r, extra, extraBits;  // r < 0: no run
  };
  std::vector<Token> tokens;
  std::vector<uint64_t> countA(64, 0), countB(64, 0);
  const int n = static_cast<int>(lengths.size());
  for (int i = 0; i < n;) {
    int run = 1;
    while (i + run < n && lengths[i + run] == lengths[i]) run++;
    i += run;
    if (run < 3) {
      for (int k = 0; k < run; k++) tokens.push_back({lengths[i - run], -1, 0, 0});
      countA[lengths[i - run]] += run;
      continue;
    }
    Token t{32 + lengths[i - run], run - 2, 0, 0};
    if (t.r > 31) {
      const int e = BitWidth(static_cast<uint32_t>(t.r - 31)) - 1;
      t.extra = t.r - 31 - (1 << e);
      t.extraBits = e;
      t.r = 32 + e;
    }
    countA[t.a]++;
    countB[t.r]++;
    tokens.push_back(t);
  }
  const Code a = BuildCode(countA, kMaxLengthCode);
  Code b;
  bool anyRun = false;
  for (uint64_t c : countB) anyRun |= c > 0;
  if (anyRun) {
    b = BuildCode(countB, kMaxLengthCode);
  } else {
    b.lengths.assign(64, 0);
    b.codes.assign(64, 0);
  }
  std::vector<int> small(a.lengths);
  small.insert(small.end(), b.lengths.begin(), b.lengths.end());
  bw->Put(0, 1);  // not all lengths zero
  bw->Put(0, 1);  // nor those of A and B
  const int width = BitWidth(static_cast<uint32_t>(*std::max_element(small.begin(), small.end())));
  bw->Put(static_cast<uint32_t>(width), 5);
  for (int i = 0; i < 128;) {
    bw->Put(static_cast<uint32_t>(small[i]), width);
    i++;
    if (small[i - 1] != 0) continue;
    int zeros = 0;
    while (zeros < 15 && i < 128 && small[i] == 0) zeros++, i++;
    bw->Put(static_cast<uint32_t>(zeros), 4);
  }
  for (const Token& t : tokens) {
    PutSymbol(bw, a, t.a);
    if (t.r < 0) continue;
    PutSymbol(bw, b, t.r);
    bw->Put(static_cast<uint32_t>(t.extra), t.extraBits);
  }
}

// The length code L (0..31) of a match and its extra bits: 1..4 and 5..15
// are L + 1, longer ones 2^e + (e bits) + 14 with e = L - 14.
void LengthCode(int len, int* code, int* extra, int* extraBits) {
  if (len <= 15) {
    *code = len - 1;
    *extra = *extraBits = 0;
    return;
  }
  const int e = BitWidth(static_cast<uint32_t>(len - 14)) - 1;
  *code = 14 + e;
  *extra = len - 14 - (1 << e);
  *extraBits = e;
}

struct Token {
  uint16_t sym;
  uint16_t len;  // bytes the symbol stands for
};

// The cheapest parse of one block under the symbol costs (in bits): at every
// position a literal, or a match by one of the distances of any length up to
// 15, or the longest of each long-length class. Matches of one to four bytes
// copy four, so they are not used within four bytes of the block's end.
void ParseBlock(const uint8_t* data, int size, const std::vector<int>& dist,
                const std::vector<uint32_t>& cost, std::vector<Token>* out) {
  static std::vector<uint32_t> best;
  static std::vector<Token> choice;
  best.assign(size + 1, 0);
  choice.resize(size);
  int run[kTbDistances] = {};
  const int nd = static_cast<int>(dist.size());
  for (int p = size - 1; p >= 0; p--) {
    uint32_t b = cost[data[p]] + best[p + 1];
    Token c{data[p], 1};
    for (int j = 0; j < nd; j++) {
      const int d = dist[j];
      run[j] = d <= p && data[p] == data[p - d] ? run[j] + 1 : 0;
      const int m = run[j];
      if (m == 0) continue;
      const int base = 256 + 32 * j;
      const int shortest = p + 4 <= size ? 1 : 5;
      for (int len = shortest; len <= std::min(m, 15); len++) {
        const uint32_t v = cost[base + len - 1] + best[p + len];
        if (v < b) b = v, c = {static_cast<uint16_t>(base + len - 1), static_cast<uint16_t>(len)};
      }
      for (int e = 1; (1 << e) + 14 <= m; e++) {
        const int len = std::min((2 << e) + 13, m);
        const uint32_t v = cost[base + 14 + e] + e + best[p + len];
        if (v < b) b = v, c = {static_cast<uint16_t>(base + 14 + e), static_cast<uint16_t>(len)};
      }
    }
    best[p] = b;
    choice[p] = c;
  }
  out->clear();
  for (int p = 0; p < size; p += choice[p].len) out->push_back(choice[p]);
}

// The bits of a parsed block under a code.
void EncodeBlock(const std::vector<Token>& tokens, const Code& code, std::vector<uint8_t>* out) {
  out->clear();
  BitWriter bw(out);
  for (const Token& t : tokens) {
    PutSymbol(&bw, code, t.sym);
    if (t.sym < 256) continue;
    int l = 0, extra = 0, extraBits = 0;
    LengthCode(t.len, &l, &extra, &extraBits);
    bw.Put(static_cast<uint32_t>(extra), extraBits);
  }
  bw.Flush();
}

// The 24 distances that pay best on a sample of blocks: a greedy parse
// with all candidate strides credits each distance with the bytes its
// matches cover; the weaker half is dropped and the parse repeated until 24
// remain (ties go to the distance that did best so far).
std::vector<int> ChooseDistances(const std::vector<uint8_t>& file) {
  std::vector<int> cand;
  for (int d = 1; d <= 128; d++) cand.push_back(d);
  for (int d = 136; d <= 1024; d += 8) cand.push_back(d);
  for (int d = 1088; d < kBlock; d += 64) cand.push_back(d);
  const int blocks = static_cast<int>((file.size() + kBlock - 1) / kBlock);
  std::vector<int> sample;
  for (int i = 0; i < std::min(blocks, kSampleBlocks); i++)
    sample.push_back(
        static_cast<int>(static_cast<int64_t>(i) * blocks / std::min(blocks, kSampleBlocks)));
  while (true) {
    std::vector<uint64_t> covered(cand.size(), 0);
    for (int blk : sample) {
      const uint8_t* data = file.data() + static_cast<size_t>(blk) * kBlock;
      const int size =
          static_cast<int>(std::min<size_t>(kBlock, file.size() - blk * size_t{kBlock}));
      for (int p = 0; p < size;) {
        int bestLen = 1, bestJ = -1;  // matches of two bytes or more
        for (size_t j = 0; j < cand.size(); j++) {
          const int d = cand[j];
          if (d > p) continue;
          int m = 0;
          while (p + m < size && data[p + m] == data[p + m - d]) m++;
          if (m > bestLen) bestLen = m, bestJ = static_cast<int>(j);
        }
        if (bestJ >= 0) covered[bestJ] += bestLen;
        p += bestJ >= 0 ? bestLen : 1;
      }
    }
    std::vector<int> order(cand.size());
    for (size_t j = 0; j < cand.size(); j++) order[j] = static_cast<int>(j);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return covered[a] > covered[b]; });
    const size_t keep = std::max<size_t>(kTbDistances, cand.size() / 2);
    std::vector<int> next;
    for (size_t j = 0; j < std::min(keep, cand.size()); j++) next.push_back(cand[order[j]]);
    const bool done = next.size() <= kTbDistances;
    cand = next;
    if (done) break;
  }
  // Fewer candidates than distances cannot happen, but keep the count exact.
  for (int d = 1; cand.size() < kTbDistances; d++)
    if (std::find(cand.begin(), cand.end(), d) == cand.end()) cand.push_back(d);
  return cand;
}

std::vector<uint32_t> CostsOf(const Code& code) {
  std::vector<uint32_t> cost(kTbSymbols);
  for (int s = 0; s < kTbSymbols; s++)
    cost[s] = code.lengths[s] > 0 ? static_cast<uint32_t>(code.lengths[s]) : kMaxCode + 1;
  return cost;
}

void Count(const std::vector<Token>& tokens, std::vector<uint64_t>* counts) {
  for (const Token& t : tokens) (*counts)[t.sym]++;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* data) {
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  data->clear();
  uint8_t buf[1 << 16];
  size_t got = 0;
  while ((got = fread(buf, 1, sizeof buf, f)) > 0) data->insert(data->end(), buf, buf + got);
  const bool ok = ferror(f) == 0;
  fclose(f);
  return ok;
}

bool Compress(const std::string& in, const std::string& out) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<uint8_t> file;
  if (!ReadFile(in, &file)) {
    fprintf(stderr, "tbcomp: cannot read %s\n", in.c_str());
    return false;
  }
  if (file.empty()) {
    fprintf(stderr, "tbcomp: %s is empty\n", in.c_str());
    return false;
  }
  const int nBlocks = static_cast<int>((file.size() + kBlock - 1) / kBlock);
  auto blockSize = [&](int i) {
    return static_cast<int>(
        std::min<size_t>(kBlock, file.size() - static_cast<size_t>(i) * kBlock));
  };
  const std::vector<int> dist = ChooseDistances(file);

  // A first parse under flat costs gives the symbol statistics; each
  // further parse is the cheapest under the code built from the last one.
  std::vector<uint32_t> cost(kTbSymbols);
  for (int s = 0; s < kTbSymbols; s++) cost[s] = s < 256 ? 8 : 10;
  std::vector<Token> tokens;
  Code code;
  for (int pass = 0; pass < kParses; pass++) {
    if (pass > 0) cost = CostsOf(code);
    std::vector<uint64_t> counts(kTbSymbols, 0);
    for (int i = 0; i < nBlocks; i++) {
      ParseBlock(file.data() + static_cast<size_t>(i) * kBlock, blockSize(i), dist, cost, &tokens);
      Count(tokens, &counts);
    }
    code = BuildCode(counts, kMaxCode);
  }

  // The blocks, the same parse again under the final code.
  std::vector<uint8_t> blocks, bits;
  std::vector<int> stored(nBlocks);
  std::vector<uint32_t> checks(2 * nBlocks);
  for (int i = 0; i < nBlocks; i++) {
    const uint8_t* data = file.data() + static_cast<size_t>(i) * kBlock;
    const int size = blockSize(i);
    ParseBlock(data, size, dist, cost, &tokens);
    EncodeBlock(tokens, code, &bits);
    if (bits.empty() || static_cast<int>(bits.size()) >= size) bits.assign(data, data + size);
    stored[i] = static_cast<int>(bits.size());
    checks[2 * i] = TbChecksum(data, size);
    checks[2 * i + 1] = TbChecksum(bits.data(), bits.size());
    blocks.insert(blocks.end(), bits.begin(), bits.end());
  }

  std::vector<uint8_t> head(80 + 8 * static_cast<size_t>(nBlocks), 0);
  memcpy(head.data(), kTbHeaderTitle, 64);
  head[70] = kTbBlockBits;
  head[71] = kTbDistances;
  WriteBE32(&head[72], static_cast<uint32_t>(nBlocks));
  WriteBE32(&head[76], kTbFormat);
  for (int i = 0; i < 2 * nBlocks; i++) WriteBE32(&head[80 + 4 * i], checks[i]);
  BitWriter bw(&head);
  for (int i = 0; i < nBlocks; i++) bw.Put(static_cast<uint32_t>(stored[i] % kBlock), kTbBlockBits);
  bw.Put(static_cast<uint32_t>(blockSize(nBlocks - 1) % kBlock), kTbBlockBits);
  for (int d : dist) bw.Put(static_cast<uint32_t>(d), kTbBlockBits);
  bw.Flush();
  WriteLengths(&bw, code.lengths);
  bw.Flush();
  const size_t h = head.size() + 4;
  WriteBE32(&head[64], static_cast<uint32_t>(h));
  head.resize(h);
  WriteBE32(&head[h - 4], TbChecksum(head.data(), h - 4));

  FILE* f = fopen(out.c_str(), "wb");
  if (f == nullptr) {
    fprintf(stderr, "tbcomp: cannot write %s\n", out.c_str());
    return false;
  }
  bool ok = fwrite(head.data(), 1, head.size(), f) == head.size() &&
            fwrite(blocks.data(), 1, blocks.size(), f) == blocks.size();
  ok = fclose(f) == 0 && ok;
  if (!ok) {
    fprintf(stderr, "tbcomp: error writing %s\n", out.c_str());
    return false;
  }
  const size_t total = head.size() + blocks.size();
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  int raw = 0;
  for (int i = 0; i < nBlocks; i++) raw += stored[i] == blockSize(i);
  printf("%s: %zu -> %zu bytes, ratio %.2f (%.1f%%), %d blocks (%d raw), %.2f s\n", in.c_str(),
         file.size(), total, static_cast<double>(file.size()) / static_cast<double>(total),
         100.0 * static_cast<double>(total) / static_cast<double>(file.size()), nBlocks, raw, secs);
  fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  std::vector<std::string> files;
  bool bad = false;
  for (int a = 1; a < argc; a++) {
    if (strcmp(argv[a], "-o") == 0 && a + 1 < argc)
      dir = argv[++a];
    else if (argv[a][0] == '-')
      bad = true;
    else
      files.push_back(argv[a]);
  }
  if (bad || files.empty()) {
    fprintf(stderr, "usage: tbcomp [-o DIR] FILE ...\n");
    return 2;
  }
  int failed = 0;
  for (const std::string& in : files) {
    std::string out = in + ".emd";
    if (!dir.empty()) {
      const size_t slash = in.find_last_of('/');
      out = dir + "/" + (slash == std::string::npos ? in : in.substr(slash + 1)) + ".emd";
    }
    failed += !Compress(in, out);
  }
  return failed ? 1 : 0;
}
