// Reading block-compressed tablebase files.
//
// Registration checks a file's header and builds its decode_info: the
// Huffman decoding table of the 1024 symbols (8192 direct entries for the
// first 13 bits of a code, then two-entry tree nodes for longer codes), the
// 24 match distances kept negated, and the file offset of every block. One
// shared decode_block holds the state of the block being decoded and its
// stored bytes; a block decodes into a cache data block, whose slack takes
// the surplus bytes of the 4-byte copies of short matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "egtb/tbformat.h"

// A bit stream read most significant bit first. The buffer holds `count`
// valid bits at its top and `next` is the next byte to load; bytes past
// `length` read as zeros, so a reader that ran past the end is caught by
// comparing bitio_consumed with the length.
struct bitio_t {
  uint32_t bits;
  int count;
  size_t next;
  const uint8_t* data;
  size_t length;
};

void bitio_init(bitio_t* bio, const uint8_t* data, size_t length);
// Bits taken from the stream so far.
uint64_t bitio_consumed(const bitio_t* bio);
// Takes k (0..24) bits.
uint32_t bitio_read(bitio_t* bio, int k);

constexpr int kTbDirectEntries = 1 << kTbBlockBits;
constexpr int kTbTableEntries = kTbDirectEntries + 2 * kTbSymbols;  // 20480 bytes

struct decode_info {
  int16_t table[kTbTableEntries];   // direct part, then the tree nodes
  int32_t distances[kTbDistances];  // negated
  uint32_t* start;                  // N + 1 offsets, the last one the end of the data
  int32_t block_bits;
  int32_t block_size;
  int32_t last_block_size;
  int32_t blocks;
  int32_t largest_stored;  // the largest stored size plus 32
  int32_t check_flag;
  uint32_t magic;
};

// The bytes a compressed file costs in decoding state.
inline int64_t DecodeInfoBytes(int32_t blocks) {
  return 20616 + 4 * static_cast<int64_t>(blocks) + 4;
}

// The state of one block decode, then the stored bytes of the block.
struct DecodeState {
  uint8_t* out_start;
  uint8_t* out;
  int32_t pending;  // bytes of a match still to copy
  uint32_t bits;
  int32_t count;
  int32_t in_pos;
  int32_t block;
  int32_t expected;
  int32_t stored;
  uint32_t magic;
};
static_assert(sizeof(DecodeState) <= 64);

struct decode_block {
  DecodeState s;
  uint8_t pad[64 - sizeof(DecodeState)];
  uint8_t input[8192];
};
static_assert(sizeof(decode_block) == 8256);

// The one decode block, allocated when a compressed file was registered.
extern decode_block* rgpdbDecodeBlocks;
// Allocates the decode block; false when memory is out.
bool FAllocDecodeBlock();
void VFreeDecodeBlock();

// Reads n code lengths; 0 or an error code.
int huffman_read_length(bitio_t* bio, int* lengths, int n);
// Builds the decoding table of n symbols with 2^bits direct entries; the
// table has room for 2^bits + 2n entries. 0 or an error code.
int huffman_decode_create(int16_t* table, const int* lengths, int n, int bits);
// Decodes one symbol through a table made by huffman_decode_create.
int huffman_decode_symbol(const int16_t* table, int bits, bitio_t* bio);

// Reads and checks the header of the open compressed file `name` of a table
// of `length` positions and builds its decoding state; null, after printing
// the reason, when the file is refused.
decode_info* PRegisterCompressed(FILE* f, const char* name, uint32_t length);
void VFreeDecodeInfo(decode_info* info);

// Reads block n of the file into the decode block; 1 on success.
int comp_read_block(decode_block* block, const decode_info* info, FILE* f, int n, uint8_t* out);
// Decodes the block read last into its output; 1 when it decodes to
// exactly its expected size.
int comp_decode_and_check_crc(decode_block* block, const decode_info* info);
