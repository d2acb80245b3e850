// Writes arbitrary bytes as tablebase files, plain or compressed, into a
// folder of its own, registers the folder and probes the tables. A refused
// file leaves its table side unregistered, a registered side has its
// table's length, every probe gives no value or a legal tablebase value
// (the very byte written, for a plain file), the cache stays consistent,
// and nothing is left registered, open or allocated after the input.
//
// The input is up to four records: a selector byte, a 24-bit little-endian
// content length, the content (cut at the end of the input). The selector's
// bits 0-2 pick the table (kpk knk kbk krk kqk knkn kpkp knnk), bit 3 the
// side to move, bits 4-5 the form: 0 a plain file as it is, 1 a plain file
// cut or padded with zeros to the table's length, 2 "NAME.nbw.emd", 3
// "NAMEnbw.emd"; bit 6 mends the header checksum of a compressed file, bit 7
// registers the folder a second time after the probes and probes again.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "../squares_fen.h"
#include "app/lifecycle.h"
#include "core/bytes.h"
#include "core/movetables.h"
#include "egtb/egtb.h"
#include "egtb/tbformat.h"
#include "egtb/tbindex.h"
#include "ui/output.h"
#include "ui/position.h"

namespace {

constexpr int kTables[8] = {1, 2, 3, 4, 5, 8, 6, 23};
constexpr size_t kEntryBytes = 8260;
constexpr int kMaxRecords = 4;

std::string folder;
int refusals = 0;

void Check(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "fuzz_tbreg: %s\n", what);
  abort();
}

void CountRefusal() {
  refusals++;
}

int OpenDescriptors() {
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  int n = 0;
  while (readdir(d) != nullptr) n++;
  closedir(d);
  return n;
}

// A small generator for the probed indexes and squares, seeded by the input.
struct Rng {
  uint64_t s;
  uint32_t Next() {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(s >> 33);
  }
};

struct Record {
  int iTb, side, form;
  bool reseal;
  std::vector<uint8_t> content;
};

std::string FileName(int iTb, int side, int form) {
  const std::string base = folder + "/" + rgTbTables[iTb].name;
  const char* ext = side == 0 ? "nbw" : "nbb";
  if (form <= 1) return base + "." + ext;
  return form == 2 ? base + "." + ext + ".emd" : base + ext + ".emd";
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes, off_t length) {
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  Check(fd >= 0, "cannot create a file");
  Check(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
        "cannot write a file");
  Check(ftruncate(fd, length) == 0 && close(fd) == 0, "cannot size a file");
}

// The value the probe gives for a stored byte.
int ValueOf(uint8_t byte) {
  const int b = static_cast<int8_t>(byte);
  if (b == 0) return 0;
  if (b == 127) return 32767;
  if (b == -127) return -32640;
  if (b == -128) return 32640;
  return b > 0 ? 32640 + b : b - 32640;
}

bool LegalValue(int v) {
  return v == 0 || v == 32767 || (v >= 32640 && v <= 32766) || (v >= -32766 && v <= -32640);
}

// What was written for one table side: the plain file's bytes when the
// first name that registration looks for is a plain file.
struct SideFiles {
  int files = 0;
  int first_form = -1;  // the form found first (0 plain, 2 or 3 compressed)
  std::vector<uint8_t> plain;
  bool plain_fits = false;  // the plain file has the table's length
};

// Sets a position up and probes it; 0 when the FEN is refused, else 1 with
// the probe's answer and score.
int Probe(const std::string& fen, int side, int ply, int* found, int32_t* score) {
  if (FEN_to_pos(fen.c_str()) != 0) return 0;
  *score = 12345;
  *found = nEGTBProbe(ply, side, score);
  Check(*found == 0 || *found == 1, "probe answer neither 0 nor 1");
  if (*found == 1)
    Check(*score == 0 || (*score >= 9747 - ply && *score <= 9999 - ply) ||
              (*score >= ply - 10000 && *score <= ply - 9748),
          "probe score outside the tablebase range");
  const char* why = nullptr;
  Check(TbCacheIsConsistent(&why), why != nullptr ? why : "cache inconsistent");
  return 1;
}

// Probes a few positions of every table, set up through FEN in either
// colouring, some with an en-passant capture. A found value is a legal
// tablebase score, and the position with colours and board flipped reads
// the same entry, unless both sides have the same men (then it reads the
// other side to move's file).
void ProbePositions(Rng& rng) {
  for (int iTb : kTables) {
    const char* name = rgTbTables[iTb].name;
    const char* second = strchr(name + 1, 'k');
    const size_t half = static_cast<size_t>(second - name);
    const bool symmetric = strlen(second) == half && strncmp(name, second, half) == 0;
    const int tries = FRegisteredFun(iTb, 0) || FRegisteredFun(iTb, 1) ? 3 : 1;
    for (int t = 0; t < tries; t++) {
      char squares[64] = {};
      const bool swap = rng.Next() & 1;
      int pawns[2] = {-1, -1};  // a pawn square of white and of black
      for (const char* p = name; *p != '\0'; p++) {
        const int colour = (p < second) == !swap ? 0 : 1;
        int sq = static_cast<int>(rng.Next() % 64);
        while (squares[sq] != 0) sq = (sq + 1) % 64;
        squares[sq] = colour == 0 ? static_cast<char>(*p - 'a' + 'A') : *p;
        if (*p == 'p') pawns[colour] = sq;
      }
      const int side = static_cast<int>(rng.Next() & 1);

      // A pawn of the side not to move that has just stepped two squares,
      // with one of the side to move beside it.
      int ep = -1;
      if (pawns[0] >= 0 && pawns[1] >= 0 && (rng.Next() & 1)) {
        const int file = static_cast<int>(rng.Next() % 8);
        const int beside = file == 0 ? 1 : file == 7 ? 6 : file + ((rng.Next() & 1) ? 1 : -1);
        const int rank = side == 0 ? 4 : 3;  // where the pawn that moved stands
        const int behind = side == 0 ? 1 : -1;
        const int moved = rank * 8 + file, mover = rank * 8 + beside;
        const int crossed = moved + 8 * behind, from = moved + 16 * behind;
        const char them = squares[pawns[1 - side]], us = squares[pawns[side]];
        squares[pawns[1 - side]] = squares[pawns[side]] = 0;
        if (squares[moved] == 0 && squares[mover] == 0 && squares[crossed] == 0 &&
            squares[from] == 0) {
          squares[moved] = them;
          squares[mover] = us;
          ep = crossed;
        } else {
          squares[pawns[1 - side]] = them;
          squares[pawns[side]] = us;
        }
      }

      const int ply = 1 + static_cast<int>(rng.Next() % 20);
      int found = 0;
      int32_t score = 0;
      if (!Probe(SquaresFen(squares, side, ep), side, ply, &found, &score)) continue;
      if (symmetric) continue;
      char flipped[64];
      for (int sq = 0; sq < 64; sq++) {
        const char c = squares[(7 - sq / 8) * 8 + sq % 8];
        flipped[sq] = c == 0    ? 0
                      : c < 'a' ? static_cast<char>(c - 'A' + 'a')
                                : static_cast<char>(c - 'a' + 'A');
      }
      const int flipped_ep = ep < 0 ? -1 : (7 - ep / 8) * 8 + ep % 8;
      int found2 = 0;
      int32_t score2 = 0;
      Check(Probe(SquaresFen(flipped, 1 - side, flipped_ep), 1 - side, ply, &found2, &score2) == 1,
            "the flipped position refused");
      Check(found2 == found && (found == 0 || score2 == score),
            "the flipped position probes differently");
    }
  }
}

// Probes indexes of every registered side: the first and last, some from
// the generator, each twice. A plain file gives the byte written.
void ProbeIndexes(Rng& rng, const SideFiles (&sides)[8][2]) {
  for (int t = 0; t < 8; t++)
    for (int side = 0; side < 2; side++) {
      const int iTb = kTables[t];
      if (!FRegisteredFun(iTb, side)) continue;
      const SideFiles& w = sides[t][side];
      const uint32_t length = TbLength(iTb, side);
      uint32_t indexes[6] = {0, length - 1};
      for (int i = 2; i < 6; i++) {
        const uint32_t bound = i < 4 && !w.plain.empty() && w.plain.size() < length
                                   ? static_cast<uint32_t>(w.plain.size())
                                   : length;
        indexes[i] = rng.Next() % bound;
      }
      for (uint32_t index : indexes) {
        const int v = L_TbtProbeTable(iTb, side, index);
        Check(LegalValue(v), "probe value outside the tablebase range");
        if (w.first_form == 0 && w.plain_fits) {
          const uint8_t byte = index < w.plain.size() ? w.plain[index] : 0;
          Check(v == ValueOf(byte), "plain file probe differs from the byte written");
        }
        const bool still = FRegisteredFun(iTb, side);
        Check(still || v == 32767, "a dropped side gave a value");
        if (still) Check(L_TbtProbeTable(iTb, side, index) == v, "second probe differs");
        const char* why = nullptr;
        Check(TbCacheIsConsistent(&why), why != nullptr ? why : "cache inconsistent");
      }
      Check(L_TbtProbeTable(iTb, side, length) == 32767, "index past the table gave a value");
    }
}

// Registers the folder and checks what was registered against what was
// written; returns the number of sides registered.
int Register(const SideFiles (&sides)[8][2]) {
  refusals = 0;
  const int men = IInitializeTb(folder.c_str());
  int written = 0, registered = 0, plain = 0, largest = 0;
  for (int t = 0; t < 8; t++)
    for (int side = 0; side < 2; side++) {
      const int iTb = kTables[t];
      const SideFiles& w = sides[t][side];
      const bool reg = FRegisteredFun(iTb, side);
      if (w.files > 0) written++;
      Check(w.files > 0 || !reg, "a side without a file is registered");
      if (!reg) {
        Check(!(w.first_form == 0 && w.plain_fits), "a plain file of the right length refused");
        continue;
      }
      registered++;
      if (w.first_form == 0) plain++;
      largest = iTb;
      Check(TbLength(iTb, side) == rgTbTables[iTb].length[side], "registered length differs");
    }
  for (int iTb = 1; iTb < kTbCount; iTb++)
    if (std::find(std::begin(kTables), std::end(kTables), iTb) == std::end(kTables))
      Check(!FRegisteredFun(iTb, 0) && !FRegisteredFun(iTb, 1), "another table is registered");
  Check(registered + refusals == written, "a file neither registered nor refused");
  Check(cUncompressed + cCompressed == registered, "registration counts differ");
  Check(cUncompressed == plain, "plain file count differs");
  Check((cbEGTBCompBytes == 0) == (cCompressed == 0), "compression memory without a file");
  Check(men == (largest >= 6 ? 4 : largest >= 1 ? 3 : 0), "wrong number of men covered");
  return registered;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    InitializeTables();
    OutFile = fopen("/dev/null", "w");
    char dir[] = "/tmp/vorna-fuzz-tbreg-XXXXXX";
    Check(mkdtemp(dir) != nullptr, "no temporary folder");
    folder = dir;
    atexit([] { rmdir(folder.c_str()); });
    TbRegistrationFailed = CountRefusal;
    NewGame(2);
    IInitializeTb(folder.c_str());  // builds the tables once
    ready = true;
  }
  const int open_fds = OpenDescriptors();

  // 1. The records.
  std::vector<Record> records;
  size_t pos = 0;
  bool twice = false;
  uint64_t seed = 0x9e3779b97f4a7c15ull;
  while (records.size() < kMaxRecords && pos + 4 <= size) {
    const uint8_t sel = data[pos];
    const size_t want = data[pos + 1] | (data[pos + 2] << 8) | (data[pos + 3] << 16);
    pos += 4;
    const size_t n = want < size - pos ? want : size - pos;
    Record r{kTables[sel & 7], (sel >> 3) & 1, (sel >> 4) & 3, (sel & 0x40) != 0,
             std::vector<uint8_t>(data + pos, data + pos + n)};
    pos += n;
    twice = twice || (sel & 0x80) != 0;
    seed = (seed ^ sel ^ (n << 8)) * 0x100000001b3ull;
    records.push_back(std::move(r));
  }
  for (size_t i = 0; i < size; i += 61) seed = (seed ^ data[i]) * 0x100000001b3ull;

  // 2. The files: a later record of the same name replaces an earlier one.
  SideFiles sides[8][2];
  std::set<std::string> names;
  for (Record& r : records) {
    const uint32_t length = rgTbTables[r.iTb].length[r.side];
    if (r.form == 1 && r.content.size() > length) r.content.resize(length);
    if (r.form >= 2 && r.reseal && r.content.size() >= 84) {
      const uint32_t h = ReadBE32(&r.content[64]);
      if (h > 83 && h <= r.content.size())
        WriteBE32(&r.content[h - 4], TbChecksum(r.content.data(), h - 4));
    }
    const std::string name = FileName(r.iTb, r.side, r.form);
    WriteFile(name, r.content, r.form == 1 ? length : static_cast<off_t>(r.content.size()));
    names.insert(name);
  }
  for (int t = 0; t < 8; t++)
    for (int side = 0; side < 2; side++) {
      // The names in the order registration looks for them; the last record
      // written under a name holds its contents.
      SideFiles& w = sides[t][side];
      for (int form : {0, 2, 3}) {
        const Record* last = nullptr;
        for (const Record& r : records)
          if (r.iTb == kTables[t] && r.side == side && (r.form <= 1 ? 0 : r.form) == form)
            last = &r;
        if (last == nullptr) continue;
        w.files++;
        if (w.first_form >= 0) continue;
        w.first_form = form;
        if (form == 0) {
          w.plain = last->content;
          w.plain_fits =
              last->form == 1 || last->content.size() == rgTbTables[kTables[t]].length[side];
        }
      }
    }

  // 3. A small cache, of one to four entries.
  const size_t entries = 1 + seed % 4;
  void* cache = malloc(entries * kEntryBytes);
  Check(cache != nullptr && FTbSetCacheSize(cache, entries * kEntryBytes), "no cache");

  // 4. Register, probe, and perhaps register again and probe again.
  Rng rng{seed};
  const int registered = Register(sides);
  ProbeIndexes(rng, sides);
  ProbePositions(rng);
  if (twice) {
    Check(Register(sides) == registered, "a second registration differs");
    ProbeIndexes(rng, sides);
    ProbePositions(rng);
  }

  // 5. Forget everything: no side registered, no file open.
  VTbCloseFiles();
  if (registered > 0) IInitializeTb((folder + "/none").c_str());  // the scan costs
  VTbClearCache();
  FTbSetCacheSize(nullptr, 0);
  free(cache);
  for (int iTb = 1; iTb < kTbCount; iTb++)
    for (int side = 0; side < 2; side++)
      Check(!FRegisteredFun(iTb, side), "a side stays registered");
  for (const std::string& name : names) unlink(name.c_str());
  Check(OpenDescriptors() == open_fds, "a file stays open");
  return 0;
}
