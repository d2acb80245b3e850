#include <cstdio>

#include "app/lifecycle.h"
#include "core/startup.h"
#include "search/driver.h"
#include "ui/command.h"
#include "ui/config.h"

int main(int /*argc*/, char** argv) {
  PrintBanner();
  ics = 1;
  beep = 1;
  post = 0;
  easy = 1;
  setvbuf(stdin, nullptr, _IONBF, 0);
  SetVornaPath(argv[0] != nullptr ? argv[0] : "");
  ics_level = 8;
  if (EnterChess() != 0) return 1;
  easy = ics_ponder ? 0 : 1;
  MainLoop();
  ExitChess();
}
