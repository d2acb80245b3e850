// Setting up the work state of one evaluation, so that single terms can be
// called on a position and their values checked by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

#include "core/board.h"
#include "core/makemove.h"
#include "core/vorna.h"
#include "eval/evaluate.h"
#include "eval/examine.h"
#include "eval/flip_fen.h"
#include "eval/pawns.h"
#include "eval/weights.h"
#include "search/driver.h"
#include "search/treesearch.h"
#include "test_util.h"

// Sets fen up as at the root of a search: root tables, weights and both
// attack tables built, the per-evaluation records fresh.
inline void TermPosition(const char* fen) {
  SetFen(fen);
  stage = -1;
  ExaminePosition();
  ClearTermRecords();
  for (int s = 0; s < 2; s++) {
    const int base = s == white ? 0 : 56;
    Developed[s] = static_cast<int16_t>((board[base + 1] != knight) + (board[base + 2] != bishop) +
                                        (board[base + 5] != bishop) + (board[base + 6] != knight));
    HungVar[s] = 0;
    KID[s] = 0;
    NoBreathHole[s] = 1;
  }
}

// Makes side the side being scored.
inline void ScoreAs(int side) {
  ScoreFor(side);
}

// The pawn on sq scored for its owner; side is the side to move.
inline int Pawn(const char* sq, int side = white) {
  const int s = Sq(sq);
  ScoreAs(color[s]);
  return ScorePawn(s, side);
}

// The piece or king on sq scored for its owner.
inline int Piece(const char* sq) {
  const int s = Sq(sq);
  ScoreAs(color[s]);
  return ScorePiece[board[s]](s);
}

// The full static evaluation of fen for its side to move, with the work
// state of a fresh evaluation.
inline int32_t FullScore(const char* fen) {
  TermPosition(fen);
  int32_t s = 0;
  ScorePosition(FenSide(fen), &s);
  return s;
}

// Sets a position up as the driver does before a search of depth 4.
inline void Root(const std::string& fen) {
  SetFen(fen.c_str());
  stage = -1;
  ExaminePosition();
  Sdepth = Xdepth = 4;
  MOVE = (64 << 8) | 64;
  memset(ExtFlag, 0, sizeof ExtFlag);
  memset(ChkFlag, 0, sizeof ChkFlag);
  memset(CapFlag, 0, sizeof CapFlag);
  memset(Pscore, 0, sizeof Pscore);
}

// The evaluation of fen at the root of that search, for its side to move.
inline int32_t EvalRoot(const std::string& fen) {
  Root(fen);
  const int side = FenSide(fen);
  return evaluate(side, 1 - side, 1, -12000, 12000);
}

// A term a case does not pin down.
constexpr int kAny = -999;

struct TermCheck {
  const char* what;
  int got, want;
};

// Each term a case pins down has the value it wants.
inline void ExpectTerms(std::initializer_list<TermCheck> checks) {
  for (const TermCheck& k : checks) {
    if (k.want != kAny) {
      EXPECT_EQ(k.got, k.want) << k.what;
    }
  }
}
