// The layout of block-compressed tablebase files, shared by the reader and
// the compressor.
//
// A compressed file is the table's file name with ".emd" appended. After a
// 64-byte banner comes a big-endian header: its size, the block size as a
// power of two, the number of match distances, the number of blocks, a
// format constant, two check values per block, then two bit streams (the
// stored block sizes and the distances; the Huffman code lengths) and the
// header's checksum. The blocks of 8192 positions follow, each compressed
// on its own (or stored raw when that does not pay), so that any one block
// can be decoded alone.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kTbBlockBits = 13;  // 8192-byte blocks
constexpr int kTbDistances = 24;  // match distances per file
constexpr int kTbSymbols = 1024;  // 256 literals, 24 distances x 32 lengths
constexpr uint32_t kTbFormat = 0x004001F5;
constexpr uint32_t kTbInfoMagic = 0x5abc947f;
constexpr uint32_t kTbDecodeMagic = 0x79a3f29d;

// The banner every compressed file begins with: one line of text ending in
// CR LF, padded with zero bytes to 64.
constexpr char kTbHeaderTitle[64] = "Vorna compressed endgame table, blocks of 8192 bytes\r\n";
static_assert(sizeof("Vorna compressed endgame table, blocks of 8192 bytes\r\n") <= 64);

// The header checksum: the reflected CRC with the polynomial 0xEDB88320,
// starting at 0 and without a final complement.
inline uint32_t TbChecksum(const uint8_t* data, size_t length) {
  static const auto table = [] {
    struct Table {
      uint32_t t[256];
    } crc{};
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t r = i;
      for (int k = 0; k < 8; k++) r = (r >> 1) ^ ((r & 1) ? 0xEDB88320u : 0u);
      crc.t[i] = r;
    }
    return crc;
  }();
  uint32_t r = 0;
  for (size_t i = 0; i < length; i++) r = (r >> 8) ^ table.t[(r ^ data[i]) & 0xff];
  return r;
}
