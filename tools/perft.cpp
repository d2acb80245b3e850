// perft [--divide] [--make] "<FEN>" <depth>: counts the leaves of the legal
// move tree. With --divide the count below each root move is printed first;
// with --make every move down to the leaves is made and the king tested,
// instead of counting the legal moves at the last ply. The total is the last
// line of standard output; the rate goes to standard error.
#include "core/perft.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/lifecycle.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "search/driver.h"
#include "ui/command.h"
#include "ui/position.h"

int main(int argc, char** argv) {
  bool divide = false, make = false;
  int arg = 1;
  for (; arg < argc; arg++) {
    if (strcmp(argv[arg], "--divide") == 0 || strcmp(argv[arg], "-d") == 0)
      divide = true;
    else if (strcmp(argv[arg], "--make") == 0)
      make = true;
    else
      break;
  }
  if (argc - arg != 2) {
    fprintf(stderr, "usage: perft [--divide] [--make] \"<FEN>\" <depth>\n");
    return 2;
  }
  const int depth = atoi(argv[arg + 1]);
  if (depth < 0 || depth > 30) {
    fprintf(stderr, "perft: depth must be 0..30\n");
    return 2;
  }
  InitializeTables();
  NewGame(2);
  if (FEN_to_pos(argv[arg]) != 0) {
    fprintf(stderr, "perft: illegal position: %s\n", argv[arg]);
    return 1;
  }
  const int side = player;
  uint64_t (*count)(int, int, int) = make ? PerftByMaking : Perft;
  const auto start = std::chrono::steady_clock::now();
  uint64_t total = 0;
  if (divide && depth >= 1) {
    MoveList(side, 1);
    for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
      MakeMove(side, e);
      if (!SqAtakd(PieceList[side][0], 1 - side)) {
        const uint64_t n = count(1 - side, 2, depth - 1);
        const char promo[2] = {(e->flags & MF_PROMOTE) ? "  nbrq"[e->flags & MF_PROMO_PIECE] : '\0',
                               '\0'};
        printf("%c%c%c%c%s: %llu\n", 'a' + File(e->from), '1' + Rank(e->from), 'a' + File(e->to),
               '1' + Rank(e->to), promo, static_cast<unsigned long long>(n));
        total += n;
      }
      UnmakeMove(side, e);
    }
  } else {
    total = count(side, 1, depth);
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (TreeOverflow) {
    fprintf(stderr, "perft: move tree overflow\n");
    return 1;
  }
  printf("%llu\n", static_cast<unsigned long long>(total));
  fprintf(stderr, "%.3f s, %.0f nodes per second\n", secs, secs > 0 ? total / secs : 0.0);
  return 0;
}
