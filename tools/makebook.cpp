// makebook DIR: compiles the text books of the current directory (vorna.bok
// and its extensions) into DIR/vorna.hbk, DIR/vorna.lbk and DIR/vorna.sbk
// through the engine's own compile pass, then prints the book statistics.
// Fails when the book cannot be opened afterwards or open.log reports a
// problem line.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/lifecycle.h"
#include "book/book.h"
#include "core/board.h"
#include "core/movetables.h"
#include "core/startup.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: makebook DIR  (text books are read from the current directory)\n");
    return 2;
  }
  std::string dir = argv[1];
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  if (dir.size() >= sizeof vornapath) {
    fprintf(stderr, "makebook: directory name too long\n");
    return 2;
  }
  snprintf(vornapath, sizeof vornapath, "%s", dir.c_str());
  std::error_code ec;
  std::filesystem::remove(dir + "vorna.hbk", ec);
  std::filesystem::remove(dir + "vorna.lbk", ec);
  std::filesystem::remove("open.log", ec);
  Initialize_dist();
  Initialize_moves();
  Initialize_fcol();
  OpenBook();
  NewGame(2);
  if (!BookOn) {
    fprintf(stderr, "makebook: no book in %s (is vorna.bok in the current directory?)\n",
            dir.c_str());
    return 1;
  }
  StatBook();
  if (std::filesystem::exists("open.log")) {
    fprintf(stderr, "makebook: the text books have problems, see open.log\n");
    return 1;
  }
  return 0;
}
