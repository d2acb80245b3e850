// Helpers of the book and learning fuzz targets: a private program folder,
// positions reached by coordinate moves, a legality test and a snapshot of
// the position for checking that a probe left it alone.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/startup.h"
#include "search/driver.h"
#include "ui/output.h"
#include "ui/position.h"

namespace fuzz {

// The private folder, and the way back from it to where the fuzzer runs.
inline char folder[64];
inline int way_back = -1;

// The current folder is the private one while this lives: the engine looks
// for text books there and writes open.log there, while the fuzzer reads
// its corpus and writes its findings by names relative to its own.
struct InFolder {
  InFolder() {
    way_back = open(".", O_RDONLY | O_DIRECTORY);
    if (way_back < 0 || chdir(folder) != 0) abort();
  }
  ~InFolder() {
    if (fchdir(way_back) != 0) abort();
    close(way_back);
    way_back = -1;
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;
};

[[noreturn]] inline void Fail(const char* target, const char* what,
                              const std::string& detail = "") {
  if (way_back >= 0 && fchdir(way_back) != 0) fprintf(stderr, "%s: no way back\n", target);
  fprintf(stderr, "%s: %s%s%s\n", target, what, detail.empty() ? "" : ": ", detail.c_str());
  abort();
}

// Builds the tables, silences the engine and makes a private folder the
// program folder. The engine syncs the files it replaces: on tmpfs that
// costs nothing.
inline void Start(const char* target) {
  InitializeTables();
  OutFile = fopen("/dev/null", "w");
  snprintf(folder, sizeof folder, "%s/vorna-%s-XXXXXX",
           access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp", target);
  if (OutFile == nullptr || mkdtemp(folder) == nullptr) Fail(target, "no private folder");
  snprintf(vornapath, sizeof vornapath, "%s/", folder);
}

// Writes a file of the current folder; false when it cannot.
inline bool WriteFile(const char* name, const void* data, size_t size) {
  FILE* f = fopen(name, "wb");
  if (f == nullptr) return false;
  const bool ok = (size == 0 || fwrite(data, 1, size, f) == size);
  return fclose(f) == 0 && ok;
}

inline std::string Fen() {
  char buf[256];
  pos_to_FEN(buf, sizeof buf);
  return buf;
}

inline std::string MoveText(uint16_t m) {
  char text[16];
  const int from = m >> 8, to = m & 0xff;
  if (from < 64 && to < 64)
    snprintf(text, sizeof text, "%c%c%c%c", 'a' + from % 8, '1' + from / 8, 'a' + to % 8,
             '1' + to / 8);
  else
    snprintf(text, sizeof text, "%d->%d", from, to);
  return text;
}

// The ply whose stretch of the tree the helpers generate into: far from the
// root list, which the targets keep at ply 1.
constexpr int kScratchPly = 30;

// The short move m is a generated move of side that leaves its king safe.
inline bool IsLegal(int side, uint16_t m) {
  const int from = m >> 8, to = m & 0xff;
  if (from >= 64 || to >= 64) return false;
  TrPnt[kScratchPly] = Tree + kTreeSize / 2;
  MoveList(side, kScratchPly);
  for (TreeEntry* e = TrPnt[kScratchPly]; e < TrPnt[kScratchPly + 1]; e++) {
    if (e->from != from || e->to != to) continue;
    MakeMove(side, e);
    const bool legal = !SqAtakd(PieceList[side][0], 1 - side);
    UnmakeMove(side, e);
    if (legal) return true;
  }
  return false;
}

// A new game, then the coordinate moves of line (blank-separated, legal);
// the side to move is player and opponent afterwards, as the book compiler
// leaves them. Returns the side to move.
inline int PlayLine(const char* target, const char* line) {
  NewGame(2);
  int side = white;
  for (const char* p = line; *p != '\0';) {
    while (*p == ' ') p++;
    if (*p == '\0') break;
    const uint16_t m = static_cast<uint16_t>(((p[1] - '1') * 8 + p[0] - 'a') << 8 |
                                             ((p[3] - '1') * 8 + p[2] - 'a'));
    if (!IsLegal(side, m)) Fail(target, "a fixed line is not legal", line);
    TreeEntry* e = TrPnt[kScratchPly];
    while (ShortMove(e->from, e->to) != m) e++;
    MakeMove(side, e);
    side = 1 - side;
    p += 4;
  }
  player = opponent = side;
  computer = 1 - side;
  return side;
}

// The positions probed: the start, short lines, castled kings, an en
// passant capture to hand, a line past the large book, the start placement
// without the castling rights (the hash words leave them out) and a mate.
constexpr int kLineCount = 8;
constexpr const char* kLines[kLineCount] = {
    "",
    "e2e4",
    "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1",
    "d2d4 d7d5 c2c4",
    "e2e4 d7d5 e4e5 f7f5",
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6 c1e3 e7e5 d4b3",
    "g1f3 g8f6 h1g1 h8g8 g1h1 g8h8 f3g1 f6g8",
    "e2e4 e7e5 d1h5 b8c6 f1c4 g8f6 h5f7",
};

// What a probe must leave as it found it.
struct Position {
  std::string fen;
  uint32_t key = 0, bd = 0;
  int game_cnt = 0, ep = 0, castled[2] = {0, 0};

  static Position Take() {
    Position p;
    p.fen = Fen();
    p.key = hashkey;
    p.bd = hashbd;
    p.game_cnt = GameCnt;
    p.ep = epsquare;
    p.castled[0] = castld[0];
    p.castled[1] = castld[1];
    return p;
  }
  bool operator==(const Position&) const = default;
};

inline void CheckConsistent(const char* target) {
  const char* why = nullptr;
  if (!PositionIsConsistent(&why)) Fail(target, why != nullptr ? why : "inconsistent position");
}

}  // namespace fuzz
