#include "egtb/egtb.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/board.h"
#include "core/vorna.h"
#include "egtb/tbdecode.h"
#include "egtb/tbindex.h"
#include "platform/platform.h"
#include "ui/output.h"

int32_t tb_access = 0;
int64_t cbEGTBCompBytes = 0;
int64_t cbAllocated = 0;
int32_t cUncompressed = 0;
int32_t cCompressed = 0;

namespace {

[[noreturn]] void ExitOnRegistrationError() {
  std::exit(1);
}

}  // namespace

void (*TbRegistrationFailed)() = ExitOnRegistrationError;

namespace {

constexpr uint32_t kBlockSize = 8192;
constexpr size_t kEntryBytes = 8260;  // one header and one data block
constexpr size_t kHeaderBytes = 32;   // headers first, then the blocks
constexpr size_t kDataBytes = 8228;   // 8192 positions and the decoder's slack
constexpr int kBuckets = 32;
constexpr int kNone = -1;  // end of a list of cache entries

// A cached block: the table side it belongs to, its first index, and its
// links in the recency list and in the chain of its table side. Links are
// entry numbers, so that the header fits its 32 bytes.
struct TbCacheEntry {
  int32_t m_iTb;
  int32_t m_side;
  uint32_t m_indStart;
  int32_t m_pNextLru, m_pPrevLru;
  int32_t m_pNextInBucket, m_pPrevInBucket;
  int32_t m_unused;
};
static_assert(sizeof(TbCacheEntry) == kHeaderBytes && kHeaderBytes + kDataBytes == kEntryBytes);

struct CTbDesc {
  int m_id;
  PfnIndCalc m_rgpfnIndCalc[2];
  char m_szName[8];
  uint32_t m_rgcbLength[2];
  std::string m_rgpchFileName[2];  // empty: that side is not available
  FILE* m_rgpfile[2];
  decode_info* m_rgpInfo[2];  // null for an uncompressed file
  int32_t* m_rgpBuckets[2];   // 32 chain heads per side, or null
};

CTbDesc rgtbdDesc[kTbCount];
bool fDescInitted = false;

TbCacheEntry* ptbcTbCache = nullptr;  // the headers
uint8_t* pbTbData = nullptr;          // the data blocks, one per header
int32_t ctbcTbCache = 0;
int32_t ptbcHead = kNone, ptbcTail = kNone, ptbcFree = kNone;

// The material tree: ten levels of counters (white then black pawns,
// knights, bishops, rooks, queens). A node holds its largest counter value
// followed by one child per value; the last level holds the table numbers,
// negative when the colours must be exchanged.
std::vector<int> rgutbReference;
bool fTbTableCreated = false;

int PutbrCreateSubtable(int count, int depth) {
  const int node = static_cast<int>(rgutbReference.size());
  rgutbReference.resize(node + count + 2, 0);
  rgutbReference[node] = count;
  for (int v = 0; v <= count; v++) {
    const int child = depth > 0 ? PutbrCreateSubtable(count - v, depth - 1) : 0;
    rgutbReference[node + 1 + v] = child;
  }
  return node;
}

// The leaf of the tree for ten counters, or null when a counter is beyond
// what the tree holds.
int* PLeafFromCounters(const int* counters) {
  int node = 0;
  for (int level = 0; level < 10; level++) {
    const int c = counters[level];
    if (c < 0 || c > rgutbReference[node]) return nullptr;
    if (level == 9) return &rgutbReference[node + 1 + c];
    node = rgutbReference[node + 1 + c];
  }
  return nullptr;
}

// Five counters of one half of a material name, up to the next 'k'.
const char* PchSetHalfCounters(int* counters, const char* pch) {
  for (int i = 0; i < 5; i++) counters[i] = 0;
  for (; *pch != '\0' && *pch != 'k'; pch++) {
    const char* kinds = "pnbrq";
    const char* kind = std::strchr(kinds, *pch);
    ASSERT(kind != nullptr);
    if (kind != nullptr) counters[kind - kinds]++;
  }
  return pch;
}

}  // namespace

void VSetCounters(int* counters, const char* name) {
  ASSERT(name[0] == 'k');
  const char* pch = PchSetHalfCounters(counters, name + 1);
  ASSERT(*pch == 'k');
  PchSetHalfCounters(counters + 5, *pch == 'k' ? pch + 1 : pch);
}

namespace {

void InitDescriptors() {
  if (fDescInitted) return;
  fDescInitted = true;
  for (int i = 0; i < kTbCount; i++) {
    CTbDesc& d = rgtbdDesc[i];
    d.m_id = i;
    std::snprintf(d.m_szName, sizeof d.m_szName, "%s", rgTbTables[i].name);
    for (int side = 0; side < 2; side++) {
      d.m_rgpfnIndCalc[side] = rgTbTables[i].indcalc[side];
      d.m_rgcbLength[side] = rgTbTables[i].length[side];
      d.m_rgpfile[side] = nullptr;
      d.m_rgpInfo[side] = nullptr;
      d.m_rgpBuckets[side] = nullptr;
    }
  }
}

uint8_t* PbData(int32_t e) {
  return pbTbData + static_cast<size_t>(e) * kDataBytes;
}

void UnlinkLru(int32_t e) {
  TbCacheEntry& t = ptbcTbCache[e];
  if (t.m_pPrevLru == kNone)
    ptbcHead = t.m_pNextLru;
  else
    ptbcTbCache[t.m_pPrevLru].m_pNextLru = t.m_pNextLru;
  if (t.m_pNextLru == kNone)
    ptbcTail = t.m_pPrevLru;
  else
    ptbcTbCache[t.m_pNextLru].m_pPrevLru = t.m_pPrevLru;
}

void InsertLruHead(int32_t e) {
  TbCacheEntry& t = ptbcTbCache[e];
  t.m_pPrevLru = kNone;
  t.m_pNextLru = ptbcHead;
  if (ptbcHead != kNone) ptbcTbCache[ptbcHead].m_pPrevLru = e;
  ptbcHead = e;
  if (ptbcTail == kNone) ptbcTail = e;
}

void UnlinkBucket(int32_t* heads, int32_t e) {
  TbCacheEntry& t = ptbcTbCache[e];
  const int chain = static_cast<int>((t.m_indStart >> 13) & (kBuckets - 1));
  if (t.m_pPrevInBucket == kNone)
    heads[chain] = t.m_pNextInBucket;
  else
    ptbcTbCache[t.m_pPrevInBucket].m_pNextInBucket = t.m_pNextInBucket;
  if (t.m_pNextInBucket != kNone)
    ptbcTbCache[t.m_pNextInBucket].m_pPrevInBucket = t.m_pPrevInBucket;
}

void InsertBucketHead(int32_t* heads, int chain, int32_t e) {
  TbCacheEntry& t = ptbcTbCache[e];
  t.m_pPrevInBucket = kNone;
  t.m_pNextInBucket = heads[chain];
  if (heads[chain] != kNone) ptbcTbCache[heads[chain]].m_pPrevInBucket = e;
  heads[chain] = e;
}

// Reads the block of entry e from its table side's file, decoding it when
// the file is compressed; false on any failure, including a file shorter
// than registered or a block that does not decode.
bool FReadBlock(CTbDesc& d, int side, int32_t e) {
  FILE*& f = d.m_rgpfile[side];
  if (f == nullptr) {
    f = std::fopen(d.m_rgpchFileName[side].c_str(), "rb");
    if (f == nullptr) {
      VTbCloseFiles();
      f = std::fopen(d.m_rgpchFileName[side].c_str(), "rb");
      if (f == nullptr) return false;
    }
  }
  const uint32_t start = ptbcTbCache[e].m_indStart;
  if (d.m_rgpInfo[side] != nullptr) {
    const decode_info* info = d.m_rgpInfo[side];
    return comp_read_block(rgpdbDecodeBlocks, info, f, static_cast<int>(start >> 13), PbData(e)) &&
           comp_decode_and_check_crc(rgpdbDecodeBlocks, info);
  }
  const uint32_t length = d.m_rgcbLength[side];
  const size_t want = length - start < kBlockSize ? length - start : kBlockSize;
  if (std::fseek(f, static_cast<long>(start), SEEK_SET) != 0) return false;
  return std::fread(PbData(e), 1, want, f) == want;
}

int32_t* PBucketsAlloc() {
  auto* heads = static_cast<int32_t*>(PvMalloc(kBuckets * sizeof(int32_t)));
  for (int i = 0; i < kBuckets; i++) heads[i] = kNone;
  return heads;
}

void ForgetSide(CTbDesc& d, int side) {
  if (d.m_rgpfile[side] != nullptr) std::fclose(d.m_rgpfile[side]);
  d.m_rgpfile[side] = nullptr;
  d.m_rgpchFileName[side].clear();
}

// The probe value of a stored byte.
int ValueOfByte(int8_t b) {
  if (b == 0) return 0;
  if (b == 127) return 32767;
  if (b == -127) return -32640;
  if (b == -128) return 32640;
  return b > 0 ? 32640 + b : b - 32640;
}

}  // namespace

void* PvMalloc(size_t bytes) {
  void* p = std::malloc(bytes);
  if (p == nullptr) {
    OutPrintf("*** Cannot allocate %zu bytes of memory\n", bytes);
    OutFlush();
    std::exit(1);
  }
  cbAllocated += static_cast<int64_t>(bytes);
  return p;
}

int IDescFindFromCounters(const int* counters) {
  if (!fTbTableCreated) return 0;
  const int* leaf = PLeafFromCounters(counters);
  return leaf != nullptr ? *leaf : 0;
}

bool FRegisteredFun(int iTb, int side) {
  return iTb > 0 && iTb < kTbCount && !rgtbdDesc[iTb].m_rgpchFileName[side].empty();
}

PfnIndCalc PfnIndCalcFun(int iTb, int side) {
  return rgtbdDesc[iTb].m_rgpfnIndCalc[side];
}

uint32_t TbLength(int iTb, int side) {
  return rgtbdDesc[iTb].m_rgcbLength[side];
}

int TbCacheIsConsistent(const char** why) {
  auto fail = [why](const char* rule) {
    if (why != nullptr) *why = rule;
    return 0;
  };
  if (ctbcTbCache == 0) return 1;
  // 0 unseen, 1 on the free list, 2 on the recency list, 3 also in its chain.
  std::vector<uint8_t> seen(static_cast<size_t>(ctbcTbCache), 0);
  auto valid = [](int32_t e) { return e >= 0 && e < ctbcTbCache; };

  // 1. The free list, then the recency list from the head: each entry once,
  // the back links matching.
  for (int32_t e = ptbcFree; e != kNone; e = ptbcTbCache[e].m_pNextLru) {
    if (!valid(e)) return fail("free list leaves the cache");
    if (seen[e] != 0) return fail("entry twice on the free list");
    seen[e] = 1;
  }
  int32_t prev = kNone, cached = 0;
  for (int32_t e = ptbcHead; e != kNone; e = ptbcTbCache[e].m_pNextLru) {
    if (!valid(e)) return fail("recency list leaves the cache");
    if (seen[e] != 0) return fail("entry twice on the lists");
    if (ptbcTbCache[e].m_pPrevLru != prev) return fail("recency back link broken");
    seen[e] = 2;
    prev = e;
    cached++;
  }
  if (ptbcTail != prev) return fail("recency tail is not the last entry");
  for (int32_t e = 0; e < ctbcTbCache; e++)
    if (seen[e] == 0) return fail("entry on neither list");

  // 2. Every chain of every table side holds cached entries of that side
  // whose blocks belong to the chain and to the table, each block once.
  int32_t chained = 0;
  for (int i = 1; i < kTbCount; i++)
    for (int side = 0; side < 2; side++) {
      const int32_t* heads = rgtbdDesc[i].m_rgpBuckets[side];
      if (heads == nullptr) continue;
      for (int c = 0; c < kBuckets; c++) {
        int32_t back = kNone;
        for (int32_t e = heads[c]; e != kNone; e = ptbcTbCache[e].m_pNextInBucket) {
          if (!valid(e)) return fail("chain leaves the cache");
          const TbCacheEntry& t = ptbcTbCache[e];
          if (seen[e] == 3) return fail("entry twice in the chains");
          if (seen[e] != 2) return fail("chain holds an entry that is not cached");
          if (t.m_pPrevInBucket != back) return fail("chain back link broken");
          if (t.m_iTb != i || t.m_side != side) return fail("entry in another table's chain");
          if ((t.m_indStart & (kBlockSize - 1)) != 0 ||
              static_cast<int>((t.m_indStart >> 13) & (kBuckets - 1)) != c)
            return fail("entry in the wrong chain");
          if (t.m_indStart >= rgtbdDesc[i].m_rgcbLength[side])
            return fail("cached block past the table's end");
          for (int32_t o = heads[c]; o != e; o = ptbcTbCache[o].m_pNextInBucket)
            if (ptbcTbCache[o].m_indStart == t.m_indStart) return fail("block cached twice");
          seen[e] = 3;
          back = e;
          chained++;
        }
      }
    }
  if (chained != cached) return fail("cached entry outside its table's chains");
  return 1;
}

bool FTbSetCacheSize(void* buffer, size_t bytes) {
  VTbCloseFiles();
  ctbcTbCache = 0;
  ptbcTbCache = nullptr;
  pbTbData = nullptr;
  ptbcHead = ptbcTail = ptbcFree = kNone;
  if (bytes < kHeaderBytes || buffer == nullptr) return false;
  const size_t entries = bytes / kEntryBytes;
  ctbcTbCache = entries > 0x7fffffff ? 0x7fffffff : static_cast<int32_t>(entries);
  ptbcTbCache = static_cast<TbCacheEntry*>(buffer);
  pbTbData = static_cast<uint8_t*>(buffer) + static_cast<size_t>(ctbcTbCache) * kHeaderBytes;
  VTbClearCache();
  return true;
}

void VTbClearCache() {
  if (ctbcTbCache == 0) return;
  VTbCloseFiles();
  for (int32_t e = 0; e < ctbcTbCache; e++) {
    TbCacheEntry& t = ptbcTbCache[e];
    t = TbCacheEntry{0, 0, 0, e + 1 < ctbcTbCache ? e + 1 : kNone, kNone, kNone, kNone, 0};
  }
  ptbcFree = 0;
  ptbcHead = ptbcTail = kNone;
  for (int i = 1; i < kTbCount; i++)
    for (int side = 0; side < 2; side++)
      if (rgtbdDesc[i].m_rgpBuckets[side] != nullptr)
        for (int c = 0; c < kBuckets; c++) rgtbdDesc[i].m_rgpBuckets[side][c] = kNone;
}

void VTbCloseFiles() {
  if (ctbcTbCache == 0) return;
  for (int i = 1; i < kTbCount; i++)
    for (int side = 0; side < 2; side++)
      if (rgtbdDesc[i].m_rgpfile[side] != nullptr) {
        std::fclose(rgtbdDesc[i].m_rgpfile[side]);
        rgtbdDesc[i].m_rgpfile[side] = nullptr;
      }
}

namespace {

// The length of an uncompressed file, which must be the table's when that is
// known; false, with the message printed, for a file that cannot be
// measured or is of the wrong length.
bool FCheckUncompressed(FILE* f, const std::string& path, uint32_t& cb) {
  if (std::fseek(f, 0, SEEK_END) != 0) {
    OutPrintf("*** Seek in %s failed\n", path.c_str());
    OutFlush();
    return false;
  }
  const long length = std::ftell(f);
  if (length < 0 || static_cast<uint64_t>(length) > 0xffffffffu ||
      (cb != 0 && static_cast<uint64_t>(length) != cb)) {
    OutPrintf("*** %s corrupted\n", path.c_str());
    OutFlush();
    return false;
  }
  cb = static_cast<uint32_t>(length);
  return true;
}

}  // namespace

bool FCheckExistance(const char* dir, int iTb, int side) {
  CTbDesc& d = rgtbdDesc[iTb];
  if (!d.m_rgpchFileName[side].empty()) return true;

  // 1. The uncompressed file, then the two names of a compressed one.
  std::string name = dir;
  if (!name.empty()) name += '/';
  name += d.m_szName;
  const char* ext = side == 0 ? "nbw" : "nbb";
  const std::string names[3] = {name + "." + ext, name + "." + ext + ".emd", name + ext + ".emd"};
  int found = -1;
  FILE* f = nullptr;
  for (int i = 0; i < 3 && found < 0; i++) {
    std::error_code ec;
    if (!std::filesystem::exists(names[i], ec)) continue;
    if (!std::filesystem::is_regular_file(names[i], ec)) {
      OutPrintf("*** %s is not a file, skipped\n", names[i].c_str());
      return false;
    }
    f = std::fopen(names[i].c_str(), "rb");
    if (f != nullptr) found = i;
  }
  if (found < 0) return false;
  const std::string& path = names[found];

  // 2. An uncompressed file must have the table's length; a compressed one
  // gives it in its header, which is checked and turned into the decoding
  // state.
  decode_info* info = nullptr;
  bool ok = false;
  if (found == 0) {
    ok = FCheckUncompressed(f, path, d.m_rgcbLength[side]);
  } else {
    info = PRegisterCompressed(f, path.c_str(), d.m_rgcbLength[side]);
    ok = info != nullptr;
  }
  std::fclose(f);

  // 3. Its material and the colour-exchanged one lead to this table.
  int counters[10];
  VSetCounters(counters, d.m_szName);
  int* leaf = PLeafFromCounters(counters);
  int swapped[10];
  for (int i = 0; i < 10; i++) swapped[i] = counters[(i + 5) % 10];
  int* leaf_swapped = PLeafFromCounters(swapped);
  if (ok && (leaf == nullptr || leaf_swapped == nullptr)) {
    OutPrintf("*** Unable to register %s\n", path.c_str());
    OutFlush();
  }

  // 4. A refused file is an error that ends registration (the message is
  // printed); when the program goes on, the side stays unregistered.
  if (!ok || leaf == nullptr || leaf_swapped == nullptr) {
    VFreeDecodeInfo(info);
    TbRegistrationFailed();
    return false;
  }
  *leaf = iTb;
  *leaf_swapped = -iTb;
  if (info == nullptr) {
    cUncompressed++;
  } else {
    cCompressed++;
    cbEGTBCompBytes += DecodeInfoBytes(info->blocks);
    d.m_rgcbLength[side] = static_cast<uint32_t>(
        static_cast<int64_t>(info->blocks - 1) * kBlockSize + info->last_block_size);
  }
  d.m_rgpchFileName[side] = path;
  d.m_rgpBuckets[side] = PBucketsAlloc();
  d.m_rgpInfo[side] = info;
  return true;
}

int IInitializeTb(const char* path) {
  // 1. Forget what was registered before, and the blocks cached from it:
  // their chains go with the old registration.
  cbEGTBCompBytes = 0;
  cbAllocated = 0;
  cUncompressed = cCompressed = 0;
  VTbClearCache();
  InitDescriptors();
  if (!fTbTableCreated) {
    VInitEnumerations();
    rgutbReference.clear();
    rgutbReference.reserve(4096);
    const int root = PutbrCreateSubtable(3, 0);  // sized now, children below
    for (int v = 0; v <= 3; v++) {
      const int child = PutbrCreateSubtable(3 - v, 8);
      rgutbReference[root + 1 + v] = child;
    }
    fTbTableCreated = true;
  }
  for (int i = 1; i < kTbCount; i++)
    for (int side = 0; side < 2; side++) {
      CTbDesc& d = rgtbdDesc[i];
      ForgetSide(d, side);
      std::free(d.m_rgpBuckets[side]);
      d.m_rgpBuckets[side] = nullptr;
      VFreeDecodeInfo(d.m_rgpInfo[side]);
      d.m_rgpInfo[side] = nullptr;
    }
  VFreeDecodeBlock();

  // 2. Every directory of the list, in order; an empty name is the
  // current directory and the first directory holding a table wins.
  int largest = 0;
  const char* p = path != nullptr ? path : "";
  for (;;) {
    const char* end = p + std::strcspn(p, PathListSeparators());
    const std::string dir(p, end);
    for (int i = 1; i < kTbCount; i++) {
      const bool w = FCheckExistance(dir.c_str(), i, 0);
      const bool b = FCheckExistance(dir.c_str(), i, 1);
      if (w || b) largest = i;
    }
    if (*end == '\0') break;
    p = end + 1;
  }
  OutPrintf("found %d uncompressed and %d compressed new TBs\n", cUncompressed, cCompressed);

  // 3. Compressed files share one decode block.
  if (cCompressed > 0) {
    if (!FAllocDecodeBlock()) {
      OutPrintf("*** Cannot allocate decode block: error code %d\n", 210693);
      OutFlush();
      std::exit(1);
    }
    cbEGTBCompBytes += static_cast<int64_t>(sizeof(decode_block));
  }
  if (largest >= 36) return 5;
  if (largest >= 6) return 4;
  return largest >= 1 ? 3 : 0;
}

int L_TbtProbeTable(int iTb, int side, uint32_t index) {
  // 1. Seven positions of kppkp with Black to move are answered without
  // reading.
  static constexpr uint32_t kKppkpLosses[] = {56811076, 56802428, 56858640, 56849992,
                                              67775659, 59592489, 71071628};
  if (iTb == 36 && side == 1)
    for (uint32_t i : kKppkpLosses)
      if (index == i) return -32639;

  // 2. The table side must exist and hold the index.
  if (iTb < 1 || iTb >= kTbCount || side < 0 || side > 1) return 32767;
  CTbDesc& d = rgtbdDesc[iTb];
  int32_t* heads = d.m_rgpBuckets[side];
  if (ctbcTbCache == 0 || heads == nullptr || d.m_rgpchFileName[side].empty()) return 32767;
  if (index >= d.m_rgcbLength[side]) return 32767;

  // 3. A cached block: move it to the front of the recency list and of its
  // chain.
  const int chain = static_cast<int>((index >> 13) & (kBuckets - 1));
  for (int32_t e = heads[chain]; e != kNone; e = ptbcTbCache[e].m_pNextInBucket) {
    TbCacheEntry& t = ptbcTbCache[e];
    if (t.m_indStart > index || index - t.m_indStart >= kBlockSize) continue;
    if (e != ptbcHead) {
      UnlinkLru(e);
      InsertLruHead(e);
    }
    if (e != heads[chain]) {
      UnlinkBucket(heads, e);
      InsertBucketHead(heads, chain, e);
    }
    return ValueOfByte(static_cast<int8_t>(PbData(e)[index - t.m_indStart]));
  }

  // 4. A miss takes a free entry or the least recently used one.
  int32_t e = ptbcFree;
  if (e != kNone) {
    ptbcFree = ptbcTbCache[e].m_pNextLru;
  } else {
    e = ptbcTail;
    ASSERT(e != kNone);
    TbCacheEntry& old = ptbcTbCache[e];
    UnlinkLru(e);
    UnlinkBucket(rgtbdDesc[old.m_iTb].m_rgpBuckets[old.m_side], e);
  }
  TbCacheEntry& t = ptbcTbCache[e];
  t.m_iTb = iTb;
  t.m_side = side;
  t.m_indStart = index & ~(kBlockSize - 1);

  // 5. Read the block; a table side that cannot be read is dropped.
  if (!FReadBlock(d, side, e)) {
    OutPrintf("*** Unable to read %s, table dropped\n", d.m_rgpchFileName[side].c_str());
    ForgetSide(d, side);
    t.m_pNextLru = ptbcFree;
    ptbcFree = e;
    return 32767;
  }
  InsertLruHead(e);
  InsertBucketHead(heads, chain, e);
  return ValueOfByte(static_cast<int8_t>(PbData(e)[index - t.m_indStart]));
}

int nEGTBProbe(int ply, int side, int32_t* score) {
  // 1. Square arrays and material counters of both sides.
  if (PieceCnt[0] + PieceCnt[1] > 3) return 0;
  int squares[2][16] = {};
  int counters[10] = {};
  for (int c = 0; c < 2; c++) {
    for (int i = 1; i <= PieceCnt[c]; i++) {
      const int sq = PieceList[c][i];
      const int kind = board[sq];
      if (kind < 1 || kind > 5) return 0;
      squares[c][(kind - 1) * 3 + counters[c * 5 + kind - 1]] = sq;
      counters[c * 5 + kind - 1]++;
    }
    squares[c][15] = PieceList[c][0];
  }

  // 2. The table, and whether the colours are exchanged.
  int iTb = IDescFindFromCounters(counters);
  if (iTb == 0) return 0;
  const int* first = squares[0];
  const int* second = squares[1];
  int tb_side = side;
  int invert = 0;
  if (iTb < 0) {
    iTb = -iTb;
    first = squares[1];
    second = squares[0];
    tb_side = 1 - side;
    invert = 1;
  }
  if (!FRegisteredFun(iTb, tb_side)) return 0;

  // 3. The index and the stored value.
  const int ep = epsquare != 0 ? epsquare : 127;
  const INDEX index = PfnIndCalcFun(iTb, tb_side)(first, second, ep, invert);
  const int v = L_TbtProbeTable(iTb, tb_side, index);
  if (v == 32767) return 0;
  if (v > 0)
    *score = 9999 - ply + 2 * v - 65532;
  else if (v == 0)
    *score = 0;
  else
    *score = ply + 2 * v + 55532;
  return 1;
}

void NewGameTb() {
  if (tb_access > 0) VTbCloseFiles();
}
