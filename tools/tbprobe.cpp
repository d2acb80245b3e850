// tbprobe DIR [FEN ...]: the tablebase value of positions, through the
// engine's own registry, cache and probe. The FENs come from the command
// line or, without any, one per line from standard input. One answer line per
// position, in order: "mate N" (the side to move mates in N moves), "mated N"
// (it is mated in N moves; "mated 0" is mate on the board), "draw", "none"
// (no table covers it) or "illegal" (the FEN was refused).
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/lifecycle.h"
#include "core/board.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: tbprobe DIR [FEN ...]\n");
    return 2;
  }
  InitializeTables();
  NewGame(2);
  FILE* quiet = OpenNullOutput();
  if (quiet != nullptr) OutFile = quiet;
  static std::vector<char> cache(8 << 20);
  if (!FTbSetCacheSize(cache.data(), cache.size())) {
    fprintf(stderr, "tbprobe: no tablebase cache\n");
    return 1;
  }
  tb_access = IInitializeTb(argv[1]);
  if (tb_access == 0) {
    fprintf(stderr, "tbprobe: no tablebases in %s\n", argv[1]);
    return 1;
  }
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
