// The colour-flipped mirror of a FEN: ranks reversed, colours swapped, the
// other side to move. Terms that treat both colours alike score the mirror
// the same for the side to move.
#pragma once

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

inline std::string FlipFen(const std::string& fen) {
  std::istringstream in(fen);
  std::string placement, side, castling = "-", ep = "-", half = "0", full = "1";
  in >> placement >> side >> castling >> ep >> half >> full;
  std::vector<std::string> ranks;
  std::string rank;
  for (char c : placement + "/") {
    if (c == '/') {
      ranks.insert(ranks.begin(), rank);
      rank.clear();
    } else {
      rank += std::isupper(static_cast<unsigned char>(c))
                  ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                  : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  std::string out;
  for (size_t i = 0; i < ranks.size(); i++) out += (i ? "/" : "") + ranks[i];
  std::string flipped_castling;
  for (char c : castling)
    flipped_castling += c == '-' ? c
                        : std::isupper(static_cast<unsigned char>(c))
                            ? static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                            : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ep != "-") ep[1] = static_cast<char>('9' - (ep[1] - '0'));
  return out + (side == "w" ? " b " : " w ") + flipped_castling + " " + ep + " " + half + " " +
         full;
}

// The side to move of a FEN: 0 white, 1 black.
inline int FenSide(const std::string& fen) {
  return fen.find(" b ") != std::string::npos ? 1 : 0;
}
