// tbprobe DIR [FEN ...]: the tablebase value of positions, through the
// engine's own registry, cache and probe. The FENs come from the command
// line or, without any, one per line from standard input. One answer line per
// position, in order: "mate N" (the side to move mates in N moves), "mated N"
// (it is mated in N moves; "mated 0" is mate on the board), "draw", "none"
// (no table covers it) or "illegal" (the FEN was refused).
//
// tbprobe DIR --check NAME N: N random legal positions of the table NAME
// (either colour first, either side to move, en passant where it can be),
// each checked against its successors through the same probe: its score must
// be the best of the negated scores after its legal moves (a capture of the
// last man a draw), mate on the board -9999 and stalemate 0. Prints the
// count and every disagreement; exit status 1 on any.
//
// tbprobe --compare DIR1 DIR2 NAME: the value of every index of both sides
// of the table NAME, read through the registry from DIR1 and then from DIR2
// (for instance plain files against their compressed copies), must agree.
// Per side: the indexes compared, how many differ, the first that differs
// and whether the side was dropped (a block that could not be read). Exit
// status 1 on any difference or a side missing in either folder.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "egtb/egtb.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "ui/output.h"
#include "ui/position.h"

namespace {

void Answer(const char* fen) {
  if (FEN_to_pos(fen) != 0) {
    printf("illegal\n");
    return;
  }
  int32_t score = 0;
  if (PieceCnt[0] + PieceCnt[1] + 2 > tb_access || nEGTBProbe(1, player, &score) == 0)
    printf("none\n");
  else if (score > 0)
    printf("mate %d\n", (10000 - score) / 2);  // mate in n at ply 1 scores 10000 - 2n
  else if (score < 0)
    printf("mated %d\n", (score + 9999) / 2);  // mated in n at ply 1 scores 2n - 9999
  else
    printf("draw\n");
  fflush(stdout);
}

// A FEN of the men of name on random squares: the first side White or
// Black, either side to move, and the en-passant square when the side not to
// move has a pawn on its double-step rank with an enemy pawn beside it.
std::string RandomFen(const char* name, std::mt19937& rng) {
  char squares[64];
  memset(squares, 0, sizeof squares);
  const bool swap = rng() & 1;
  int half = 0;
  for (const char* p = name; *p; p++) {
    if (*p == 'k') half++;
    const bool white = (half == 1) != swap;
    int sq = 0;
    do {
      sq = static_cast<int>(rng() % 64);
    } while (squares[sq] != 0 || (*p == 'p' && (sq < 8 || sq > 55)));
    squares[sq] = white ? static_cast<char>(*p - 'a' + 'A') : *p;
  }
  const bool black_to_move = rng() & 1;
  static const char* const kKinds = "pnbrqk";
  int16_t kinds[64], colors[64];
  for (int sq = 0; sq < 64; sq++) {
    const char* at = squares[sq] ? strchr(kKinds, tolower(squares[sq])) : nullptr;
    kinds[sq] = at ? static_cast<int16_t>(pawn + (at - kKinds)) : 0;
    colors[sq] = at ? (isupper(squares[sq]) ? white : black) : neutral;
  }
  char placement[80];
  WritePlacement(kinds, colors, placement);
  std::string fen = placement;
  fen += black_to_move ? " b - " : " w - ";
  // A pawn of the side that just moved on its fourth rank, an enemy pawn
  // beside it and the two squares behind it empty: it may have just arrived.
  std::string ep = "-";
  const int rank = black_to_move ? 3 : 4, behind = black_to_move ? -8 : 8;
  const char mover = black_to_move ? 'P' : 'p', enemy = black_to_move ? 'p' : 'P';
  for (int file = 0; file < 8 && ep == "-"; file++) {
    const int sq = rank * 8 + file;
    if (squares[sq] != mover || squares[sq + behind] || squares[sq + 2 * behind]) continue;
    const bool beside =
        (file > 0 && squares[sq - 1] == enemy) || (file < 7 && squares[sq + 1] == enemy);
    const int target = sq + behind;
    if (beside && (rng() & 1))
      ep = {static_cast<char>('a' + target % 8), static_cast<char>('1' + target / 8)};
  }
  return fen + ep + " 0 1";
}

// The score of the position after each legal move, negated; false when a
// successor has no value.
bool BestAfterMoves(int side, int32_t* best, int* moves) {
  *moves = 0;
  *best = -12000;
  MoveList(side, 1);
  for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
    MakeMove(side, e);
    int32_t s = 0;
    bool ok = true;
    if (!SqAtakd(PieceList[side][0], 1 - side)) {
      ++*moves;
      if (PieceCnt[0] + PieceCnt[1] == 0)
        s = 0;
      else
        ok = nEGTBProbe(2, 1 - side, &s) != 0;
      if (ok && -s > *best) *best = -s;
    }
    UnmakeMove(side, e);
    if (!ok) return false;
  }
  return true;
}

int Check(const char* name, long n) {
  std::mt19937 rng(20261207);
  long checked = 0, bad = 0, ep = 0;
  for (long tries = 0; checked < n && tries < 50 * n; tries++) {
    const std::string fen = RandomFen(name, rng);
    if (FEN_to_pos(fen.c_str()) != 0) continue;
    const int side = player;
    int32_t score = 0, best = 0;
    int moves = 0;
    if (!nEGTBProbe(1, side, &score)) {
      printf("%s: no value\n", fen.c_str());
      bad++;
      continue;
    }
    checked++;
    if (epsquare) ep++;
    if (!BestAfterMoves(side, &best, &moves)) {
      printf("%s: a successor has no value\n", fen.c_str());
      bad++;
      continue;
    }
    const int32_t expected = moves > 0 ? best : (SqAtakd(PieceList[side][0], 1 - side) ? -9999 : 0);
    if (score != expected) {
      printf("%s: score %d, successors give %d\n", fen.c_str(), score, expected);
      bad++;
    }
  }
  printf("%s: %ld positions checked through the probe (%ld with en passant), %ld inconsistent\n",
         name, checked, ep, bad);
  return bad == 0 && checked > 0 ? 0 : 1;
}

// Registers the tables of dir; false when there are none.
bool Register(const char* dir) {
  tb_access = IInitializeTb(dir);
  if (tb_access == 0) fprintf(stderr, "tbprobe: no tablebases in %s\n", dir);
  return tb_access != 0;
}

// Every value of one table side, read through the probe; false when the
// side is not registered or was dropped while reading.
bool ReadSide(int iTb, int side, std::vector<int>* values) {
  values->clear();
  if (!FRegisteredFun(iTb, side)) return false;
  const uint32_t length = TbLength(iTb, side);
  values->reserve(length);
  for (uint32_t index = 0; index < length; index++)
    values->push_back(L_TbtProbeTable(iTb, side, index));
  return FRegisteredFun(iTb, side);
}

int Compare(const char* dir1, const char* dir2, const char* name) {
  int iTb = 0;
  for (int i = 1; i < kTbCount && iTb == 0; i++)
    if (strcmp(rgTbTables[i].name, name) == 0) iTb = i;
  if (iTb == 0) {
    fprintf(stderr, "tbprobe: unknown table %s\n", name);
    return 2;
  }
  std::vector<int> first[2], second[2];
  bool ok1[2], ok2[2];
  if (!Register(dir1)) return 1;
  for (int side = 0; side < 2; side++) ok1[side] = ReadSide(iTb, side, &first[side]);
  if (!Register(dir2)) return 1;
  for (int side = 0; side < 2; side++) ok2[side] = ReadSide(iTb, side, &second[side]);
  int status = 0;
  for (int side = 0; side < 2; side++) {
    const size_t n = std::max(first[side].size(), second[side].size());
    size_t differ = 0, at = n;
    for (size_t i = 0; i < n; i++) {
      const int a = i < first[side].size() ? first[side][i] : 32767;
      const int b = i < second[side].size() ? second[side][i] : 32767;
      if (a == b) continue;
      differ++;
      if (at == n) at = i;
    }
    printf("%s side %d: %zu indexes, %zu differ", name, side, n, differ);
    if (differ) printf(", first at %zu (block %zu)", at, at >> 13);
    if (!ok1[side]) printf(", missing or dropped in %s", dir1);
    if (!ok2[side]) printf(", missing or dropped in %s", dir2);
    printf("\n");
    if (differ || !ok1[side] || !ok2[side] || n == 0) status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const bool compare = argc == 5 && strcmp(argv[1], "--compare") == 0;
  if (argc < 2 || (!compare && argv[1][0] == '-')) {
    fprintf(stderr,
            "usage: tbprobe DIR [FEN ...]\n       tbprobe DIR --check NAME N\n"
            "       tbprobe --compare DIR1 DIR2 NAME\n");
    return 2;
  }
  InitializeTables();
  NewGame(2);
  // The registry's own lines (what it found, refused or dropped) are shown
  // only when comparing folders.
  FILE* quiet = OpenNullOutput();
  if (quiet != nullptr && !compare) OutFile = quiet;
  static std::vector<char> cache(8 << 20);
  if (!FTbSetCacheSize(cache.data(), cache.size())) {
    fprintf(stderr, "tbprobe: no tablebase cache\n");
    return 1;
  }
  if (compare) return Compare(argv[2], argv[3], argv[4]);
  tb_access = IInitializeTb(argv[1]);
  if (tb_access == 0) {
    fprintf(stderr, "tbprobe: no tablebases in %s\n", argv[1]);
    return 1;
  }
  if (argc == 5 && strcmp(argv[2], "--check") == 0) return Check(argv[3], atol(argv[4]));
  if (argc > 2) {
    for (int i = 2; i < argc; i++) Answer(argv[i]);
    return 0;
  }
  char line[256];
  while (fgets(line, sizeof line, stdin) != nullptr) {
    line[strcspn(line, "\r\n")] = '\0';
    Answer(line);
  }
  return 0;
}
