#include "test_util.h"

#include <gtest/gtest.h>

#include "core/board.h"
#include "core/movetables.h"
#include "ui/position.h"

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

void SetFen(const char* fen) {
  FreshGame();
  ASSERT_EQ(FEN_to_pos(fen), 0) << fen;
}
