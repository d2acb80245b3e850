// bookbench TEXTBOOK [GAMES]: times the compilation of a text book into
// fresh binary books in a temporary folder, then walks GAMES book lines
// (default 20000) from the initial position, one GetFromBook probe per
// position, and prints the probes per second. Not a test: figures only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/lifecycle.h"
#include "book/book.h"
#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"
#include "core/movetables.h"
#include "core/startup.h"
#include "platform/platform.h"
#include "search/driver.h"
#include "ui/command.h"
#include "ui/output.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: bookbench TEXTBOOK [GAMES]\n");
    return 2;
  }
  const long games = argc > 2 ? atol(argv[2]) : 20000;
  const fs::path dir =
      fs::temp_directory_path() / ("vorna_bookbench_" + std::to_string(PlatformProcessId()));
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::copy_file(argv[1], dir / "vorna.bok", ec)) {
    fprintf(stderr, "bookbench: cannot copy %s\n", argv[1]);
    return 1;
  }
  fs::current_path(dir);
  snprintf(vornapath, sizeof vornapath, "%s/", dir.string().c_str());
  Initialize_dist();
  Initialize_moves();
  Initialize_fcol();
  FILE* quiet = fopen("/dev/null", "w");
  if (quiet != nullptr) OutFile = quiet;

  const auto t0 = std::chrono::steady_clock::now();
  OpenBook();
  const auto t1 = std::chrono::steady_clock::now();
  long probes = 0, hits = 0;
  for (long g = 0; g < games && BookOn; g++) {
    NewGame(2);
    for (int side = white; GameCnt < 40; side = 1 - side) {
      uint16_t m = 0;
      player = side;
      GetFromBook(&m);
      probes++;
      if (m == 0) break;
      hits++;
      MoveList(side, 2);
      TreeEntry* e = TrPnt[2];
      while (e < TrPnt[3] && (e->from != (m >> 8) || e->to != (m & 0xff))) e++;
      if (e == TrPnt[3]) break;
      MakeMove(side, e);
    }
  }
  const auto t2 = std::chrono::steady_clock::now();
  const double compile_s = std::chrono::duration<double>(t1 - t0).count();
  const double probe_s = std::chrono::duration<double>(t2 - t1).count();
  printf("compile %s: %.3f s (book %s)\n", argv[1], compile_s, BookOn ? "on" : "off");
  printf("probes: %ld (%ld with a move) in %.3f s\n", probes, hits, probe_s);
  printf("%.0f probes/s\n", probe_s > 0 ? probes / probe_s : 0.0);
  CloseBook();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir, ec);
  return BookOn || probes > 0 ? 0 : 1;
}
