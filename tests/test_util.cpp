#include "test_util.h"

#include "core/board.h"
#include "core/movetables.h"

void FreshGame() {
  static bool tables_built = false;
  if (!tables_built) {
    Initialize_dist();
    Initialize_moves();
    Initialize_fcol();
    tables_built = true;
  }
  NewGame(2);
}

int Sq(const char* name) {
  return (name[1] - '1') * 8 + (name[0] - 'a');
}
