#include "egtb/tbdecode.h"

#include <cstdlib>
#include <cstring>

#include "core/bytes.h"
#include "core/vorna.h"
#include "ui/output.h"

decode_block* rgpdbDecodeBlocks = nullptr;

namespace {

constexpr int16_t kUnset = INT16_MIN;  // a tree entry not filled yet

void Refill(bitio_t* bio) {
  while (bio->count <= 24) {
    const uint32_t byte = bio->next < bio->length ? bio->data[bio->next] : 0;
    bio->next++;
    bio->bits |= byte << (24 - bio->count);
    bio->count += 8;
  }
}

uint32_t Peek(bitio_t* bio, int k) {
  Refill(bio);
  return k == 0 ? 0 : bio->bits >> (32 - k);
}

void Skip(bitio_t* bio, int k) {
  bio->bits = k == 0 ? bio->bits : bio->bits << k;
  bio->count -= k;
}

// Up to 31 bits, in two pieces when more than 24.
uint32_t ReadWide(bitio_t* bio, int k) {
  if (k <= 24) return bitio_read(bio, k);
  const uint32_t high = bitio_read(bio, k - 16);
  return (high << 16) | bitio_read(bio, 16);
}

void PrintReadFailure(const char* name, const char* why) {
  OutPrintf("*** Unable to read %s - ", name);
  OutPrintf("%s", why);
  OutFlush();
}

}  // namespace

void bitio_init(bitio_t* bio, const uint8_t* data, size_t length) {
  bio->bits = 0;
  bio->count = 0;
  bio->next = 0;
  bio->data = data;
  bio->length = length;
}

uint64_t bitio_consumed(const bitio_t* bio) {
  return static_cast<uint64_t>(bio->next) * 8 - static_cast<uint64_t>(bio->count);
}

uint32_t bitio_read(bitio_t* bio, int k) {
  ASSERT(k >= 0 && k <= 24);
  const uint32_t v = Peek(bio, k);
  Skip(bio, k);
  return v;
}

int huffman_decode_create(int16_t* table, const int* lengths, int n, int bits) {
  ASSERT(n >= 1 && n <= 1024 && bits >= 1 && bits <= 13);
  const int direct = 1 << bits;
  const int entries = direct + 2 * n;

  // 1. Lengths of at most 31 bits; find the codes that are used.
  int used = 0, last = 0;
  int count[32] = {};
  for (int i = 0; i < n; i++) {
    if (lengths[i] < 0 || lengths[i] > 31) return 83718;
    if (lengths[i] > 0) {
      used++;
      last = i;
    }
    count[lengths[i]]++;
  }

  // 2. No code at all: every lookup gives symbol 0 and takes no bits.
  std::memset(table, 0, sizeof(int16_t) * entries);
  if (used == 0) return 0;

  // 3. One symbol: its code must be one bit, and lookups take none.
  if (used == 1) {
    if (lengths[last] != 1) return 87046;
    for (int i = 0; i < direct; i++) table[i] = static_cast<int16_t>(last * 32);
    return 0;
  }

  // 4. The code must be complete.
  int64_t left = 1;
  for (int len = 1; len < 32; len++) {
    left = 2 * left - count[len];
    if (left < 0) return 91142;
  }
  if (left > 0) return 92166;

  // 5. Canonical codes: shorter first, then in symbol order.
  uint32_t next_code[32] = {};
  uint32_t code = 0;
  count[0] = 0;
  for (int len = 1; len < 32; len++) {
    code = (code + static_cast<uint32_t>(count[len - 1])) << 1;
    next_code[len] = code;
  }

  // 6. Short codes fill their run of direct entries; a long code hangs from
  // the entry of its first bits in a tree of two-entry nodes.
  for (int i = direct; i < entries; i++) table[i] = kUnset;
  int free_node = direct;
  auto new_node = [&]() {
    ASSERT(free_node + 2 <= entries);
    const int node = free_node;
    free_node += 2;
    return static_cast<int16_t>(-node);
  };
  for (int s = 0; s < n; s++) {
    const int len = lengths[s];
    if (len == 0) continue;
    const uint32_t c = next_code[len]++;
    if (len <= bits) {
      const uint32_t first = c << (bits - len);
      for (uint32_t j = 0; j < (1u << (bits - len)); j++)
        table[first + j] = static_cast<int16_t>(s * 32 + len);
      continue;
    }
    int16_t* slot = &table[c >> (len - bits)];
    for (int k = len - bits - 1; k >= 0; k--) {
      if (*slot == 0 || *slot == kUnset) *slot = new_node();
      ASSERT(*slot < 0);
      slot = &table[-*slot + ((c >> k) & 1)];
    }
    ASSERT(*slot == kUnset);
    *slot = static_cast<int16_t>(s);
  }
  return 0;
}

int huffman_decode_symbol(const int16_t* table, int bits, bitio_t* bio) {
  const int e = table[Peek(bio, bits)];
  if (e >= 0) {
    Skip(bio, e & 31);
    return e >> 5;
  }
  Skip(bio, bits);
  int v = e;
  while (v < 0) v = table[-v + static_cast<int>(bitio_read(bio, 1))];
  return v;
}

int huffman_read_length(bitio_t* bio, int* lengths, int n) {
  // 1. One bit set: no code at all.
  if (bitio_read(bio, 1) != 0) {
    for (int i = 0; i < n; i++) lengths[i] = 0;
    return 0;
  }

  // 2. Many lengths: two small codes, one for the lengths and runs, one for
  // the run counts.
  int i = 0;
  if (n > 128) {
    int small[128];
    int err = huffman_read_length(bio, small, 128);
    if (err != 0) return err;
    int16_t table_a[256 + 128], table_b[256 + 128];
    err = huffman_decode_create(table_a, small, 64, 8);
    if (err != 0) return err;
    err = huffman_decode_create(table_b, small + 64, 64, 8);
    if (err != 0) return err;
    while (i < n) {
      const int a = huffman_decode_symbol(table_a, 8, bio);
      if (a < 32) {
        lengths[i++] = a;
        continue;
      }
      int64_t r = huffman_decode_symbol(table_b, 8, bio);
      if (r > 31) {
        const int e = static_cast<int>(r - 32);
        if (e >= 24 || i + (int64_t{1} << e) + 33 > n) return 125446;
        r = (int64_t{1} << e) + bitio_read(bio, e) + 31;
      }
      if (i + r + 2 > n) return 125446;
      for (int64_t k = 0; k < r + 2; k++) lengths[i++] = a & 31;
    }
    return 0;
  }

  // 3. Few lengths: a fixed width, each zero followed by a count of zeros.
  const int w = static_cast<int>(bitio_read(bio, 5));
  while (i < n) {
    const int v = static_cast<int>(ReadWide(bio, w));
    lengths[i++] = v;
    if (v != 0) continue;
    const int z = static_cast<int>(bitio_read(bio, 4));
    if (i + z > n) return 113670;
    for (int k = 0; k < z; k++) lengths[i++] = 0;
  }
  return 0;
}

bool FAllocDecodeBlock() {
  if (rgpdbDecodeBlocks != nullptr) return true;
  rgpdbDecodeBlocks = static_cast<decode_block*>(std::malloc(sizeof(decode_block)));
  if (rgpdbDecodeBlocks == nullptr) return false;
  std::memset(rgpdbDecodeBlocks, 0, sizeof(decode_block));
  rgpdbDecodeBlocks->s.magic = kTbDecodeMagic;
  return true;
}

void VFreeDecodeBlock() {
  std::free(rgpdbDecodeBlocks);
  rgpdbDecodeBlocks = nullptr;
}

void VFreeDecodeInfo(decode_info* info) {
  if (info == nullptr) return;
  info->magic = 0;
  std::free(info->start);
  std::free(info);
}

decode_info* PRegisterCompressed(FILE* f, const char* name, uint32_t length) {
  // A failed registration gives back what it holds.
  uint8_t* buf = nullptr;
  decode_info* info = nullptr;
  uint32_t* start = nullptr;
  auto fail = [&](const char* why) -> decode_info* {
    std::free(buf);
    std::free(start);
    std::free(info);
    PrintReadFailure(name, why);
    return nullptr;
  };

  // 1.-2. The banner.
  uint8_t head[80];
  if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(head, 1, 80, f) != 80 ||
      std::memcmp(head, kTbHeaderTitle, 64) != 0)
    return fail("read error\n");

  // 3. The fixed fields.
  const uint32_t h = ReadBE32(head + 64);
  const int block_bits = head[70];
  if (h <= 83 || block_bits > 16 || head[71] != kTbDistances || ReadBE32(head + 76) != kTbFormat)
    return fail("file broken\n");

  // 4. The whole header; one longer than the file cannot be read.
  long file_size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) file_size = std::ftell(f);
  if (file_size < 0 || static_cast<uint64_t>(file_size) < h || std::fseek(f, 80, SEEK_SET) != 0)
    return fail("out of memory\n");
  buf = static_cast<uint8_t*>(std::malloc(h));
  if (buf == nullptr) return fail("out of memory\n");
  std::memcpy(buf, head, 80);
  if (std::fread(buf + 80, 1, h - 80, f) != h - 80) return fail("out of memory\n");

  // 5. The checksum, then at least one block, and room for the check values
  // and the first stream before it.
  if (TbChecksum(buf, h - 4) != ReadBE32(buf + h - 4)) return fail("file broken\n");
  const uint32_t blocks = ReadBE32(head + 72);
  const uint64_t stream1 = 80 + 8 * static_cast<uint64_t>(blocks);
  const uint64_t stream2 = stream1 + ((static_cast<uint64_t>(blocks) + 25) * block_bits + 7) / 8;
  if (blocks == 0 || stream2 > h - 4 || blocks > 0x7ffffffe) return fail("file broken\n");

  // 6. The decoding state: block sizes, distances, the code.
  info = static_cast<decode_info*>(std::malloc(sizeof(decode_info)));
  start = static_cast<uint32_t*>(std::malloc(4 * (static_cast<size_t>(blocks) + 1)));
  if (info == nullptr || start == nullptr) return fail("out of memory\n");
  std::memset(info, 0, sizeof(decode_info));
  info->start = start;
  info->block_bits = block_bits;
  info->block_size = 1 << block_bits;
  info->blocks = static_cast<int32_t>(blocks);
  bitio_t bio;
  bitio_init(&bio, buf + stream1, stream2 - stream1);
  uint32_t largest = 0;
  for (uint32_t i = 0; i <= blocks; i++) {
    uint32_t v = bitio_read(&bio, block_bits);
    if (v == 0) v = static_cast<uint32_t>(info->block_size);
    start[i] = v;
    if (v > largest) largest = v;
  }
  info->largest_stored = static_cast<int32_t>(largest) + 32;
  for (int i = 0; i < kTbDistances; i++)
    info->distances[i] = -static_cast<int32_t>(bitio_read(&bio, block_bits));
  int lengths[kTbSymbols];
  bitio_init(&bio, buf + stream2, h - 4 - stream2);
  if (huffman_read_length(&bio, lengths, kTbSymbols) != 0 ||
      bitio_consumed(&bio) > 8 * (h - 4 - stream2) ||
      huffman_decode_create(info->table, lengths, kTbSymbols, kTbBlockBits) != 0)
    return fail("file broken\n");
  std::free(buf);
  buf = nullptr;

  // 7. Sizes become file offsets, from the end of the header.
  info->last_block_size = static_cast<int32_t>(start[blocks]);
  uint64_t offset = h;
  for (uint32_t i = 0; i <= blocks; i++) {
    const uint32_t size = start[i];
    start[i] = static_cast<uint32_t>(offset);
    offset += i < blocks ? size : 0;
    if (offset > 0xffffffffu) return fail("file broken\n");
  }
  info->check_flag = 0;
  info->magic = kTbInfoMagic;

  // 8. Only blocks of 8192 positions, and the table's length.
  const int32_t block_size = info->block_size;
  const int64_t decoded = (static_cast<int64_t>(blocks) - 1) * block_size + info->last_block_size;
  if (block_size != 1 << kTbBlockBits || decoded != length) {
    VFreeDecodeInfo(info);
    if (block_size != 1 << kTbBlockBits)
      OutPrintf("*** %s: Unsupported block size %d\n", name, block_size);
    else
      OutPrintf("*** %s corrupted\n", name);
    OutFlush();
    return nullptr;
  }
  return info;
}

int comp_read_block(decode_block* block, const decode_info* info, FILE* f, int n, uint8_t* out) {
  // 1.-2. The block must exist and fit the input buffer.
  if (block == nullptr || info == nullptr || n < 0 || n >= info->blocks) return 0;
  ASSERT(block->s.magic == kTbDecodeMagic && info->magic == kTbInfoMagic);
  DecodeState& s = block->s;
  s.out_start = s.out = out;
  s.pending = 0;
  s.block = n;
  s.expected = n == info->blocks - 1 ? info->last_block_size : info->block_size;
  const uint32_t stored = info->start[n + 1] - info->start[n];
  if (stored > sizeof block->input) return 0;
  s.stored = static_cast<int32_t>(stored);

  // 3. Its stored bytes.
  if (std::fseek(f, static_cast<long>(info->start[n]), SEEK_SET) != 0) return 0;
  return std::fread(block->input, 1, stored, f) == stored ? 1 : 0;
}

int comp_decode_and_check_crc(decode_block* block, const decode_info* info) {
  DecodeState& s = block->s;
  ASSERT(s.magic == kTbDecodeMagic && info->magic == kTbInfoMagic);

  // 4. A block that did not shrink is stored as it is.
  if (s.stored == s.expected) {
    std::memcpy(s.out, block->input, static_cast<size_t>(s.stored));
    s.out += s.stored;
    return 1;
  }

  // 5. Literals and matches until the block is full. A match may not reach
  // before the block, past its end, nor may the symbols run past the
  // stored bytes.
  bitio_t bio;
  bitio_init(&bio, block->input, static_cast<size_t>(s.stored));
  const uint64_t input_bits = 8 * static_cast<uint64_t>(s.stored);
  uint8_t* out = s.out;
  uint8_t* const end = s.out_start + s.expected;
  int ok = 1;
  while (out < end) {
    const int symbol = huffman_decode_symbol(info->table, kTbBlockBits, &bio);
    if (symbol < 256) {
      if (bitio_consumed(&bio) > input_bits) {
        ok = 0;
        break;
      }
      *out++ = static_cast<uint8_t>(symbol);
      continue;
    }
    const int t = symbol - 256;
    const int code = t & 31;
    const int distance = -info->distances[t >> 5];
    int64_t length = code + 1;
    if (code >= 15) {
      const int e = code - 14;
      length = (int64_t{1} << e) + bitio_read(&bio, e) + 14;
    }
    if (bitio_consumed(&bio) > input_bits || length > end - out || distance <= 0 ||
        distance > out - s.out_start) {
      ok = 0;
      break;
    }
    // Short matches copy four bytes, the surplus going into what follows or
    // the slack. An overlapping source goes byte by byte, so that it repeats
    // what was just written.
    const uint8_t* src = out - distance;
    const int64_t copy = code <= 3 ? 4 : length;
    if (distance >= copy)
      std::memcpy(out, src, static_cast<size_t>(copy));
    else
      for (int64_t i = 0; i < copy; i++) out[i] = src[i];
    out += length;
  }
  s.out = out;
  s.bits = bio.bits;
  s.count = bio.count;
  s.in_pos = static_cast<int32_t>(bio.next);
  return ok && out == end ? 1 : 0;
}
