// bench [--stats] [depth]: searches a fixed set of positions to a fixed
// depth, with no clock, book or learning, and prints the total node count
// (the signature of the engine's search) and the nodes per second as its
// last two lines. With --stats (builds configured with VORNA_STATS) the
// search statistics summed over the positions by iteration come first.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "app/lifecycle.h"
#include "book/learn.h"
#include "core/board.h"
#include "core/movetables.h"
#include "core/startup.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "search/hashtable.h"
#include "search/stats.h"
#include "search/treesearch.h"
#include "timectl/timectl.h"
#include "ui/command.h"
#include "ui/config.h"
#include "ui/output.h"
#include "ui/position.h"

namespace {

const char* const kPositions[] = {
    // Openings.
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqk2r/ppp1bppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR w KQkq - 4 5",
    // Middlegames.
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "2rq1rk1/pp1bppbp/3p1np1/4n3/3NP3/1BN1BP2/PPPQ2PP/2KR3R w - - 0 12",
    "r2q1rk1/1b1nbppp/p2ppn2/1p6/3NP3/1BN1BP2/PPPQ2PP/2KR3R w - - 0 11",
    "rnb2rk1/pp2qppp/2pb1n2/3p4/3P4/2NBPN2/PPQ2PPP/R3K2R b KQ - 3 9",
    // Tactics.
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r1b1k2r/ppppnppp/2n2q2/2b5/3NP3/2P1B3/PP3PPP/RN1QKB1R w KQkq - 1 7",
    "2kr3r/ppp2ppp/2n5/2b1P3/4Pq2/2N2N2/PPPQ2PP/R3KB1R b KQ - 0 12",
    // Endgames.
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/4k3/8/2p5/8/B2K4/8 w - - 0 1",
    "8/5pk1/6p1/8/3R4/6PP/5PK1/1r6 w - - 0 40",
    "8/8/1p1k4/p2p4/P2P1K2/1P6/8/8 w - - 0 50",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/3k4/8/2KP4/8/8/8/8 w - - 0 1",
};

StatsTable table;

}  // namespace

int main(int argc, char** argv) {
  bool stats = false;
  int depth = 7;
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--stats") == 0)
      stats = true;
    else
      depth = atoi(argv[i]);
  }
  if (depth < 1 || depth > 32) {
    fprintf(stderr, "usage: bench [--stats] [depth 1..32]\n");
    return 2;
  }
  if (stats && !kStats) {
    fprintf(stderr,
            "bench: this build has no search statistics (configure with -DVORNA_STATS=ON)\n");
    return 2;
  }
  ClearStatsTable(&table);
  InitializeTables();
  AskForMemSize(get_free_mem(), 0);
  if (!hashflag || AllocateTTable() != 0) {
    fprintf(stderr, "bench: no hash tables\n");
    return 1;
  }
  NewGame(2);
  FILE* quiet = OpenNullOutput();
  if (quiet != nullptr) OutFile = quiet;
  // No clock, no book, no learning, no input polling: the same nodes every run.
  ics_book = 0;
  LearnFlag = learn = 0;
  easy = 1;
  int64_t total = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const char* fen : kPositions) {
    NewGame(2);
    TCflag = -1;
    if (FEN_to_pos(fen) != 0) {
      fprintf(stderr, "bench: bad position %s\n", fen);
      return 1;
    }
    MaxSearchDepth = depth;
    lookahead = 0;
    puzzling = 1;
    SelectMove(player);
    puzzling = 0;
    total += NodeCnt;
    if (stats) AddSearchToTable(&table);
  }
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  OutFile = stdout;
  if (stats) {
    printf("search statistics, %d positions, depth %d\n\n", static_cast<int>(std::size(kPositions)),
           depth);
    PrintStatsTable(stdout, table, depth);
    printf("\n");
  }
  printf("%lld\n", static_cast<long long>(total));
  printf("%.0f\n", secs > 0 ? total / secs : 0.0);
  return 0;
}
