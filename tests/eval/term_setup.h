// Setting up the work state of one evaluation, so that single terms can be
// called on a position and their values checked by hand.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/board.h"
#include "core/vorna.h"
#include "eval/evaluate.h"
#include "eval/examine.h"
#include "eval/flip_fen.h"
#include "eval/pawns.h"
#include "eval/weights.h"
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

// The terms of both sides summed in 32 bits, in the order the evaluation
// runs them: all pawns (White's first), then all pieces, kings first.
inline void TermSums(int side, int32_t sum[2]) {
  for (int s = white; s <= black; s++) {
    sum[s] = 0;
    ScoreAs(s);
    for (int i = 1; i <= PieceCnt[s]; i++)
      if (board[PieceList[s][i]] == pawn) sum[s] += ScorePawn(PieceList[s][i], side);
  }
  for (int s = white; s <= black; s++) {
    ScoreAs(s);
    for (int i = 0; i <= PieceCnt[s]; i++) {
      const int sq = PieceList[s][i];
      if (board[sq] != pawn) sum[s] += ScorePiece[board[sq]](sq);
    }
  }
}

// An outside passed pawn of s, seen from the a-file or the h-file.
inline int RemoteBonus(int s, int from, int step) {
  for (int f = from; f >= 0 && f < 8; f += step) {
    if (PawnCnt[1 - s][f]) return 0;
    if (passed_fl[s][f] < 64) return RemotePassed;
    if (PawnCnt[s][f]) return 0;
  }
  return 0;
}

// Material and the positional terms of fen for its side to move, before the
// side ahead is rewarded for trading and before any endgame scaling; the two
// sides' sums of terms go to sides when asked for.
inline int32_t Unscaled(const char* fen, int32_t* sides = nullptr) {
  TermPosition(fen);
  const int side = FenSide(fen), xside = 1 - side;
  int32_t sum[2];
  TermSums(side, sum);
  for (int s = white; s <= black; s++) {
    if (CentStr[s]) sum[s] += 8;
    if (RookEnding == 0 && stage2 > 3) sum[s] += RemoteBonus(s, 0, 1) + RemoteBonus(s, 7, -1);
    if (Color_Bishop[s] == 3) sum[s] += BishopPairBonus;
    if (HungVar[s] > 1) sum[s] -= 16;
  }
  if (sides) sides[0] = sum[0], sides[1] = sum[1];
  return sum[side] - sum[xside] + mtl[side] - mtl[xside];
}

// The full static evaluation of fen for its side to move, with the work
// state of a fresh evaluation.
inline int32_t FullScore(const char* fen) {
  TermPosition(fen);
  int32_t s = 0;
  ScorePosition(FenSide(fen), &s);
  return s;
}
