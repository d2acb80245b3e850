// The FEN of a board given as 64 letters, a1 first ('\0' or '.' for an
// empty square), with the side to move (0 White) and the en-passant square
// (-1 for none); no castling.
#pragma once

#include <string>

inline std::string SquaresFen(const char* squares, int side, int ep = -1) {
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const char c = squares[rank * 8 + file];
      if (c == '\0' || c == '.') {
        empty++;
        continue;
      }
      if (empty > 0) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += c;
    }
    if (empty > 0) fen += static_cast<char>('0' + empty);
    if (rank > 0) fen += '/';
  }
  fen += side == 0 ? " w - " : " b - ";
  if (ep < 0)
    fen += '-';
  else
    fen += {static_cast<char>('a' + ep % 8), static_cast<char>('1' + ep / 8)};
  return fen + " 0 1";
}
