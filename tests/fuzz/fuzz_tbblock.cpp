// Feeds arbitrary bytes to the compressed-file reader as the image of one
// compressed table file (its header checksum mended, so that changes reach
// the fields behind it), then reads and decodes its blocks. A header that is
// accepted gives a decoding state that agrees with the header's own fields;
// the code lengths build a decoding table exactly when they form a complete
// code; a block decodes exactly when a plain bit-by-bit decoder written here
// decodes it, to the same bytes and exactly the expected number of them,
// and nothing is written past the decoder's slack.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/bytes.h"
#include "egtb/tbdecode.h"
#include "egtb/tbformat.h"
#include "ui/output.h"

namespace {

constexpr size_t kDataBytes = 8228;  // a cache data block: 8192 and the slack
constexpr int kSlack = 3;            // a short match writes up to 3 bytes on
constexpr uint8_t kUnwritten = 0xee;

void Check(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "fuzz_tbblock: %s\n", what);
  abort();
}

// Bits most significant first; past the end they read as zeros and are
// counted as overrun.
struct Bits {
  const uint8_t* data;
  size_t length;
  uint64_t pos = 0;
  bool overrun = false;
  uint32_t Bit() {
    if (pos >= 8 * static_cast<uint64_t>(length)) {
      overrun = true;
      pos++;
      return 0;
    }
    const uint32_t b = (data[pos / 8] >> (7 - pos % 8)) & 1;
    pos++;
    return b;
  }
  uint32_t Read(int k) {
    uint32_t v = 0;
    for (int i = 0; i < k; i++) v = (v << 1) | Bit();
    return v;
  }
};

// Whether the lengths make a table: none used, a single one of one bit,
// or a complete prefix code of lengths up to 31.
bool CodeIsComplete(const int* lengths, int n) {
  int used = 0, single = 0;
  uint64_t kraft = 0;  // in units of 2^-31
  for (int i = 0; i < n; i++) {
    if (lengths[i] < 0 || lengths[i] > 31) return false;
    if (lengths[i] == 0) continue;
    used++;
    single = lengths[i];
    kraft += uint64_t{1} << (31 - lengths[i]);
  }
  if (used == 0) return true;
  if (used == 1) return single == 1;
  return kraft == uint64_t{1} << 31;
}

// Canonical Huffman decoding one bit at a time: per length, the count of
// codes and the symbols in code order.
struct Code {
  int count[32] = {};
  std::vector<int> symbols;
  int used = 0, single = 0;

  explicit Code(const int* lengths) {
    for (int s = 0; s < kTbSymbols; s++)
      if (lengths[s] > 0) {
        count[lengths[s]]++;
        used++;
        single = s;
      }
    for (int len = 1; len < 32; len++)
      for (int s = 0; s < kTbSymbols; s++)
        if (lengths[s] == len) symbols.push_back(s);
  }
  int Decode(Bits& in) const {
    if (used == 0) return 0;  // no code: symbol 0, no bits
    if (used == 1) return single;
    int code = 0, first = 0, index = 0;
    for (int len = 1; len < 32; len++) {
      code |= static_cast<int>(in.Bit());
      if (code - first < count[len]) return symbols[index + code - first];
      index += count[len];
      first = (first + count[len]) << 1;
      code <<= 1;
    }
    return -1;
  }
};

// Decodes one block as the format says; false when it fails.
bool ReferenceDecode(const uint8_t* stored, size_t size, int expected, const Code& code,
                     const uint32_t* distances, std::vector<uint8_t>* out) {
  out->clear();
  if (static_cast<int>(size) == expected) {
    out->assign(stored, stored + size);
    return true;
  }
  Bits in{stored, size};
  while (static_cast<int>(out->size()) < expected) {
    const int symbol = code.Decode(in);
    if (symbol < 0) return false;
    if (symbol < 256) {
      if (in.overrun) return false;
      out->push_back(static_cast<uint8_t>(symbol));
      continue;
    }
    const int t = symbol - 256;
    const int l = t & 31;
    const uint32_t distance = distances[t >> 5];
    int64_t length = l + 1;
    if (l >= 15) length = (int64_t{1} << (l - 14)) + in.Read(l - 14) + 14;
    const int64_t have = static_cast<int64_t>(out->size());
    if (in.overrun || length > expected - have || distance == 0 || distance > have) return false;
    for (int64_t i = 0; i < length; i++) out->push_back((*out)[have - distance + i]);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  static uint8_t* out = nullptr;
  if (!ready) {
    OutFile = fopen("/dev/null", "w");
    Check(FAllocDecodeBlock(), "no decode block");
    out = static_cast<uint8_t*>(malloc(kDataBytes));  // exact: ASan sees past it
    ready = true;
  }
  if (size == 0) return 0;

  // 1. The image, its checksum mended, and the fields as the header gives
  // them.
  std::vector<uint8_t> file(data, data + size);
  const uint32_t h = size >= 80 ? ReadBE32(&file[64]) : 0;
  if (h > 83 && h <= size) WriteBE32(&file[h - 4], TbChecksum(file.data(), h - 4));
  const int bits = size >= 80 ? file[70] : 0;
  const uint32_t blocks = size >= 80 ? ReadBE32(&file[72]) : 0;
  const uint64_t stream1 = 80 + 8 * static_cast<uint64_t>(blocks);
  const uint64_t stream2 = stream1 + ((static_cast<uint64_t>(blocks) + 25) * bits + 7) / 8;
  const bool fields = h > 83 && h <= size && bits == kTbBlockBits && stream2 <= h - 4;
  std::vector<uint32_t> sizes;
  uint32_t distances[kTbDistances] = {};
  uint32_t length = 0;
  if (fields) {
    Bits s1{file.data() + stream1, static_cast<size_t>(stream2 - stream1)};
    for (uint32_t i = 0; i <= blocks; i++) {
      const uint32_t v = s1.Read(bits);
      sizes.push_back(v == 0 ? 1u << bits : v);
    }
    for (uint32_t& d : distances) d = s1.Read(bits);
    const int64_t decoded = (static_cast<int64_t>(blocks) - 1) * 8192 + sizes[blocks];
    length = decoded > 0 && decoded <= 0xffffffff ? static_cast<uint32_t>(decoded) : 0;
  }

  // 2. The code lengths: a table is built exactly for a complete code.
  int lengths[kTbSymbols] = {};
  bool code_ok = false;
  if (fields) {
    bitio_t bio;
    bitio_init(&bio, file.data() + stream2, h - 4 - stream2);
    if (huffman_read_length(&bio, lengths, kTbSymbols) == 0 &&
        bitio_consumed(&bio) <= 8 * (h - 4 - stream2)) {
      static int16_t table[kTbTableEntries];
      const bool complete = CodeIsComplete(lengths, kTbSymbols);
      const int made = huffman_decode_create(table, lengths, kTbSymbols, kTbBlockBits);
      Check((made == 0) == complete, "table built for an incomplete code or refused a good one");
      code_ok = complete;
    }
  }

  // 3. Registration, through an in-memory file.
  FILE* f = fmemopen(file.data(), file.size(), "rb");
  Check(f != nullptr, "fmemopen failed");
  decode_info* info = PRegisterCompressed(f, "fuzz.emd", length);
  if (info == nullptr) {
    fclose(f);
    return 0;
  }
  Check(fields && code_ok && length > 0, "a broken header accepted");
  Check(info->magic == kTbInfoMagic && info->block_size == 8192 && info->block_bits == 13,
        "decoding state without its block size");
  Check(info->blocks == static_cast<int32_t>(blocks), "block count differs");
  Check(info->last_block_size == static_cast<int32_t>(sizes[blocks]), "last block size differs");
  Check(info->start[0] == h, "the first block does not follow the header");
  for (uint32_t i = 0; i < blocks; i++)
    Check(info->start[i + 1] - info->start[i] == sizes[i], "block offsets differ");
  for (int k = 0; k < kTbDistances; k++)
    Check(info->distances[k] == -static_cast<int32_t>(distances[k]), "distances differ");

  // 4. Blocks: all of a short file, the first and last eight of a long one.
  const Code code(lengths);
  Check(comp_read_block(rgpdbDecodeBlocks, info, f, -1, out) == 0, "block -1 read");
  Check(comp_read_block(rgpdbDecodeBlocks, info, f, info->blocks, out) == 0, "block N read");
  std::vector<uint8_t> want;
  for (int32_t n = 0; n < info->blocks; n++) {
    if (info->blocks > 16 && n == 8) n = info->blocks - 8;
    memset(out, kUnwritten, kDataBytes);
    const int expected = n == info->blocks - 1 ? info->last_block_size : 8192;
    const bool present = info->start[n + 1] <= size;
    const int read = comp_read_block(rgpdbDecodeBlocks, info, f, n, out);
    Check(read == (present ? 1 : 0), "a block read where the file is short, or not read");
    if (!read) continue;
    const int ok = comp_decode_and_check_crc(rgpdbDecodeBlocks, info);
    const DecodeState& s = rgpdbDecodeBlocks->s;
    for (size_t i = static_cast<size_t>(expected) + kSlack; i < kDataBytes; i++)
      Check(out[i] == kUnwritten, "written past the slack");
    const bool ref =
        ReferenceDecode(file.data() + info->start[n], sizes[n], expected, code, distances, &want);
    Check(ok == (ref ? 1 : 0), "block decodes differently from the plain decoder");
    if (!ok) continue;
    Check(s.out - s.out_start == expected, "decoded size differs from the expected");
    Check(memcmp(out, want.data(), static_cast<size_t>(expected)) == 0,
          "decoded bytes differ from the plain decoder");
  }
  fclose(f);
  VFreeDecodeInfo(info);
  return 0;
}
