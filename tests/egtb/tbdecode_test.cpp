#include "egtb/tbdecode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "egtb/egtb.h"
#include "test_util.h"
#include "ui/output.h"

namespace fs = std::filesystem;

namespace {

constexpr int kKnk = 2, kKpkp = 6;

// Bits most significant first, padded with zeros to a whole byte.
class BitWriter {
 public:
  void Put(uint32_t value, int k) {
    for (int i = k - 1; i >= 0; i--) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
      used_++;
    }
  }
  void Bits(const char* s) {  // spaces only part the codes
    for (; *s != '\0'; s++)
      if (*s != ' ') Put(*s == '1', 1);
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  size_t Used() const { return used_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// A compressed block in the code every file below uses: all 1024 symbols
// ten bits long, so a symbol's code is its number. Distance number k is
// k + 1 bytes.
class BlockWriter {
 public:
  BlockWriter& Lit(int byte) {
    w_.Put(static_cast<uint32_t>(byte), 10);
    return *this;
  }
  // A match of length code L (0..31) back `distance` bytes, with the extra
  // bits of a long match.
  BlockWriter& Match(int distance, int code, uint32_t extra = 0) {
    w_.Put(static_cast<uint32_t>(256 + (distance - 1) * 32 + code), 10);
    if (code >= 15) w_.Put(extra, code - 14);
    return *this;
  }
  // Repeats the byte before the output position until `count` more bytes.
  BlockWriter& Repeat(int count) {
    while (count > 0) {
      if (count <= 15) {
        Match(1, count - 1);
        return *this;
      }
      int e = 1;
      while (e < 12 && (1 << (e + 1)) <= count - 14) e++;
      const int extra = std::min(count - 14 - (1 << e), (1 << e) - 1);
      Match(1, e + 14, static_cast<uint32_t>(extra));
      count -= (1 << e) + extra + 14;
    }
    return *this;
  }
  std::vector<uint8_t> Bytes() const { return w_.Bytes(); }

 private:
  BitWriter w_;
};

// The long form's two codes: 64 and 64 symbols of six bits (given in the
// short form, width 3).
void PutSixBitTables(BitWriter& w) {
  w.Put(0, 1);
  w.Put(0, 1);
  w.Put(3, 5);
  for (int i = 0; i < 128; i++) w.Put(6, 3);
}

// The lengths of 1024 symbols in the long form: one symbol of the first
// code per length.
void PutLengths(BitWriter& w, const std::vector<int>& lengths) {
  PutSixBitTables(w);
  for (int len : lengths) w.Put(static_cast<uint32_t>(len), 6);
}

struct Emd {
  std::vector<std::vector<uint8_t>> blocks;  // stored bytes
  uint32_t last = 0;                         // decoded size of the last block
  int block_bits = 13;
  std::vector<int> lengths = std::vector<int>(1024, 10);
};

// Puts the header checksum right after a change.
void Reseal(std::vector<uint8_t>& file) {
  const uint32_t h = ReadBE32(&file[64]);
  WriteBE32(&file[h - 4], TbChecksum(file.data(), h - 4));
}

std::vector<uint8_t> Build(const Emd& e) {
  const uint32_t n = static_cast<uint32_t>(e.blocks.size());
  std::vector<uint8_t> file(80 + 8 * n, 0);
  std::memcpy(file.data(), kTbHeaderTitle, 64);
  file[70] = static_cast<uint8_t>(e.block_bits);
  file[71] = kTbDistances;
  WriteBE32(&file[72], n);
  WriteBE32(&file[76], kTbFormat);
  const uint32_t mask = (1u << e.block_bits) - 1;
  BitWriter s1;
  for (const auto& b : e.blocks) s1.Put(static_cast<uint32_t>(b.size()) & mask, e.block_bits);
  s1.Put(e.last & mask, e.block_bits);
  for (int k = 0; k < kTbDistances; k++) s1.Put(static_cast<uint32_t>(k + 1), e.block_bits);
  BitWriter s2;
  PutLengths(s2, e.lengths);
  file.insert(file.end(), s1.Bytes().begin(), s1.Bytes().end());
  file.insert(file.end(), s2.Bytes().begin(), s2.Bytes().end());
  file.resize(file.size() + 4);
  WriteBE32(&file[64], static_cast<uint32_t>(file.size()));
  Reseal(file);
  for (const auto& b : e.blocks) file.insert(file.end(), b.begin(), b.end());
  return file;
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A valid knk file for White to move (26282 positions: three full blocks
// and one of 1706), block k filled with the byte k + 1.
Emd Knk() {
  Emd e;
  for (int k = 0; k < 4; k++)
    e.blocks.push_back(BlockWriter().Lit(k + 1).Repeat(k < 3 ? 8191 : 1705).Bytes());
  e.last = 1706;
  return e;
}

// ---- Huffman codes ----

struct DecodeCase {
  const char* what;
  std::vector<int> lengths;
  const char* bits;  // codes of the symbols below, one after the other
  std::vector<int> symbols;
};

TEST(HuffmanDecodeCreate, AssignsCanonicalCodesAndDecodesThroughDirectEntriesAndTrees) {
  // Lengths 1..15 and 15 again: symbol i < 15 is i ones and a zero, symbol
  // 15 fifteen ones; codes longer than the direct bits go through the tree.
  std::vector<int> chain;
  for (int i = 1; i <= 15; i++) chain.push_back(i);
  chain.push_back(15);
  const DecodeCase cases[] = {
      {"2 1 3 3", {2, 1, 3, 3}, "0 10 110 111 0", {1, 0, 2, 3, 1}},
      {"equal lengths", {2, 2, 2, 2}, "11 00 10 01", {3, 0, 2, 1}},
      {"zeros skipped", {0, 3, 0, 1, 3, 2}, "0 110 10 111", {3, 1, 5, 4}},
      {"long chain",
       chain,
       "11111111111111 0 111111111111111 0 1111111111111 0 10",
       {14, 15, 0, 13, 1}},
  };
  for (const DecodeCase& c : cases)
    for (int bits : {1, 2, 8, 13}) {
      std::vector<int16_t> table((1 << bits) + 2 * c.lengths.size());
      ASSERT_EQ(huffman_decode_create(table.data(), c.lengths.data(),
                                      static_cast<int>(c.lengths.size()), bits),
                0)
          << c.what;
      BitWriter w;
      w.Bits(c.bits);
      bitio_t bio;
      bitio_init(&bio, w.Bytes().data(), w.Bytes().size());
      for (int s : c.symbols)
        EXPECT_EQ(huffman_decode_symbol(table.data(), bits, &bio), s) << c.what << " " << bits;
      EXPECT_EQ(bitio_consumed(&bio), w.Used()) << c.what << " " << bits;
    }
}

TEST(HuffmanDecodeCreate, RejectsBadLengthsWithTheirCodes) {
  struct Case {
    std::vector<int> lengths;
    int error;
  };
  const Case cases[] = {
      {{1, 32}, 83718},      {{0, 2, 0}, 87046}, {{1, 1, 1}, 91142},
      {{1, 2, 2, 2}, 91142}, {{1, 2}, 92166},    {{2, 2, 2, 0}, 92166},
      {{1, 1}, 0},           {{0, 1, 0}, 0},     {{0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    std::vector<int16_t> table(256 + 2 * c.lengths.size());
    EXPECT_EQ(huffman_decode_create(table.data(), c.lengths.data(),
                                    static_cast<int>(c.lengths.size()), 8),
              c.error)
        << ::testing::PrintToString(c.lengths);
  }
}

TEST(HuffmanDecodeCreate, NoCodeOrASingleCodeTakesNoBits) {
  struct Case {
    std::vector<int> lengths;
    int symbol;
  };
  const Case cases[] = {{{0, 0, 0, 0}, 0}, {{0, 0, 1, 0}, 2}};
  for (const Case& c : cases) {
    int16_t table[256 + 8];
    ASSERT_EQ(huffman_decode_create(table, c.lengths.data(), 4, 8), 0);
    const uint8_t data[2] = {0xff, 0x00};
    bitio_t bio;
    bitio_init(&bio, data, 2);
    for (int i = 0; i < 3; i++) EXPECT_EQ(huffman_decode_symbol(table, 8, &bio), c.symbol);
    EXPECT_EQ(bitio_consumed(&bio), 0u);
  }
}

// ---- Code lengths ----

// Values written in turn: value, width in bits and how many times.
struct Put {
  uint32_t value;
  int bits, times = 1;
};

TEST(HuffmanReadLength, ReadsBothFormsAndRejectsRunsPastTheEnd) {
  struct Case {
    const char* what;
    int n;
    bool long_form;  // the two six-bit codes come first
    std::vector<Put> puts;
    int error;
    std::vector<int> lengths;  // the first ones, when the read succeeds
  };
  std::vector<int> long_form = {3, 5, 5, 5, 5};
  long_form.resize(200, 0);
  const Case cases[] = {
      {"all zero", 1024, false, {{1, 1}}, 0, std::vector<int>(1024, 0)},
      // Lengths of four bits, each zero followed by its count of more zeros.
      {"short form with zero runs",
       10,
       false,
       {{0, 1}, {4, 5}, {5, 4}, {0, 4}, {3, 4}, {7, 4}, {0, 4}, {0, 4}, {2, 4}, {2, 4}, {1, 4}},
       0,
       {5, 0, 0, 0, 0, 7, 0, 2, 2, 1}},
      {"short form, zeros past the end", 4, false, {{0, 1}, {2, 5}, {0, 2}, {4, 4}}, 113670, {}},
      // A length 3, a run of 2 + 2 fives, a run of 2^7 + 34 + 31 + 2 zeros.
      {"long form: a length, a short run, a long run",
       200,
       true,
       {{3, 6}, {32 + 5, 6}, {2, 6}, {32, 6}, {32 + 7, 6}, {34, 7}},
       0,
       long_form},
      {"long form, every length 10 in one run",
       1024,
       true,
       {{32 + 10, 6}, {32 + 9, 6}, {479, 9}},
       0,
       std::vector<int>(1024, 10)},
      {"long form, long run past the end",
       200,
       true,
       {{32 + 10, 6}, {32 + 8, 6}, {0, 8}},
       125446,
       {}},
      {"long form, short run past the end", 129, true, {{1, 6, 100}, {33, 6}, {31, 6}}, 125446, {}},
      {"long form, e of 10 never fits 1024", 1024, true, {{33, 6}, {32 + 10, 6}}, 125446, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BitWriter w;
    if (c.long_form) PutSixBitTables(w);
    for (const Put& p : c.puts)
      for (int t = 0; t < p.times; t++) w.Put(p.value, p.bits);
    const size_t used = w.Used();
    w.Put(0, 32);  // room for look-ahead
    bitio_t bio;
    bitio_init(&bio, w.Bytes().data(), w.Bytes().size());
    std::vector<int> lengths(c.n, -1);
    EXPECT_EQ(huffman_read_length(&bio, lengths.data(), c.n), c.error);
    if (c.error != 0) continue;
    EXPECT_EQ(bitio_consumed(&bio), used);
    EXPECT_EQ(std::vector<int>(lengths.begin(), lengths.begin() + c.lengths.size()), c.lengths);
  }
}

// ---- Blocks ----

// Registers a one-block file directly and decodes its block into a cache
// data block; returns 1 on success with the block in *out.
int DecodeOne(const std::vector<uint8_t>& stored, uint32_t size, std::vector<uint8_t>* out) {
  Emd e;
  e.blocks = {stored};
  e.last = size;
  const fs::path p = FreshTestDir("vorna_tbdecode") /
                     "one.emd";  // a folder per test: ctest runs tests side by side
  WriteFile(p, Build(e));
  FILE* f = std::fopen(p.string().c_str(), "rb");
  EXPECT_NE(f, nullptr);
  decode_info* info = PRegisterCompressed(f, p.string().c_str(), size);
  EXPECT_TRUE(FAllocDecodeBlock());
  out->assign(8228, 0xee);
  const int ok = comp_read_block(rgpdbDecodeBlocks, info, f, 0, out->data()) &&
                 comp_decode_and_check_crc(rgpdbDecodeBlocks, info);
  std::fclose(f);
  VFreeDecodeInfo(info);
  fs::remove(p);
  return ok;
}

std::vector<uint8_t> Text(const char* s) {
  return std::vector<uint8_t>(s, s + std::strlen(s));
}

TEST(BlockDecoding, LiteralsAndMatchesRebuildTheBlock) {
  struct Case {
    const char* what;
    BlockWriter block;
    std::string expected;
  };
  std::string qr;
  for (int i = 0; i < 83; i++) qr += "qr"[i % 2];
  const Case cases[] = {
      {"distance 1, length 10", BlockWriter().Lit('x').Match(1, 9), "xxxxxxxxxxx"},
      {"short match of one byte", BlockWriter().Lit('a').Lit('b').Lit('c').Match(3, 0).Lit('d'),
       "abcad"},
      {"short match of four bytes", BlockWriter().Lit('a').Lit('b').Lit('c').Match(2, 3).Lit('d'),
       "abcbcbcd"},
      {"match of five", BlockWriter().Lit('1').Lit('2').Lit('3').Lit('4').Lit('5').Match(5, 4),
       "1234512345"},
      {"overlapping copy", BlockWriter().Lit('a').Lit('b').Match(2, 6), "ababababa"},
      {"long match, one extra bit", BlockWriter().Lit('y').Match(1, 15, 1).Lit('z'),
       std::string(18, 'y') + "z"},
      {"long match, six extra bits", BlockWriter().Lit('q').Lit('r').Match(2, 20, 3),
       qr},  // 2 + 64 + 3 + 14
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> want(c.expected.begin(), c.expected.end());
    std::vector<uint8_t> out;
    ASSERT_EQ(DecodeOne(c.block.Bytes(), static_cast<uint32_t>(want.size()), &out), 1) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + want.size()), want) << c.what;
  }
}

TEST(BlockDecoding, AShortMatchAtTheEndCopiesFourBytesIntoTheSlack) {
  std::vector<uint8_t> out;
  ASSERT_EQ(DecodeOne(BlockWriter().Lit('a').Lit('b').Lit('c').Match(3, 0).Bytes(), 4, &out), 1);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8), Text("abcabca\xee"));
}

TEST(BlockDecoding, ARawBlockIsCopiedUnchanged) {
  std::vector<uint8_t> raw(300);
  for (size_t i = 0; i < raw.size(); i++) raw[i] = static_cast<uint8_t>(i * 7 + 3);
  std::vector<uint8_t> out;
  ASSERT_EQ(DecodeOne(raw, 300, &out), 1);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 300), raw);
  EXPECT_EQ(out[300], 0xee);
}

TEST(BlockDecoding, BadBlocksFail) {
  struct Case {
    const char* what;
    BlockWriter block;
    uint32_t size;
  };
  const Case cases[] = {
      {"match past the end", BlockWriter().Lit('x').Match(1, 9), 5},
      {"short match past the end", BlockWriter().Lit('x').Match(1, 3), 4},
      {"source before the block", BlockWriter().Lit('a').Match(2, 5), 7},
      {"match at the start", BlockWriter().Match(1, 0).Lit('a'), 2},
      {"input exhausted", BlockWriter().Lit('a'), 20},
      {"length code 27 passes any block", BlockWriter().Lit('a').Match(1, 27), 8192},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out;
    EXPECT_EQ(DecodeOne(c.block.Bytes(), c.size, &out), 0) << c.what;
  }
}

// ---- Registration and probing ----

class CompressedTables : public ::testing::Test {
 protected:
  void SetUp() override {
    FreshGame();
    dir_ = FreshTestDir("vorna_tbdecode");
    memory_.assign(1 << 20, 0);
    ASSERT_TRUE(FTbSetCacheSize(memory_.data(), memory_.size()));
  }
  void TearDown() override {
    FTbSetCacheSize(nullptr, 0);
    CaptureOutput([&] { IInitializeTb((dir_ / "none").string().c_str()); });
    fs::remove_all(dir_);
  }
  int Register() {
    int found = 0;
    report_ = CaptureOutput([&] { found = IInitializeTb(dir_.string().c_str()); });
    return found;
  }
  // Registration of the file must end the program with the message. When
  // the error handler returns, the side stays unregistered and nothing of
  // the file is counted or kept (the sanitizer build sees a leak).
  void ExpectExit(const std::vector<uint8_t>& file, const std::string& message,
                  const char* name = "knk.nbw.emd") {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteFile(dir_ / name, file);
    const std::string path = dir_.string();
    EXPECT_EXIT(
        {
          OutFile = stderr;
          IInitializeTb(path.c_str());
        },
        ::testing::ExitedWithCode(1), message);

    static int refusals;
    refusals = 0;
    void (*const saved)() = TbRegistrationFailed;
    TbRegistrationFailed = [] { refusals++; };
    EXPECT_EQ(Register(), 0) << message;
    TbRegistrationFailed = saved;
    EXPECT_EQ(refusals, 1) << message;
    EXPECT_TRUE(std::regex_search(report_, std::regex(message))) << report_;
    EXPECT_FALSE(FRegisteredFun(kKnk, 0)) << message;
    EXPECT_EQ(cCompressed, 0) << message;
    EXPECT_EQ(cbEGTBCompBytes, 0) << message;
    EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 0), 32767) << message;
  }

  fs::path dir_;
  std::vector<uint8_t> memory_;
  std::string report_;
};

TEST_F(CompressedTables, KnkRegistersUnderBothNamesAndProbesEveryBlock) {
  for (const char* name : {"knk.nbw.emd", "knknbw.emd"}) {
    VTbCloseFiles();  // an open file cannot be removed on Windows
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    WriteFile(dir_ / name, Build(Knk()));
    ASSERT_EQ(Register(), 3) << name;
    EXPECT_EQ(report_, "found 0 uncompressed and 1 compressed new TBs\n");
    EXPECT_EQ(cCompressed, 1);
    EXPECT_EQ(cbEGTBCompBytes, 20616 + 4 * 4 + 4 + 8256);
    EXPECT_TRUE(FRegisteredFun(kKnk, 0));
    EXPECT_EQ(TbLength(kKnk, 0), 26282u);
    for (uint32_t index : {0u, 8191u, 8192u, 20000u, 24576u, 26281u})
      EXPECT_EQ(L_TbtProbeTable(kKnk, 0, index), 32641 + static_cast<int>(index >> 13))
          << name << " " << index;
  }
}

TEST_F(CompressedTables, KpkpHas472BlocksAndALastBlockOf5060) {
  Emd e;
  for (int k = 0; k < 472; k++)
    e.blocks.push_back(BlockWriter().Lit(k % 100 + 1).Repeat(k < 471 ? 8191 : 5059).Bytes());
  e.last = 5060;
  WriteFile(dir_ / "kpkp.nbw.emd", Build(e));
  ASSERT_EQ(Register(), 4);
  EXPECT_EQ(TbLength(kKpkp, 0), 3863492u);
  EXPECT_EQ(cbEGTBCompBytes, 20616 + 4 * 472 + 4 + 8256);
  EXPECT_EQ(L_TbtProbeTable(kKpkp, 0, 471 * 8192), 32641 + 71);
  EXPECT_EQ(L_TbtProbeTable(kKpkp, 0, 3863491), 32641 + 71);
  EXPECT_EQ(L_TbtProbeTable(kKpkp, 0, 100 * 8192 + 77), 32641);
  EXPECT_EQ(L_TbtProbeTable(kKpkp, 0, 3863492), 32767);
}

TEST_F(CompressedTables, ABlockThatDoesNotDecodeDropsTheSide) {
  Emd e = Knk();
  e.blocks[2] = BlockWriter().Lit(3).Match(2, 9).Repeat(8181).Bytes();  // reaches before the block
  WriteFile(dir_ / "knk.nbw.emd", Build(e));
  ASSERT_EQ(Register(), 3);
  EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 5), 32641);
  const std::string out =
      CaptureOutput([] { EXPECT_EQ(L_TbtProbeTable(kKnk, 0, 2 * 8192), 32767); });
  EXPECT_NE(out.find("knk.nbw.emd, table dropped"), std::string::npos);
  EXPECT_FALSE(FRegisteredFun(kKnk, 0));
}

TEST_F(CompressedTables, ABannerDifferingInAnyByteIsAReadError) {
  const std::vector<uint8_t> good = Build(Knk());
  for (int i = 0; i < 64; i++) {
    std::vector<uint8_t> file = good;
    file[i] ^= 0x20;
    Reseal(file);
    ExpectExit(file, "\\*\\*\\* Unable to read .*knk.nbw.emd - read error");
  }
  ExpectExit(std::vector<uint8_t>(good.begin(), good.begin() + 79),
             "Unable to read .*knk.nbw.emd - read error");
}

TEST_F(CompressedTables, BadHeaderFieldsBreakTheFile) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* why;
  };
  const Case cases[] = {
      {"header size 83", [](auto& f) { WriteBE32(&f[64], 83); }, "file broken"},
      {"block bits 17", [](auto& f) { f[70] = 17; }, "file broken"},
      {"23 distances", [](auto& f) { f[71] = 23; }, "file broken"},
      {"format", [](auto& f) { f[79] ^= 1; }, "file broken"},
      {"checksum", [](auto& f) { f[85] ^= 1; }, "file broken"},
      {"header past the file",
       [](auto& f) { WriteBE32(&f[64], static_cast<uint32_t>(f.size() + 1)); }, "out of memory"},
      // The last block's size 0 reads as 8192: (0 - 1) * 8192 + 8192 positions.
      {"no blocks: a table of no positions", [](auto& f) { f = Build(Emd()); }, "file broken"},
      {"check values past the header",
       [](auto& f) {
         WriteBE32(&f[72], 1000);
         Reseal(f);
       },
       "file broken"},
      {"lengths past the header",
       [](auto& f) {
         const uint32_t h = ReadBE32(&f[64]);
         f.erase(f.begin() + h - 6, f.begin() + h - 4);
         WriteBE32(&f[64], h - 2);
         Reseal(f);
       },
       "file broken"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> file = Build(Knk());
    c.damage(file);
    ExpectExit(file, std::string("Unable to read .*knk.nbw.emd - ") + c.why);
  }
}

TEST_F(CompressedTables, AnIncompleteCodeBreaksTheFile) {
  for (int len : {0, 9}) {
    Emd e = Knk();
    e.lengths[1000] = len;
    ExpectExit(Build(e), "Unable to read .*knk.nbw.emd - file broken");
  }
}

TEST_F(CompressedTables, OnlyBlocksOf8192AndTheTablesLengthAreAccepted) {
  Emd e;
  e.block_bits = 12;
  e.blocks = {std::vector<uint8_t>(100, 1)};
  e.last = 100;
  ExpectExit(Build(e), "\\*\\*\\* .*knk.nbw.emd: Unsupported block size 4096");

  Emd wrong = Knk();
  wrong.last = 1705;
  wrong.blocks[3] = BlockWriter().Lit(4).Repeat(1704).Bytes();
  ExpectExit(Build(wrong), "\\*\\*\\* .*knknbw.emd corrupted", "knknbw.emd");
}

TEST_F(CompressedTables, EveryPositionOfARunLengthCodedTableReadsBack) {
  // Runs of 1 to 300 equal bytes, coded as a literal and matches of
  // distance 1; a block whose code does not shrink is stored raw.
  std::vector<uint8_t> table(26282);
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  for (size_t i = 0; i < table.size();) {
    const size_t run = std::min<size_t>(1 + next() % (i < 8192 ? 2 : 300), table.size() - i);
    const auto b = static_cast<uint8_t>(static_cast<int>(next() % 11) - 5);
    for (size_t k = 0; k < run; k++) table[i + k] = b;
    i += run;
  }
  Emd e;
  int raw = 0;
  for (size_t start = 0; start < table.size(); start += 8192) {
    const size_t end = std::min(table.size(), start + 8192);
    BlockWriter w;
    for (size_t i = start; i < end;) {
      size_t run = 1;
      while (i + run < end && table[i + run] == table[i]) run++;
      w.Lit(table[i]).Repeat(static_cast<int>(run - 1));
      i += run;
    }
    if (w.Bytes().size() < end - start) {
      e.blocks.push_back(w.Bytes());
    } else {
      e.blocks.emplace_back(table.begin() + start, table.begin() + end);
      raw++;
    }
  }
  e.last = 26282 - 3 * 8192;
  EXPECT_EQ(raw, 1);  // the first block, of short runs
  WriteFile(dir_ / "knk.nbw.emd", Build(e));
  ASSERT_EQ(Register(), 3);
  for (uint32_t i = 0; i < table.size(); i++) {
    const int b = static_cast<int8_t>(table[i]);
    const int want = b == 0 ? 0 : b > 0 ? 32640 + b : b - 32640;
    ASSERT_EQ(L_TbtProbeTable(kKnk, 0, i), want) << i;
  }
}

}  // namespace
