// perft [--divide] "<FEN>" <depth>: counts the leaves of the legal move tree.
// With --divide the count below each root move is printed first. The total is
// the last line of standard output; the rate goes to standard error.
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
  bool divide = false;
  int arg = 1;
  if (arg < argc && (strcmp(argv[arg], "--divide") == 0 || strcmp(argv[arg], "-d") == 0)) {
    divide = true;
    arg++;
  }
  if (argc - arg != 2) {
    fprintf(stderr, "usage: perft [--divide] \"<FEN>\" <depth>\n");
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
  const auto start = std::chrono::steady_clock::now();
  uint64_t total = 0;
  if (divide && depth >= 1) {
    MoveList(side, 1);
    for (TreeEntry* e = TrPnt[1]; e < TrPnt[2]; e++) {
      MakeMove(side, e);
      if (!SqAtakd(PieceList[side][0], 1 - side)) {
        const uint64_t n = Perft(1 - side, 2, depth - 1);
        const char promo[2] = {(e->flags & MF_PROMOTE) ? "  nbrq"[e->flags & MF_PROMO_PIECE] : '\0',
                               '\0'};
        printf("%c%c%c%c%s: %llu\n", 'a' + File(e->from), '1' + Rank(e->from), 'a' + File(e->to),
               '1' + Rank(e->to), promo, static_cast<unsigned long long>(n));
        total += n;
      }
      UnmakeMove(side, e);
    }
  } else {
    total = Perft(side, 1, depth);
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
