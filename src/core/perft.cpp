#include "core/perft.h"

#include "core/board.h"
#include "core/makemove.h"
#include "core/movegen.h"

uint64_t Perft(int side, int ply, int depth) {
  if (depth <= 0) return 1;
  MoveList(side, ply);
  uint64_t nodes = 0;
  for (TreeEntry* e = TrPnt[ply]; e < TrPnt[ply + 1]; e++) {
    MakeMove(side, e);
    // Legal when the mover's king is not left attacked.
    if (!SqAtakd(PieceList[side][0], 1 - side))
      nodes += depth == 1 ? 1 : Perft(1 - side, ply + 1, depth - 1);
    UnmakeMove(side, e);
  }
  return nodes;
}
